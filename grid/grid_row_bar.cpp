#include "grid/grid_row_bar.h"

#include <algorithm>

RowBarLayout ComputeRowBar(int width, int height, const GridRowScroll& s) {
  RowBarLayout l;
  l.height = std::max(0, height);
  const int arrow = std::min(std::max(0, width), l.height / 2);
  l.upBottom = arrow;
  l.downTop = l.height - arrow;
  const int track = l.downTop - l.upBottom;
  if (s.Last() <= 0 || track < kRowBarMinThumb || s.rows <= 0) return l;
  l.thumb = true;
  const long long len = std::max<long long>(kRowBarMinThumb, static_cast<long long>(track) * std::max(0, s.page) / s.rows);
  const int thumbLen = static_cast<int>(std::min<long long>(len, track));
  const int first = std::clamp(s.first, 0, s.Last());
  l.thumbTop = l.upBottom + static_cast<int>(static_cast<long long>(track - thumbLen) * first / s.Last());
  l.thumbBottom = l.thumbTop + thumbLen;
  return l;
}

RowBarPart RowBarPartAt(const RowBarLayout& l, int y) {
  if (y < 0 || y >= l.height) return RowBarPart::None;
  if (y < l.upBottom) return RowBarPart::LineUp;
  if (y >= l.downTop) return RowBarPart::LineDown;
  if (!l.thumb) return RowBarPart::None;
  if (y < l.thumbTop) return RowBarPart::PageUp;
  if (y >= l.thumbBottom) return RowBarPart::PageDown;
  return RowBarPart::Thumb;
}

int RowBarFirstAt(const RowBarLayout& l, const GridRowScroll& s, int thumbTop) {
  if (!l.thumb) return 0;
  const int room = (l.downTop - l.upBottom) - (l.thumbBottom - l.thumbTop);
  if (room <= 0) return 0;
  const int top = std::clamp(thumbTop - l.upBottom, 0, room);
  // The first row whose thumb stands there (the thumb's place is rounded down from the row),
  // so that a thumb put back where it was gives the row it showed.
  const long long last = s.Last();
  return std::clamp(static_cast<int>((top * last + room - 1) / room), 0, s.Last());
}
