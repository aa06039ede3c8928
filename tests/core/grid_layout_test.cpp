// Grid bookkeeping: column widths, the header's sort-direction sequence, the layout of
// header, rows, strip and scroll bar, horizontal scrolling and Shift-selection ranges.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "grid/grid_columns.h"
#include "grid/grid_header_state.h"
#include "grid/grid_layout.h"
#include "grid/grid_row_bar.h"
#include "grid/grid_selection.h"

namespace {

TEST(GridColumns, WidthsGrowToAnyIndexAndAreReplacedOnAssign) {
  GridColumnWidths w;
  EXPECT_EQ(w.Get(3), 0);
  EXPECT_EQ(w.Total(), 0);
  w.Assign({80, 105, 160});
  w.Set(6, 50);  // far beyond the end: the columns between are created with width 0
  EXPECT_EQ(w.All(), (std::vector<int>{80, 105, 160, 0, 0, 0, 50}));
  EXPECT_EQ(w.Total(), 395);
  w.Assign({80, 105});  // setting the columns again replaces, never appends
  EXPECT_EQ(w.All(), (std::vector<int>{80, 105}));
  w.Clear();
  EXPECT_TRUE(w.Empty());
  // The last column takes what is left, as the window grows and as it shrinks back, down to
  // the width its caption needs.
  EXPECT_EQ(GridLastColumnWidth(1000, 870, 50), 130);
  EXPECT_EQ(GridLastColumnWidth(1400, 870, 50), 530);
  EXPECT_EQ(GridLastColumnWidth(1000, 870, 50), 130);
  EXPECT_EQ(GridLastColumnWidth(900, 870, 50), 50);
  EXPECT_EQ(GridLastColumnWidth(800, 870, 50), 50);
  // Columns start at the table's widths unless their captions need more.
  EXPECT_EQ(GridColumnWidth(100, 60), 100);
  EXPECT_EQ(GridColumnWidth(100, 116), 116 + kGridCaptionMargin);
  EXPECT_EQ(GridColumnWidth(80, 0), 80);  // the check-box column has no caption
  EXPECT_EQ(GridColumnWidth(0, 36), 36 + kGridCaptionMargin);
}

TEST(GridHeader, SortDirectionSequence) {
  HeaderSortState h;
  struct Click {
    int column;
    bool sent;
    bool ascending;
  };
  // Column 1 starts as the sort column ascending, so its first click sorts descending; a
  // new column starts ascending; column 0 is never a sort click.
  const std::vector<Click> seq = {{1, true, false}, {1, true, true},  {2, true, true},
                                  {2, true, false}, {0, false, false}, {2, true, true},
                                  {5, true, true},  {1, true, true},   {1, true, false}};
  for (std::size_t i = 0; i < seq.size(); ++i) {
    bool asc = !seq[i].ascending;
    EXPECT_EQ(h.OnColumnClick(seq[i].column, false, &asc), seq[i].sent) << i;
    if (seq[i].sent) {
      EXPECT_EQ(asc, seq[i].ascending) << i;
    }
  }
  // With the Camera Name column shown, its click (column 3) is ignored and changes nothing.
  HeaderSortState n;
  bool asc = false;
  EXPECT_FALSE(n.OnColumnClick(3, true, &asc));
  EXPECT_EQ(n.SortColumn(), 1);
  EXPECT_TRUE(n.OnColumnClick(3, false, &asc));
  EXPECT_TRUE(asc);

  EXPECT_FALSE(n.CheckAllOn());
  EXPECT_TRUE(n.ToggleCheckAll());
  EXPECT_FALSE(n.ToggleCheckAll());

  EXPECT_FALSE(HeaderDividerDragAllowed(0));
  EXPECT_FALSE(HeaderDividerDragAllowed(1));
  EXPECT_TRUE(HeaderDividerDragAllowed(2));
  EXPECT_FALSE(HeaderItemCanHighlight(0, false));
  EXPECT_TRUE(HeaderItemCanHighlight(3, false));
  EXPECT_FALSE(HeaderItemCanHighlight(3, true));
}

TEST(GridLayoutTest, PartsAreStackedAndTheStripKeepsItsRoom) {
  struct Case {
    const char* name;
    int W, H, T, pos, rows;
    bool scroll;
    int treeH, stripY, stripH, shift;
  };
  const std::vector<Case> cases = {
      {"no rows", 1000, 600, 870, 0, 0, false, 1, 30, 570, 0},
      {"few rows", 1000, 600, 870, 0, 5, false, 101, 130, 470, 0},
      {"many rows stop 75 px short", 1000, 600, 870, 0, 1000, false, 526, 555, 45, 0},
      {"narrow: scroll bar, position kept", 600, 600, 870, 100, 1000, true, 509, 538, 45, 100},
      {"narrow: position clamped to range", 600, 600, 870, 900, 2, true, 41, 70, 513, 270},
      {"wide again: position back to 0", 1000, 600, 870, 200, 2, false, 41, 70, 530, 0},
      {"window too small for anything", 300, 40, 870, 0, 10, true, 1, 30, 0, 0},
  };
  for (const auto& c : cases) {
    GridLayout g = ComputeGridLayout(c.W, c.H, c.T, c.pos, c.rows);
    EXPECT_EQ(g.scrollNeeded, c.scroll) << c.name;
    EXPECT_EQ(g.tree.h, c.treeH) << c.name;
    EXPECT_EQ(g.strip.y, c.stripY) << c.name;
    EXPECT_EQ(g.strip.h, c.stripH) << c.name;
    EXPECT_EQ(g.scrollPos, c.shift) << c.name;
    EXPECT_EQ(g.header.x, -c.shift) << c.name;
    EXPECT_EQ(g.header.w, c.W + c.shift) << c.name;
    EXPECT_EQ(g.tree.x, -c.shift) << c.name;
    EXPECT_EQ(g.tree.y, 29) << c.name;
    EXPECT_EQ(g.scrollBar.y, c.H - 17) << c.name;
    if (c.scroll) {
      EXPECT_EQ(g.scrollMax, c.T - c.W) << c.name;
    }
  }
}

// The rows' bar comes when the rows are more than the tree holds in full, and the tree then
// leaves it its right edge, also while the columns are scrolled sideways.
TEST(GridLayoutTest, RowBarStandsAtTheRightOfAFullTree) {
  struct Case {
    const char* name;
    int W, H, T, pos, rows;
    bool bar;
    int inView;
  };
  const std::vector<Case> cases = {
      {"rows that fit", 1000, 600, 870, 0, 26, false, 26},
      {"one row more than fits", 1000, 600, 870, 0, 27, true, 26},
      {"narrow, scrolled sideways", 600, 600, 870, 100, 1000, true, 25},
  };
  for (const auto& c : cases) {
    const GridLayout g = ComputeGridLayout(c.W, c.H, c.T, c.pos, c.rows);
    EXPECT_EQ(g.rowBarNeeded, c.bar) << c.name;
    EXPECT_EQ(g.rowsInView, c.inView) << c.name;
    EXPECT_EQ(g.tree.x + g.tree.w, c.bar ? c.W - kGridRowBarWidth : c.W) << c.name;
    EXPECT_EQ(g.rowBar.x + g.rowBar.w, c.W) << c.name;
    EXPECT_EQ(g.rowBar.w, c.bar ? kGridRowBarWidth : 0) << c.name;
    EXPECT_EQ(g.rowBar.y, g.tree.y) << c.name;
    EXPECT_EQ(g.rowBar.h, g.tree.h) << c.name;
  }
}

TEST(GridLayoutTest, RowScrollStaysWithinTheRows) {
  using R = GridRowRequest;
  const GridRowScroll s{10, 40, 16};  // rows 10..25 in view of 40; the last first row is 24
  struct Case {
    R req;
    int thumb, first;
  };
  const std::vector<Case> cases = {{R::LineDown, 0, 11}, {R::LineUp, 0, 9},    {R::PageDown, 0, 24},
                                   {R::PageUp, 0, 0},    {R::Thumb, 7, 7},     {R::Thumb, 99, 24},
                                   {R::Thumb, -3, 0},    {R::Top, 0, 0},       {R::Bottom, 0, 24},
                                   {R::Other, 0, 10}};
  for (const auto& c : cases) EXPECT_EQ(GridRowScrollTarget(c.req, s, c.thumb), c.first) << static_cast<int>(c.req);
  // Rows that fit scroll nowhere; an empty view still pages by a row.
  EXPECT_EQ(GridRowScrollTarget(R::Bottom, GridRowScroll{0, 5, 16}, 0), 0);
  EXPECT_EQ(GridRowScrollTarget(R::PageDown, GridRowScroll{0, 5, 0}, 0), 1);

  // The wheel: whole notches of 120 move `lines` rows each, down for a turn towards the
  // user; parts of a notch add up, and a turn back drops what was left.
  int rest = 0;
  EXPECT_EQ(GridWheelRows(-120, 3, &rest), 3);
  EXPECT_EQ(GridWheelRows(240, 3, &rest), -6);
  EXPECT_EQ(GridWheelRows(-60, 3, &rest), 0);
  EXPECT_EQ(GridWheelRows(-60, 3, &rest), 3);
  EXPECT_EQ(GridWheelRows(-90, 3, &rest), 0);
  EXPECT_EQ(GridWheelRows(60, 3, &rest), 0);  // the 90 down is dropped, not set against it
  EXPECT_EQ(GridWheelRows(60, 3, &rest), -3);
  EXPECT_EQ(rest, 0);
}

// The rows' bar: arrows at the ends, a thumb whose length is the share in view and whose
// place is the first row's, and a drag that gives back the row a place stands for.
TEST(GridRowBar, PartsAndTheThumbFollowTheRows) {
  // 17 x 217: arrows of 17 px, a track of 183.
  const RowBarLayout top = ComputeRowBar(17, 217, GridRowScroll{0, 100, 25});
  EXPECT_EQ(top.upBottom, 17);
  EXPECT_EQ(top.downTop, 200);
  ASSERT_TRUE(top.thumb);
  EXPECT_EQ(top.thumbTop, 17);
  EXPECT_EQ(top.thumbBottom - top.thumbTop, 183 * 25 / 100);
  const RowBarLayout end = ComputeRowBar(17, 217, GridRowScroll{75, 100, 25});
  EXPECT_EQ(end.thumbBottom, 200);
  // A thousand rows still leave a thumb that can be taken.
  const RowBarLayout many = ComputeRowBar(17, 217, GridRowScroll{0, 100000, 25});
  EXPECT_EQ(many.thumbBottom - many.thumbTop, kRowBarMinThumb);
  // Rows that fit, or a bar too short for a thumb: arrows only.
  EXPECT_FALSE(ComputeRowBar(17, 217, GridRowScroll{0, 20, 25}).thumb);
  const RowBarLayout shortBar = ComputeRowBar(17, 30, GridRowScroll{0, 100, 25});
  EXPECT_FALSE(shortBar.thumb);
  EXPECT_EQ(shortBar.upBottom, 15);

  struct Hit {
    int y;
    RowBarPart part;
  };
  const RowBarLayout mid = ComputeRowBar(17, 217, GridRowScroll{40, 100, 25});
  for (const Hit& h : std::vector<Hit>{{-1, RowBarPart::None},
                                       {0, RowBarPart::LineUp},
                                       {16, RowBarPart::LineUp},
                                       {mid.thumbTop - 1, RowBarPart::PageUp},
                                       {mid.thumbTop, RowBarPart::Thumb},
                                       {mid.thumbBottom - 1, RowBarPart::Thumb},
                                       {mid.thumbBottom, RowBarPart::PageDown},
                                       {200, RowBarPart::LineDown},
                                       {217, RowBarPart::None}})
    EXPECT_EQ(RowBarPartAt(mid, h.y), h.part) << h.y;

  // A thumb put back where it stands gives its row, for every row; past the ends it stops.
  const GridRowScroll s{0, 100, 25};
  for (int first = 0; first <= s.Last(); ++first) {
    GridRowScroll at = s;
    at.first = first;
    EXPECT_EQ(RowBarFirstAt(mid, s, ComputeRowBar(17, 217, at).thumbTop), first) << first;
  }
  EXPECT_EQ(RowBarFirstAt(mid, s, -500), 0);
  EXPECT_EQ(RowBarFirstAt(mid, s, 5000), s.Last());
}

// The buttons made for a full view must cover every row a full tree shows, even in part.
TEST(GridLayoutTest, RowsInAFullViewMatchTheTallestTree) {
  for (int H : {0, 40, 75, 76, 95, 96, 600, 601, 615, 616, 700, 1080}) {
    const int tree = ComputeGridLayout(1000, H, 870, 0, 100000).tree.h;
    EXPECT_EQ(GridRowsInFullView(H), (tree + kGridRowHeight - 1) / kGridRowHeight) << H;
  }
  EXPECT_EQ(GridRowsInFullView(700), 32);  // 626 px: 31 rows and part of one more
}

TEST(GridLayoutTest, ScrollRequestsMoveWithinTheRange) {
  using R = GridScrollRequest;
  EXPECT_EQ(GridScrollTarget(R::LineRight, 0, 0, 270, 600), 20);
  EXPECT_EQ(GridScrollTarget(R::LineLeft, 10, 0, 270, 600), 0);
  EXPECT_EQ(GridScrollTarget(R::PageRight, 0, 0, 270, 600), 270);
  EXPECT_EQ(GridScrollTarget(R::PageLeft, 270, 0, 270, 100), 170);
  EXPECT_EQ(GridScrollTarget(R::Thumb, 0, 133, 270, 600), 133);
  EXPECT_EQ(GridScrollTarget(R::Thumb, 0, 999, 270, 600), 270);
  EXPECT_EQ(GridScrollTarget(R::Right, 0, 0, 270, 600), 270);
  EXPECT_EQ(GridScrollTarget(R::Left, 200, 0, 270, 600), 0);
  EXPECT_EQ(GridScrollTarget(R::Other, 50, 0, 270, 600), 50);
  EXPECT_EQ(GridScrollTarget(R::LineRight, 0, 0, 0, 600), 0);
}

TEST(GridSelection, ShiftRangeDownUpAndAcrossUnknownRows) {
  // Siblings 1 -> 2 -> 3 -> 4 -> 5.
  std::map<RowHandle, RowHandle> next{{1, 2}, {2, 3}, {3, 4}, {4, 5}, {5, 0}, {9, 0}};
  auto nx = [&](RowHandle r) { return next.count(r) ? next[r] : 0; };
  using V = std::vector<RowHandle>;
  EXPECT_EQ(ShiftSelectionRange(2, 4, nx), (V{2, 3, 4}));  // downward
  EXPECT_EQ(ShiftSelectionRange(4, 2, nx), (V{2, 3, 4}));  // upward: the same rows
  EXPECT_EQ(ShiftSelectionRange(3, 3, nx), (V{3}));
  EXPECT_EQ(ShiftSelectionRange(0, 3, nx), (V{3, 4, 5}));  // no old row: to the last sibling
  EXPECT_EQ(ShiftSelectionRange(9, 4, nx), (V{4, 5}));     // old row elsewhere
  EXPECT_TRUE(ShiftSelectionRange(2, 0, nx).empty());
}

}  // namespace
