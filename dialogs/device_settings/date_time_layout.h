// Where the date and time page puts its labels and controls, from the texts of the current
// language as measured in the page's font: the labels stand in a column, the controls start
// after the widest label, and every list is as wide as its widest entry. The rows follow the
// chosen mode: the SNTP server and interval, or the manual date and time.
#pragma once

struct PageBox {
  int x = 0, y = 0, w = 0, h = 0;
  int Right() const { return x + w; }
  int Bottom() const { return y + h; }
};

// Widths in pixels of the texts as drawn, and the height of a line.
struct DateTimeTexts {
  int serverLabel = 0, syncLabel = 0, dateLabel = 0, timeLabel = 0, zoneLabel = 0;
  int startLabel = 0, endLabel = 0;
  // The widest entry of each list.
  int intervals = 0, years = 0, twoDigits = 0, zones = 0;
  int ruleTypes = 0, months = 0, ruleDays = 0, weekdays = 0, hours = 0;
  int lineHeight = 16;
};

// The rows of a daylight-saving rule, left to right.
enum RuleColumn { RULE_TYPE, RULE_MONTH, RULE_DAY, RULE_WEEKDAY, RULE_HOUR, RULE_COLUMNS };

struct DateTimeLayout {
  PageBox enableBox, sntpRadio, manualRadio, dstBox;  // the buttons' places (they size themselves)
  PageBox title;
  // Labels: where each is drawn.
  PageBox serverLabel, syncLabel, dateLabel, timeLabel, zoneLabel, startLabel, endLabel;
  PageBox server, interval, year, month, day, hour, minute, second, zone;
  PageBox panel;  // behind the two rules
  PageBox rules[2][RULE_COLUMNS];
  int right = 0;  // the rightmost pixel anything takes
};

// The page's size (within the tab control) and its control height.
constexpr int kSettingsPageWidth = 617;
constexpr int kSettingsPageHeight = 480;
constexpr int kPageControlHeight = 21;
// Room a list needs besides its widest entry: the text's margins and the drop button.
constexpr int kComboExtra = 34;

DateTimeLayout ComputeDateTimeLayout(const DateTimeTexts& t, bool manual);
