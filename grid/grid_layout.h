// Placement of the grid's parts: header, row tree with its vertical scroll bar, the strip
// below the rows and the horizontal scroll bar; scrolling in either direction.
#pragma once

constexpr int kGridHeaderHeight = 29;
constexpr int kGridRowHeight = 20;
constexpr int kGridScrollBarHeight = 17;
// The rows' vertical scroll bar, at the right of the tree.
constexpr int kGridRowBarWidth = 17;
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
  // The rows' bar is needed when the tree shows more rows than it has room for in full; the
  // tree then leaves it its right edge.
  bool rowBarNeeded = false;
  int rowsInView = 0;  // rows the tree has room for in full
  GridRect header, tree, rowBar, strip, scrollBar;
};

// W, H: the grid's client size; totalColumns: sum of the column widths; scrollPos: the
// scroll bar's current position; visibleRows: rows the tree shows (expanded children
// included). The scroll bar is needed when the columns are wider than the client; the
// position is then kept within the range, else it is 0. The tree grows with its rows up to
// H - 75 less the scroll bar, so that the strip below keeps at least 45 px. `visibleRows`
// may be cut short once it is past what the tree has room for.
GridLayout ComputeGridLayout(int W, int H, int totalColumns, int scrollPos, int visibleRows);

// The most rows the tree shows at once (the last one perhaps in part) in a grid H high.
int GridRowsInFullView(int H);

enum class GridScrollRequest { LineLeft, LineRight, PageLeft, PageRight, Thumb, Left, Right, Other };

// The new scroll position for a scroll request: a line is one row height, a page the
// client width; the result lies within 0..maxPos.
int GridScrollTarget(GridScrollRequest req, int pos, int thumbPos, int maxPos, int page);

// The vertical scroll of the rows, counted in rows the tree shows top down (expanded
// channel rows included).
struct GridRowScroll {
  int first = 0;  // the first row in view
  int rows = 0;   // every row the tree shows when tall enough
  int page = 0;   // rows in view in full
  bool operator==(const GridRowScroll& o) const { return first == o.first && rows == o.rows && page == o.page; }
  bool operator!=(const GridRowScroll& o) const { return !(*this == o); }
  // The last first row: the bottom row then sits at the bottom of the view.
  int Last() const { return rows > page ? rows - page : 0; }
};

enum class GridRowRequest { LineUp, LineDown, PageUp, PageDown, Thumb, Top, Bottom, Other };

// The first row in view after a request: a line is one row, a page the rows in view in full
// (at least one); the result lies within 0..s.Last().
int GridRowScrollTarget(GridRowRequest req, const GridRowScroll& s, int thumbPos);

// Rows a turn of the mouse wheel moves the view down (up when negative): `lines` rows for
// each whole notch of WHEEL_DELTA (120). What is left of a notch is kept in `remainder` for
// the next turn the same way, and dropped when the wheel turns back.
int GridWheelRows(int delta, int lines, int* remainder);
