// Placement of the grid's parts: header, row tree, the strip below the rows and the
// horizontal scroll bar.
#pragma once

constexpr int kGridHeaderHeight = 29;
constexpr int kGridRowHeight = 20;
constexpr int kGridScrollBarHeight = 17;
// Room kept below the rows: the strip (at least 45 px) plus the header's height and a
// pixel of slack.
constexpr int kGridReservedBelowRows = 75;

struct GridRect {
  int x = 0, y = 0, w = 0, h = 0;
};

struct GridLayout {
  bool scrollNeeded = false;
  int scrollMax = 0;  // scroll range is 0..scrollMax when needed
  int scrollPos = 0;  // the position the parts are shifted by
  GridRect header, tree, strip, scrollBar;
};

// W, H: the grid's client size; totalColumns: sum of the column widths; scrollPos: the
// scroll bar's current position; visibleRows: rows the tree shows (expanded children
// included). The scroll bar is needed when the columns are wider than the client; the
// position is then kept within the range, else it is 0. The tree grows with its rows up to
// H - 75 less the scroll bar, so that the strip below keeps at least 45 px.
GridLayout ComputeGridLayout(int W, int H, int totalColumns, int scrollPos, int visibleRows);

// The most rows the tree shows at once (the last one perhaps in part) in a grid H high.
int GridRowsInFullView(int H);

enum class GridScrollRequest { LineLeft, LineRight, PageLeft, PageRight, Thumb, Left, Right, Other };

// The new scroll position for a scroll request: a line is one row height, a page the
// client width; the result lies within 0..maxPos.
int GridScrollTarget(GridScrollRequest req, int pos, int thumbPos, int maxPos, int page);
