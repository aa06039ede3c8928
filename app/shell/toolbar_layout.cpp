#include "app/shell/toolbar_layout.h"

#include <algorithm>

namespace {
constexpr int kLabelX = 420;        // where the adapter label stands when there is room
constexpr int kMinLabelX = kToolbarStripLeft + 6;
constexpr int kInnerGap = 6;        // label to list, and inside the strip's ends
constexpr int kComboGap = 8;        // between the two lists
constexpr int kMinAdaptersWidth = 120;
constexpr int kComboY = 1, kComboHeight = 21;  // framed 1 px outside: exactly the strip
constexpr int kLoginX = 785;        // where the login labels stand when the strip leaves room
constexpr int kFieldsRight = 1010;  // the fields end here when they can
constexpr int kFieldWidth = 145, kMinFieldWidth = 100;
constexpr int kFieldHeight = 16, kAccountY = 1, kPasswordY = 18;
}  // namespace

ToolbarLayout ComputeToolbarLayout(const ToolbarTexts& t) {
  ToolbarLayout l;
  const int adaptersW = std::max(kMinAdaptersWidth, t.adapterItems + kComboFaceExtra);
  const int modeW = t.modeItems + kComboFaceExtra;
  // From the label's left edge to the search-mode list's right edge.
  const int need = t.adaptersLabel + kInnerGap + adaptersW + kComboGap + modeW;
  int stripRight = kToolbarStripLeft + kToolbarStripWidth;
  int left = kLabelX;
  if (left + need > stripRight - kInnerGap) left = std::max(kMinLabelX, stripRight - kInnerGap - need);
  if (left + need > stripRight - kInnerGap) stripRight = left + need + kInnerGap;
  l.strip = {kToolbarStripLeft, 0, stripRight - kToolbarStripLeft, kToolbarStripHeight};
  l.adaptersLabel = {left, (kToolbarStripHeight - t.lineHeight + 1) / 2, t.adaptersLabel, t.lineHeight};
  l.mode = {stripRight - kInnerGap - modeW, kComboY, modeW, kComboHeight};
  const int adaptersX = left + t.adaptersLabel + kInnerGap;
  // The adapter list takes whatever the strip has left.
  l.adapters = {adaptersX, kComboY, l.mode.x - kComboGap - adaptersX, kComboHeight};

  const int labelsW = std::max(t.account, t.password);
  const int labelX = std::max(kLoginX, stripRight + 9);
  const int fieldX = labelX + labelsW + kInnerGap;
  const int fieldW = std::max(kMinFieldWidth, std::min(kFieldWidth, kFieldsRight - fieldX));
  l.account = {fieldX, kAccountY, fieldW, kFieldHeight};
  l.password = {fieldX, kPasswordY, fieldW, kFieldHeight};
  l.accountLabel = {labelX, kAccountY + (kFieldHeight - t.lineHeight) / 2, t.account, t.lineHeight};
  l.passwordLabel = {labelX, kPasswordY + (kFieldHeight - t.lineHeight) / 2, t.password, t.lineHeight};
  return l;
}
