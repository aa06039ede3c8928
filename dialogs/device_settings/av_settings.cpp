#include "dialogs/device_settings/av_settings.h"

#include "app/settings_file/settings_file.h"

namespace {

const wchar_t kSection[] = L"AV_DATA";

std::wstring Key(int stream, const wchar_t* name) { return L"Ch" + std::to_wstring(stream + 1) + L"_" + name; }

// Every key of the section in the file's order, with its field and what a missing key reads
// as: `text` (key, field, default, characters), `flag` (key, field; Enable is written only),
// `number` (key, field, default). Record is AvSettings or const AvSettings.
template <typename Record, typename Text, typename Flag, typename Number>
void EachKey(Record& s, Text text, Flag flag, Number number) {
  for (int i = 0; i < kStreamCount; ++i) text(Key(i, L"Encoder"), s.channels[i].Encoder, L"H264", kEncoderChars);
  for (int i = 0; i < kStreamCount; ++i)
    text(Key(i, L"MaxBitrate"), s.channels[i].MaxBitrate, kDefaultMaxBitrate, kRateChars);
  for (int i = 0; i < kStreamCount; ++i) text(Key(i, L"Bitrate"), s.channels[i].Bitrate, kDefaultBitrate, kRateChars);
  text(L"AudioSensitive", s.AudioSensitive, kDefaultSensitivity, kSensitivityChars);
  flag(L"Enable", s.Enable);
  flag(L"AudioEnable", s.AudioEnable);
  number(L"Stream Mode", s.StreamMode, kSingleStream);
  number(L"AudioVolume", s.AudioVolume, 84);
  for (int i = 0; i < kStreamCount; ++i) number(Key(i, L"Resolution"), s.channels[i].Resolution, 0);
  for (int i = 0; i < kStreamCount; ++i) number(Key(i, L"FPS"), s.channels[i].FPS, 0);
  for (int i = 0; i < kStreamCount; ++i) number(Key(i, L"Quality"), s.channels[i].Quality, 0);
  for (int i = 0; i < kStreamCount; ++i) number(Key(i, L"GOP"), s.channels[i].GOP, 0);
}

}  // namespace

void LoadAvSettings(const IniDocument& doc, AvSettings& s) {
  s = AvSettings();
  EachKey(
      s,
      [&](const std::wstring& key, std::wstring& field, const wchar_t* def, std::size_t chars) {
        // A text the file cannot hold as it is (one with a line break) is no setting's.
        const std::wstring v = doc.Get(kSection, key, def);
        field = (IniDocument::CanHold(v) ? v : std::wstring(def)).substr(0, chars);
      },
      [&](const std::wstring& key, bool& field) {
        if (key != L"Enable") field = doc.GetInt(kSection, key, 0) == 1;
      },
      [&](const std::wstring& key, int& field, int def) { field = doc.GetInt(kSection, key, def); });
}

void SaveAvSettings(IniDocument& doc, const AvSettings& s) {
  doc.ClearSection(kSection);
  EachKey(
      s, [&](const std::wstring& key, const std::wstring& field, const wchar_t*, std::size_t) { doc.Set(kSection, key, field); },
      [&](const std::wstring& key, bool field) { doc.Set(kSection, key, field ? L"1" : L"0"); },
      [&](const std::wstring& key, int field, int) { doc.Set(kSection, key, std::to_wstring(field)); });
}
