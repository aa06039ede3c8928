// The parts of the rows' vertical scroll bar: an arrow at each end, the track between them
// and the thumb on it, whose length is the share of the rows in view.
#pragma once

#include "grid/grid_layout.h"

enum class RowBarPart { None, LineUp, PageUp, Thumb, PageDown, LineDown };

struct RowBarLayout {
  int height = 0;
  int upBottom = 0;   // the up arrow is [0, upBottom)
  int downTop = 0;    // the down arrow is [downTop, height)
  bool thumb = false;  // no thumb while the rows fit or the track has no room for one
  int thumbTop = 0, thumbBottom = 0;
};

// The thumb is never shorter than this, however many rows there are.
constexpr int kRowBarMinThumb = 8;

// A bar `width` wide and `height` high for the scroll `s`: arrows as tall as the bar is wide
// (each half the bar when it is shorter than two of them).
RowBarLayout ComputeRowBar(int width, int height, const GridRowScroll& s);
RowBarPart RowBarPartAt(const RowBarLayout& l, int y);
// The first row in view for the thumb dragged to `thumbTop` (within 0..s.Last()).
int RowBarFirstAt(const RowBarLayout& l, const GridRowScroll& s, int thumbTop);
