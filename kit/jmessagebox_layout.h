// Size and button placement of the message box for each of its four types, and the
// places of its animation and live status lines.
#pragma once
#include <algorithm>

namespace jmsgbox {

enum Type { TYPE_WARNING = 0, TYPE_CONFIRM = 1, TYPE_WAIT = 2, TYPE_WAIT_STOP = 3 };

constexpr int kMaxLines = 10;       // live status lines that exist
constexpr int kLineHeight = 15;
constexpr int kMinClientWidth = 180;
constexpr int kButtonWidth = 75;    // the OK, Cancel and stop buttons, unless a caption needs more

struct Point {
  int x, y;
  bool operator==(const Point& o) const { return x == o.x && y == o.y; }
};
struct Box {
  int left, top, right, bottom;
  bool operator==(const Box& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
};

struct Layout {
  int type;            // the type actually used (unknown types behave as warnings)
  int lines;           // live status lines, 0..kMaxLines
  int clientWidth, clientHeight;
  int windowWidth, windowHeight;
  bool showOk, showCancel, showStop;
  Point ok, cancel, stop;  // top-left corners of the shown buttons
  int stopWidth;           // the stop button's width
  bool waitBox;            // no system menu, animation, not ended by Enter or Escape
  Point animation;         // where the animation's frames are drawn
  Box text;                // where the message text is drawn
};

inline int ClampLines(int lines) { return std::min(std::max(lines, 0), kMaxLines); }

inline Box LineBox(const Layout& l, int i) {
  return {20, 60 + kLineHeight * i, l.clientWidth - 20, 75 + kLineHeight * i};
}

// textWidth/textHeight: the message measured in the dialog font; lineWidth: the widest live
// status line (type 3), which the box is made wide enough to show whole; stopWidth: what the
// stop button's caption needs (type 3), which widens the button beyond kButtonWidth and the
// box with it.
inline Layout ComputeLayout(int type, int textWidth, int textHeight, int extraLines, int lineWidth = 0,
                            int stopWidth = 0) {
  Layout l{};
  l.type = (type >= TYPE_WARNING && type <= TYPE_WAIT_STOP) ? type : TYPE_WARNING;
  l.lines = ClampLines(extraLines);
  int w = std::max(textWidth + 50, kMinClientWidth);
  if (l.type == TYPE_WAIT_STOP && l.lines > 0) w = std::max(w, lineWidth + 40);
  l.stopWidth = std::max(kButtonWidth, stopWidth);
  if (l.type == TYPE_WAIT_STOP) w = std::max(w, l.stopWidth + 45);
  int h = textHeight + 70 + kLineHeight * l.lines;
  int c = w / 2;
  l.clientWidth = w;
  l.clientHeight = h;
  l.windowWidth = w + 6;
  l.windowHeight = h + 28 + (l.type == TYPE_WAIT_STOP ? 40 : 0);
  switch (l.type) {
    case TYPE_WARNING:
      l.showOk = true;
      l.ok = {c - 37, h - 40};
      break;
    case TYPE_CONFIRM:
      l.showOk = l.showCancel = true;
      l.ok = {c - 80, h - 40};
      l.cancel = {c + 5, h - 40};
      break;
    case TYPE_WAIT:
      break;
    case TYPE_WAIT_STOP:
      l.showStop = true;
      l.stop = {c - (l.stopWidth + 5) / 2, h - 5};
      break;
  }
  l.waitBox = l.type == TYPE_WAIT || l.type == TYPE_WAIT_STOP;
  l.animation = l.type == TYPE_WAIT_STOP ? Point{w / 2 - 10, 30} : Point{w / 2 - 10, h / 2 + 10};
  l.text = {20, 10, w - 20, h - 40 - 10};
  return l;
}

}  // namespace jmsgbox
