// The motion-detection settings that the device settings operation applies: the record the
// motion page shows and the workers read, and its settings section [MT_DATA].
#pragma once

class IniDocument;

// A rectangle in pixels of the video image, origin top-left.
struct MotionRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const MotionRect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
};

// How a window's rectangle is chosen.
enum MotionWindowType : int {
  kMotionFullImage = 0,    // the whole image
  kMotionCoordinates = 1,  // the typed rectangle
  kMotionKeepCurrent = 2,  // the device's own window as it is
};

// One detection window (keys State<n>, Sensitive<n>, Timer<n>, Threshold<n>, Type<n> and
// Range<n>_SX, _SY, _EX, _EY with n = 1, 2, 3).
struct MotionWindow {
  bool State = false;  // the window is on
  int Sensitive = 70;  // 0 to 100
  int Timer = 1;       // 0 to 300
  int Threshold = 10;  // 0 to 100
  int Type = kMotionFullImage;
  MotionRect Range;  // start X, start Y, end X, end Y
};

struct MotionSettings {
  bool Enable = false;  // the page's enable box; written at close, never read back
  MotionWindow windows[3];
  bool StatePIR = false;  // PIR detection on
  int SensitivePIR = 70;
  int TimerPIR = 1;
};

constexpr int kMotionWindows = 3;
constexpr int kMotionMaxSensitivity = 100;
constexpr int kMotionMaxTimer = 300;
constexpr int kMotionMaxThreshold = 100;
// The largest width or height of a video image that a device may report, in pixels.
constexpr int kMotionMaxImageSide = 65535;
// A typed coordinate: what the page's fields hold (six characters).
constexpr int kMotionMinCoordinate = -99999;
constexpr int kMotionMaxCoordinate = 999999;

// A typed rectangle the device takes: the end not before the start in either direction, and
// end X + end Y more than 31 beyond start X + start Y.
bool IsRegionValid(const MotionRect& r);
// The first window (0-based) in coordinates mode whose rectangle is not valid; -1 for none.
// Windows in the other modes are not looked at.
int FirstInvalidWindow(const MotionSettings& s);

// [MT_DATA]: State1-State3 and StatePIR are set only by the number 1; Enable is not read; a
// number outside its range (sensitivity and threshold 0-100, timer 0-300, type 0-2, a
// coordinate what the page's field holds) is read as its default.
void LoadMotionSettings(const IniDocument& doc, MotionSettings& s);
// Rewrites [MT_DATA]: Enable, State1-3, StatePIR, Sensitive1-3, SensitivePIR, Timer1-3,
// TimerPIR, Threshold1-3, Type1-3, then Range1_SX ... Range3_EY.
void SaveMotionSettings(IniDocument& doc, const MotionSettings& s);
