// Where the main window's top strip puts its labels and controls, from the texts of the
// current language as measured in the skin font: the combo strip (the "IP Address / NetMask"
// label, the adapter list and the search-mode list) and, to its right, the two login labels
// with their fields. Nothing is cut and nothing overlaps whatever the texts' widths.
#pragma once

struct ToolbarRect {
  int x = 0, y = 0, w = 0, h = 0;
  int Right() const { return x + w; }
  bool operator==(const ToolbarRect& o) const { return x == o.x && y == o.y && w == o.w && h == o.h; }
};

// Widths in pixels: the adapter label, the widest adapter item, the widest search mode, the
// two login labels; and the height of a line of text.
struct ToolbarTexts {
  int adaptersLabel = 0, adapterItems = 0, modeItems = 0, account = 0, password = 0;
  int lineHeight = 14;
};

struct ToolbarLayout {
  ToolbarRect strip;          // the strip image behind the combos: at (265, 0), 511 x 23 or wider
  ToolbarRect adaptersLabel;  // where the label is drawn
  ToolbarRect adapters, mode;  // the two combo boxes' faces
  ToolbarRect accountLabel, account, passwordLabel, password;
};

constexpr int kToolbarStripLeft = 265;
constexpr int kToolbarStripWidth = 511;
constexpr int kToolbarStripHeight = 23;
// Room a combo face needs besides its text: 5 px before it, the arrow (9 px) and gaps after.
constexpr int kComboFaceExtra = 20;

ToolbarLayout ComputeToolbarLayout(const ToolbarTexts& t);
