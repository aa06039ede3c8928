#include "dialogs/device_settings/av_request.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "device/device_info.h"
#include "device/model_tests.h"
#include "dialogs/device_settings/av_page.h"
#include "dialogs/device_settings/reply_number.h"
#include "port/text.h"

namespace {

constexpr std::size_t kPlatformChars = 7;
constexpr std::size_t kAudioChars = 7;
constexpr std::size_t kLevelOptionChars = 15;
constexpr std::size_t kCapabilityChars = 511;
constexpr std::size_t kFirstEntryChars = 255;
// Sizes and rates above this are no device's: at most kSizeDigits digits.
constexpr int kLargestNumber = 999999;
constexpr std::size_t kSizeDigits = 6;
// The rate that replaces the rates above it where a cap applies.
constexpr wchar_t kCapRate[] = L"3M";

// A fact's value: the rest of its line without the line end (a lone CR ends it too), cut to
// its width.
std::string Fact(const std::string& text, const char* key, std::size_t width) {
  std::string v;
  if (!FindLineValue(text, key, &v)) return std::string();
  v = v.substr(0, v.find('\r'));
  while (!v.empty() && std::isspace(static_cast<unsigned char>(v.back()))) v.pop_back();
  return v.substr(0, width);
}

// Splits at any of `separators`, leaving out empty pieces.
std::vector<std::string> Split(const std::string& text, const char* separators) {
  std::vector<std::string> out;
  std::size_t p = 0;
  while (p < text.size()) {
    const std::size_t e = text.find_first_of(separators, p);
    const std::size_t end = e == std::string::npos ? text.size() : e;
    if (end > p) out.push_back(text.substr(p, end - p));
    p = end + 1;
  }
  return out;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The decimal number a piece begins with (blanks before it allowed); false when there is none.
bool LeadingNumber(const std::string& piece, int* value) {
  std::size_t at = 0;
  while (at < piece.size() && IsBlank(piece[at])) ++at;
  return at < piece.size() && std::isdigit(static_cast<unsigned char>(piece[at])) &&
         ReadReplyNumber(piece, &at, 0, kLargestNumber, value);
}

bool ReadSize(const std::string& entry, std::pair<int, int>* size) {
  const std::vector<std::string> parts = Split(entry, "NPxX;");
  return parts.size() >= 2 && LeadingNumber(parts[0], &size->first) && LeadingNumber(parts[1], &size->second) &&
         size->first > 0 && size->second > 0;
}

std::wstring SizeText(bool ntsc, int width, int height) {
  return (ntsc ? L"N" : L"P") + std::to_wstring(width) + L"x" + std::to_wstring(height);
}

std::string Trimmed(const std::string& text) {
  std::size_t b = 0, e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  return text.substr(b, e - b);
}

// 1 to kSizeDigits digits, not beginning with 0; the end of the digits in `*end`.
bool SizeDigits(const std::string& text, std::size_t from, std::size_t* end) {
  std::size_t e = from;
  while (e < text.size() && std::isdigit(static_cast<unsigned char>(text[e]))) ++e;
  *end = e;
  return e > from && e - from <= kSizeDigits && text[from] != '0';
}

// The text between the first pair of quotes of a capability reply, at most kCapabilityChars
// (an unclosed quote: up to the end); empty when the reply begins with its quote or has none.
std::string CapabilityList(const std::string& reply) {
  const std::size_t open = reply.find('\'');
  if (open == std::string::npos || open == 0) return std::string();
  const std::size_t close = reply.find('\'', open + 1);
  const std::size_t end = std::min(close == std::string::npos ? reply.size() : close, open + 1 + kCapabilityChars);
  return reply.substr(open + 1, end - (open + 1));
}

// Whether the list holds `value` as one of its entries (blanks around an entry allowed; some
// devices part their entries with ';').
bool ListsEntry(const std::string& list, const std::string& value) {
  for (const std::string& entry : Split(list, ",;"))
    if (Trimmed(entry) == value) return true;
  return false;
}

}  // namespace

bool IsResolutionValue(const std::string& text) {
  std::size_t p = !text.empty() && (text[0] == 'N' || text[0] == 'P') ? 1 : 0;
  std::size_t e = 0;
  if (!SizeDigits(text, p, &e) || e >= text.size() || text[e] != 'x') return false;
  return SizeDigits(text, e + 1, &p) && p == text.size();
}

AvDeviceFacts ReadAvDeviceFacts(const std::string& systemInfo) {
  AvDeviceFacts f;
  f.platform = Fact(systemInfo, "Platform = ", kPlatformChars);
  f.audio = Fact(systemInfo, "Audio = ", kAudioChars);
  f.levelOption = Fact(systemInfo, "AUDIO_IN_LEVEL_OPTION = ", kLevelOptionChars);
  return f;
}

bool IsKnownPlatform(const std::string& platform) {
  static const char* const kKnown[] = {"A", "T", "K", "W", "B", "I", "D", "E", "R5", "R9", "R9X4", "C"};
  for (const char* k : kKnown)
    if (platform == k) return true;
  return false;
}

bool HasAudio(const AvDeviceFacts& facts) { return facts.audio.empty() || facts.audio[0] != '0'; }

int AudioLevelMode(const AvDeviceFacts& facts) {
  if (facts.levelOption == "MICBOOST") return 2;
  if (facts.levelOption == "LEVELS") return 1;
  return 0;
}

int StreamCount(const std::wstring& firmware, int streamMode) {
  return HasVersionTagToken(firmware) ? 0 : streamMode;
}

std::wstring StreamText(int streamMode) {
  if (streamMode == kSingleStream) return L"SINGLE";
  if (streamMode == kTripleStream) return L"TRIPLE";
  return L"DUAL";
}

std::wstring AdjustCodec(const std::string& platform, const std::wstring& codec, bool newFirmware) {
  if (platform == "W") return L"MPEG4";
  if (platform == "A" && !newFirmware && codec == L"H264") return L"MPEG4";
  if ((platform == "D" || platform == "E") && codec == L"MPEG4") return L"H264";
  return codec;
}

ResolutionCapability ParseResolutionCapability(const std::string& reply) {
  ResolutionCapability cap;
  const std::string list = CapabilityList(reply);
  cap.first = list.substr(0, std::min(list.find(','), kFirstEntryChars));
  cap.ntsc = cap.first.find('N') != std::string::npos;
  for (const std::string& entry : Split(list, ",")) {
    std::pair<int, int> size;
    if (ReadSize(entry, &size)) cap.sizes.push_back(size);
  }
  return cap;
}

std::wstring ResolutionForIndex(int index, bool ntsc) {
  struct Form {
    const wchar_t* ntsc;
    const wchar_t* pal;
  };
  static const Form kForms[] = {
      {L"", L""},
      {L"N1920x1080", L"P1920x1080"},
      {L"N1280x720", L"P1280x720"},
      {L"N720x480", L"P720x576"},
      {L"N640x480", L"P640x480"},
      {L"N352x240", L"P352x288"},
      {L"N320x240", L"P320x240"},
      {L"N176x112", L"P176x144"},
      {L"N160x112", L"P160x112"},
      {L"N2048x1536", L"N2048x1536"},
      {L"N1440x1080", L"N1440x1080"},
      {L"N1280x960", L"N1280x960"},
      {L"N800x600", L"N800x600"},
  };
  if (index < 0 || index >= static_cast<int>(sizeof kForms / sizeof kForms[0])) return std::wstring();
  return ntsc ? kForms[index].ntsc : kForms[index].pal;
}

std::wstring FindClosestResolution(const std::vector<std::pair<int, int>>& sizes, int width, int height, bool ntsc) {
  if (sizes.empty()) return std::wstring();
  const long wanted = static_cast<long>(width) + height;
  auto distance = [&](const std::pair<int, int>& s) { return std::labs(static_cast<long>(s.first) + s.second - wanted); };
  std::size_t taken = 0;
  for (std::size_t i = 1; i < sizes.size() && distance(sizes[i]) < distance(sizes[taken]); ++i) taken = i;
  return SizeText(ntsc, sizes[taken].first, sizes[taken].second);
}

std::wstring ChooseResolution(int index, const std::string& capabilityReply) {
  const ResolutionCapability cap = ParseResolutionCapability(capabilityReply);
  // "Max": the device's own first entry, sent only in the form a request takes.
  if (index == 0) {
    const std::string first = Trimmed(cap.first);
    return IsResolutionValue(first) ? port::FromLocal8(first) : std::wstring();
  }
  const std::wstring chosen = ResolutionForIndex(index, cap.ntsc);
  if (chosen.empty()) return chosen;
  if (ListsEntry(CapabilityList(capabilityReply), port::ToLocal8(chosen))) return chosen;
  std::pair<int, int> size;
  ReadSize(port::ToLocal8(chosen), &size);
  return FindClosestResolution(cap.sizes, size.first, size.second, cap.ntsc);
}

std::vector<int> ParseFpsCapability(const std::string& reply) {
  std::size_t p = 0;
  while (p < reply.size() && (std::isupper(static_cast<unsigned char>(reply[p])) || reply[p] == '_' ||
                              reply[p] == '=' || reply[p] == '\'' || IsBlank(reply[p])))
    ++p;
  // Numbers separated by commas, blanks allowed around them, up to the first other character;
  // an empty entry or one too large to be a rate is left out.
  std::vector<int> rates;
  while (p < reply.size()) {
    while (p < reply.size() && IsBlank(reply[p])) ++p;
    int v = 0;
    if (p < reply.size() && std::isdigit(static_cast<unsigned char>(reply[p])) &&
        ReadReplyNumber(reply, &p, 0, kLargestNumber, &v))
      rates.push_back(v);
    while (p < reply.size() && std::isdigit(static_cast<unsigned char>(reply[p]))) ++p;
    while (p < reply.size() && IsBlank(reply[p])) ++p;
    if (p >= reply.size() || reply[p] != ',') break;
    ++p;
  }
  return rates;
}

int PickFps(const std::vector<int>& listed, int k) {
  std::vector<int> rates;
  for (int r : listed)
    if (r > 0) rates.push_back(r);
  if (rates.empty()) return 0;
  const int maximum = rates.back();
  if (k <= 0) return maximum;
  int lo = 0, hi = 0;
  for (int r : rates) {
    if (static_cast<long>(r) * k > maximum) {
      hi = r;
      break;
    }
    lo = r;
  }
  if (hi != 0 && static_cast<long>(hi) * k - maximum < maximum - static_cast<long>(lo) * k) return hi;
  if (lo != 0) return lo;
  // Nothing listed at or below the target: the target itself.
  return std::max(1, maximum / k);
}

int FpsDivisor(int fpsIndex) {
  switch (fpsIndex) {
    case 0: return 0;
    case 1: return 2;
    case 2: return 4;
    default: return -1;
  }
}

int FixedFps(int fpsIndex) { return fpsIndex == 3 ? 2 : fpsIndex == 4 ? 1 : 0; }

std::wstring QualityFragment(const std::wstring& codec, int quality, int gop) {
  if (codec == L"MJPEG") return L"&VIDEO_MJPEG_QUALITY=" + std::to_wstring(quality);
  std::wstring f = codec == L"H264" ? L"&VIDEO_H264_QUALITY=" : L"&VIDEO_MPEG4_QUALITY=";
  if (quality == 0) return f + L"NONE";
  f += quality < 33 ? L"LOW" : quality < 66 ? L"MIDDLE" : L"HIGH";
  return f + L"&VIDEO_GOP=" + std::to_wstring(gop);
}

bool IsHighRate(const std::wstring& rate) {
  // The rates listed before the cap.
  const int i = RateIndex(rate);
  return i >= 0 && i < RateIndex(kCapRate);
}

std::wstring PlainBitrateFragment(const std::wstring& bitrate) {
  return L"&VIDEO_BITRATE=" + (IsHighRate(bitrate) ? std::wstring(kCapRate) : bitrate);
}

std::wstring BitrateFragment(const AvChannelSettings& channel, bool capped) {
  const bool unlimited = channel.MaxBitrate == kUnlimitedRate;
  const std::wstring& rate = unlimited ? channel.Bitrate : channel.MaxBitrate;
  const std::wstring sent = capped && IsHighRate(rate) ? std::wstring(kCapRate) : rate;
  if (unlimited) return std::wstring(L"&VIDEO_MAX_BITRATE=") + kUnlimitedRate + L"&VIDEO_BITRATE=" + sent;
  return L"&VIDEO_MAX_BITRATE=" + sent;
}
