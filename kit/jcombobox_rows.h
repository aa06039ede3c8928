// Geometry of one row of the skinned combo box's list and of its drop arrow.
#pragma once

namespace jcombo {

struct Box {
  int left, top, right, bottom;
  bool operator==(const Box& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
};

struct RowBoxes {
  Box frame;  // the outline, at (0, 0)
  Box fill;   // the area filled with the row colour
  Box text;   // where the row text goes
};

// Row `index` of `count` rows, `width` x `height` pixels. The fill leaves the outline's
// sides visible and, for the last row its bottom line, else for the first row its top
// line; the last-row rule is checked first, so a single row keeps its bottom line.
inline RowBoxes ComputeRowBoxes(int index, int count, int width, int height) {
  RowBoxes r{};
  r.frame = {0, 0, width, height};
  r.fill = {1, 0, width - 1, height};
  if (index == count - 1)
    r.fill.bottom -= 1;
  else if (index == 0)
    r.fill.top += 1;
  r.text = r.fill;
  r.text.left += 5;
  return r;
}

// The 9 x 6 pixel drop arrow at the right edge of the face, centred vertically.
inline Box ComputeArrowBox(const Box& face) {
  int middle = (face.top + face.bottom) / 2;
  return {face.right - 9, middle - 3, face.right, middle + 3};
}

}  // namespace jcombo
