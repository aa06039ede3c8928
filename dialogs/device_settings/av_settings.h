// The audio/video settings that the device settings operation applies: the record the
// audio/video page shows and the workers read, and its settings section [AV_DATA].
#pragma once
#include <cstddef>
#include <string>

class IniDocument;

// One video stream.
struct AvChannelSettings {
  std::wstring Encoder = L"H264";  // "H264", "MPEG4" or "MJPEG"
  std::wstring MaxBitrate;         // "UNLIMITED" or a rate text such as "3M"
  std::wstring Bitrate;            // a rate text such as "2M"
  int Resolution = 0;              // index 0 to 12 of the page's resolution list (-1: none)
  int FPS = 0;                     // index 0 to 4 of the page's frame-rate list (-1: none)
  int Quality = 0;                 // 0: constant bitrate; 1 to 100
  int GOP = 0;                     // 1 to 60
};

struct AvSettings {
  bool Enable = false;       // the page's enable box; written at close, never read back
  bool AudioEnable = false;  // audio input on
  int StreamMode = 1;        // 1 single, 2 dual, 5 triple stream
  int AudioVolume = 84;      // audio output volume 0 to 100
  std::wstring AudioSensitive;  // "HIGH" or "LOW"
  AvChannelSettings channels[3];  // streams 1, 2 and 3
};

constexpr int kStreamCount = 3;
constexpr int kSingleStream = 1;
constexpr int kDualStream = 2;
constexpr int kTripleStream = 5;

// The record's MaxBitrate when no cap is chosen.
constexpr wchar_t kUnlimitedRate[] = L"UNLIMITED";

// Characters the text fields hold (their widths less the terminator).
constexpr std::size_t kEncoderChars = 7;
constexpr std::size_t kRateChars = 15;
constexpr std::size_t kSensitivityChars = 7;

// The texts a missing key reads as: the page's "Unlimited" (string 1208), "2M" (1217) and
// "High" (1228) entries. The page shows them as those entries in every language.
constexpr wchar_t kDefaultMaxBitrate[] = L"Unlimited";
constexpr wchar_t kDefaultBitrate[] = L"2M";
constexpr wchar_t kDefaultSensitivity[] = L"High";

// [AV_DATA]. Enable is not read (it starts cleared); AudioEnable is set only by the number 1;
// texts longer than their field are cut to it; a text with a line break reads as its default.
void LoadAvSettings(const IniDocument& doc, AvSettings& s);
// Rewrites [AV_DATA]: the Encoder, MaxBitrate and Bitrate keys of the three streams,
// "AudioSensitive", "Enable", "AudioEnable", "Stream Mode", "AudioVolume", then the
// Resolution, FPS, Quality and GOP keys of the three streams.
void SaveAvSettings(IniDocument& doc, const AvSettings& s);
