#include "grid/grid_layout.h"

#include <algorithm>

GridLayout ComputeGridLayout(int W, int H, int totalColumns, int scrollPos, int visibleRows) {
  GridLayout g;
  g.scrollNeeded = totalColumns > W;
  if (g.scrollNeeded) {
    g.scrollMax = totalColumns - W;
    g.scrollPos = std::clamp(scrollPos, 0, g.scrollMax);
  }
  const int s = g.scrollNeeded ? kGridScrollBarHeight : 0;
  const int p = g.scrollPos;
  const int cap = H - kGridReservedBelowRows - s;
  const int h = std::max(0, std::min(kGridRowHeight * std::max(0, visibleRows), cap)) + 1;
  g.header = {-p, 0, W + p, kGridHeaderHeight};
  g.rowsInView = h / kGridRowHeight;  // as the tree counts them: its height in whole rows
  g.rowBarNeeded = visibleRows > g.rowsInView;
  const int v = g.rowBarNeeded ? std::min(kGridRowBarWidth, std::max(0, W)) : 0;
  g.tree = {-p, kGridHeaderHeight, std::max(0, W + p - v), h};
  g.rowBar = {W - v, kGridHeaderHeight, v, h};
  g.strip = {0, h + kGridHeaderHeight, W, std::max(0, H - s - kGridHeaderHeight - h)};
  g.scrollBar = {0, H - kGridScrollBarHeight, W, kGridScrollBarHeight};
  return g;
}

int GridRowsInFullView(int H) {
  const int treeHeight = std::max(0, H - kGridReservedBelowRows) + 1;
  return (treeHeight + kGridRowHeight - 1) / kGridRowHeight;
}

int GridScrollTarget(GridScrollRequest req, int pos, int thumbPos, int maxPos, int page) {
  int target = pos;
  switch (req) {
    case GridScrollRequest::LineLeft: target = pos - kGridRowHeight; break;
    case GridScrollRequest::LineRight: target = pos + kGridRowHeight; break;
    case GridScrollRequest::PageLeft: target = pos - std::max(1, page); break;
    case GridScrollRequest::PageRight: target = pos + std::max(1, page); break;
    case GridScrollRequest::Thumb: target = thumbPos; break;
    case GridScrollRequest::Left: target = 0; break;
    case GridScrollRequest::Right: target = maxPos; break;
    case GridScrollRequest::Other: break;
  }
  return std::clamp(target, 0, std::max(0, maxPos));
}

int GridRowScrollTarget(GridRowRequest req, const GridRowScroll& s, int thumbPos) {
  const int page = std::max(1, s.page);
  int target = s.first;
  switch (req) {
    case GridRowRequest::LineUp: target = s.first - 1; break;
    case GridRowRequest::LineDown: target = s.first + 1; break;
    case GridRowRequest::PageUp: target = s.first - page; break;
    case GridRowRequest::PageDown: target = s.first + page; break;
    case GridRowRequest::Thumb: target = thumbPos; break;
    case GridRowRequest::Top: target = 0; break;
    case GridRowRequest::Bottom: target = s.Last(); break;
    case GridRowRequest::Other: break;
  }
  return std::clamp(target, 0, s.Last());
}

int GridWheelRows(int delta, int lines, int* remainder) {
  constexpr int kNotch = 120;
  if ((*remainder > 0 && delta < 0) || (*remainder < 0 && delta > 0)) *remainder = 0;
  *remainder += delta;
  const int notches = *remainder / kNotch;
  *remainder -= notches * kNotch;
  // The wheel turned away from the user (a positive delta) scrolls up.
  return -notches * std::max(0, lines);
}
