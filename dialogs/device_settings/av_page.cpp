#include "dialogs/device_settings/av_page.h"

#include <algorithm>

const unsigned kAvComboIds[AV_ROWS][3] = {
    {1089, 1090, 1110}, {1091, 1092, 1111}, {1093, 1094, 1112}, {1095, 1096, 1113},
    {1097, 1098, 1114}, {1099, 1100, 1115}, {1101, 1102, 1116}, {1103, 1104, 1117},
};

AvColumnEnables ColumnEnables(const std::wstring& codec, bool constantMode, bool unlimited) {
  const bool mjpeg = codec == L"MJPEG";
  AvColumnEnables e;
  e.mode = !mjpeg;
  e.maxRate = constantMode && !mjpeg;
  e.rate = constantMode && unlimited && !mjpeg;
  e.quality = !constantMode || mjpeg;
  e.gop = !constantMode && !mjpeg;
  return e;
}

const std::vector<std::wstring>& AllCodecs() {
  static const std::vector<std::wstring> codecs = {L"H264", L"MPEG4", L"MJPEG"};
  return codecs;
}

std::vector<std::wstring> PairedCodecs(const std::wstring& source) {
  if (source == L"MJPEG") return AllCodecs();
  return {source == L"H264" ? L"H264" : L"MPEG4", L"MJPEG"};
}

std::wstring KeptCodec(const std::wstring& current, const std::vector<std::wstring>& offered) {
  if (std::find(offered.begin(), offered.end(), current) != offered.end()) return current;
  return offered.empty() ? std::wstring() : offered.front();
}

const std::vector<std::wstring>& RateValues() {
  static const std::vector<std::wstring> rates = {L"6M",   L"5.5M", L"5M",   L"4.5M", L"4M",   L"3.5M", L"3M",
                                                  L"2.5M", L"2M",   L"1.5M", L"1.2M", L"1M",   L"750K", L"500K",
                                                  L"384K", L"256K", L"128K", L"56K",  L"28K"};
  return rates;
}

int RateIndex(const std::wstring& rate) {
  const auto& rates = RateValues();
  const auto it = std::find(rates.begin(), rates.end(), rate);
  return it == rates.end() ? -1 : static_cast<int>(it - rates.begin());
}

bool HasTripleStream(const std::wstring& family) {
  return family == L"K7W-701" || family == L"K7W-702" || family == L"K7W-703";
}

void KeepStreamModeFor(AvSettings& av, const std::wstring& family) {
  if (av.StreamMode == kTripleStream && !HasTripleStream(family)) av.StreamMode = kSingleStream;
}
