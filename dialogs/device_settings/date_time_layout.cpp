#include "dialogs/device_settings/date_time_layout.h"

#include <algorithm>

namespace {

constexpr int kMargin = 11;       // the buttons' column
constexpr int kLabelLeft = 30;    // the labels' column
constexpr int kControlsLeft = 162;  // where the controls start when the labels leave room
constexpr int kLabelGap = 12;
constexpr int kGap = 6;
constexpr int kServerWidth = 145;

PageBox Box(int x, int y, int w, int h) {
  PageBox b;
  b.x = x;
  b.y = y;
  b.w = w;
  b.h = h;
  return b;
}

// A label drawn level with the control of its row.
PageBox Label(int x, int rowY, int width, int lineHeight) {
  return Box(x, rowY + (kPageControlHeight - lineHeight) / 2, width, lineHeight);
}

}  // namespace

DateTimeLayout ComputeDateTimeLayout(const DateTimeTexts& t, bool manual) {
  DateTimeLayout l;
  const int line = t.lineHeight;
  l.enableBox = Box(kMargin, 8, 0, 0);
  l.title = Box(kMargin, 40, kSettingsPageWidth - 2 * kMargin, line);
  l.sntpRadio = Box(kMargin, 72, 0, 0);

  const int labels = std::max({t.serverLabel, t.syncLabel, t.dateLabel, t.timeLabel, t.zoneLabel});
  const int x = std::max(kControlsLeft, kLabelLeft + labels + kLabelGap);
  const int h = kPageControlHeight;
  // SNTP: server and interval under their radio, the zone, then the manual radio. Manual: its
  // radio right under the SNTP one, the date and the time, then the zone.
  const int serverY = 102, syncY = 137;
  const int dateY = 142, timeY = 177;
  const int zoneY = manual ? 225 : 207;
  l.manualRadio = Box(kMargin, manual ? 110 : 245, 0, 0);

  l.serverLabel = Label(kLabelLeft, serverY, t.serverLabel, line);
  l.server = Box(x, serverY, kServerWidth, h);
  l.syncLabel = Label(kLabelLeft, syncY, t.syncLabel, line);
  l.interval = Box(x, syncY, t.intervals + kComboExtra, h);

  l.dateLabel = Label(kLabelLeft, dateY, t.dateLabel, line);
  l.year = Box(x, dateY, t.years + kComboExtra, h);
  l.month = Box(l.year.Right() + kGap, dateY, t.twoDigits + kComboExtra, h);
  l.day = Box(l.month.Right() + kGap, dateY, t.twoDigits + kComboExtra, h);
  l.timeLabel = Label(kLabelLeft, timeY, t.timeLabel, line);
  l.hour = Box(x, timeY, t.twoDigits + kComboExtra, h);
  l.minute = Box(l.hour.Right() + kGap, timeY, t.twoDigits + kComboExtra, h);
  l.second = Box(l.minute.Right() + kGap, timeY, t.twoDigits + kComboExtra, h);

  l.zoneLabel = Label(kLabelLeft, zoneY, t.zoneLabel, line);
  l.zone = Box(x, zoneY, t.zones + kComboExtra, h);

  // Daylight saving: its box, then a panel with the start and the end rule.
  l.dstBox = Box(kMargin, 280, 0, 0);
  const int panelTop = 305;
  const int ruleX = kLabelLeft + std::max(t.startLabel, t.endLabel) + kLabelGap;
  const int widths[RULE_COLUMNS] = {t.ruleTypes, t.months, t.ruleDays, t.weekdays, t.hours};
  int right = 0;
  for (int r = 0; r < 2; ++r) {
    const int y = panelTop + 18 + r * 40;
    int cx = ruleX;
    for (int c = 0; c < RULE_COLUMNS; ++c) {
      l.rules[r][c] = Box(cx, y, widths[c] + kComboExtra, h);
      cx = l.rules[r][c].Right() + kGap;
    }
    right = std::max(right, l.rules[r][RULE_HOUR].Right());
  }
  l.startLabel = Label(kLabelLeft, l.rules[0][0].y, t.startLabel, line);
  l.endLabel = Label(kLabelLeft, l.rules[1][0].y, t.endLabel, line);
  l.panel = Box(kMargin, panelTop, std::max(kSettingsPageWidth - 2 * kMargin, right + kLabelGap - kMargin),
                l.rules[1][0].Bottom() + 18 - panelTop);

  for (const PageBox* b : {&l.server, &l.interval, &l.day, &l.second, &l.zone, &l.panel})
    right = std::max(right, b->Right());
  l.right = right;
  return l;
}
