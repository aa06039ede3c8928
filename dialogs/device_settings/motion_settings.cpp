#include "dialogs/device_settings/motion_settings.h"

#include <string>

#include "app/settings_file/settings_file.h"

namespace {

const wchar_t kSection[] = L"MT_DATA";

std::wstring Key(const wchar_t* name, int window) { return name + std::to_wstring(window + 1); }

// The four keys of a window's rectangle with a pointer to each of its values.
struct RangeKey {
  const wchar_t* suffix;
  int MotionRect::*field;
};
const RangeKey kRangeKeys[4] = {
    {L"_SX", &MotionRect::left}, {L"_SY", &MotionRect::top}, {L"_EX", &MotionRect::right}, {L"_EY", &MotionRect::bottom}};

std::wstring RangeKeyOf(int window, const RangeKey& k) { return Key(L"Range", window) + k.suffix; }

}  // namespace

bool IsRegionValid(const MotionRect& r) {
  return r.right >= r.left && r.bottom >= r.top &&
         static_cast<long long>(r.right) + r.bottom > static_cast<long long>(r.left) + r.top + 31;
}

int FirstInvalidWindow(const MotionSettings& s) {
  for (int i = 0; i < kMotionWindows; ++i)
    if (s.windows[i].Type == kMotionCoordinates && !IsRegionValid(s.windows[i].Range)) return i;
  return -1;
}

namespace {

// Every key of the section after Enable, in the file's order, with its field: `flag` for the
// on/off keys, `number` for the others with the range of their values. Record is
// MotionSettings or const MotionSettings.
template <typename Record, typename Flag, typename Number>
void EachKey(Record& s, Flag flag, Number number) {
  for (int i = 0; i < kMotionWindows; ++i) flag(Key(L"State", i), s.windows[i].State);
  flag(L"StatePIR", s.StatePIR);
  for (int i = 0; i < kMotionWindows; ++i) number(Key(L"Sensitive", i), s.windows[i].Sensitive, 0, kMotionMaxSensitivity);
  number(L"SensitivePIR", s.SensitivePIR, 0, kMotionMaxSensitivity);
  for (int i = 0; i < kMotionWindows; ++i) number(Key(L"Timer", i), s.windows[i].Timer, 0, kMotionMaxTimer);
  number(L"TimerPIR", s.TimerPIR, 0, kMotionMaxTimer);
  for (int i = 0; i < kMotionWindows; ++i) number(Key(L"Threshold", i), s.windows[i].Threshold, 0, kMotionMaxThreshold);
  for (int i = 0; i < kMotionWindows; ++i) number(Key(L"Type", i), s.windows[i].Type, kMotionFullImage, kMotionKeepCurrent);
  for (int i = 0; i < kMotionWindows; ++i)
    for (const RangeKey& k : kRangeKeys)
      number(RangeKeyOf(i, k), s.windows[i].Range.*k.field, kMotionMinCoordinate, kMotionMaxCoordinate);
}

}  // namespace

void LoadMotionSettings(const IniDocument& doc, MotionSettings& s) {
  s = MotionSettings();
  EachKey(
      s, [&](const std::wstring& key, bool& field) { field = doc.GetInt(kSection, key, 0) == 1; },
      [&](const std::wstring& key, int& field, int low, int high) {
        const int v = doc.GetInt(kSection, key, field);
        if (v >= low && v <= high) field = v;
      });
}

void SaveMotionSettings(IniDocument& doc, const MotionSettings& s) {
  doc.ClearSection(kSection);
  doc.Set(kSection, L"Enable", s.Enable ? L"1" : L"0");
  EachKey(
      s, [&](const std::wstring& key, bool field) { doc.Set(kSection, key, field ? L"1" : L"0"); },
      [&](const std::wstring& key, int field, int, int) { doc.Set(kSection, key, std::to_wstring(field)); });
}
