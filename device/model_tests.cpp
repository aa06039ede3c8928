#include "device/model_tests.h"

#include <vector>

namespace {

std::wstring Prefix4(const std::wstring& t) { return t.substr(0, 4); }

std::wstring ReplaceAll(std::wstring t, const std::wstring& from, const std::wstring& to) {
  std::size_t p = 0;
  while ((p = t.find(from, p)) != std::wstring::npos) {
    t.replace(p, from.size(), to);
    p += to.size();
  }
  return t;
}

std::vector<std::wstring> Pieces(const std::wstring& t) {
  std::vector<std::wstring> out;
  std::size_t p = 0;
  while (p <= t.size()) {
    std::size_t e = t.find(L'-', p);
    if (e == std::wstring::npos) e = t.size();
    if (e > p) out.push_back(t.substr(p, e - p));
    p = e + 1;
  }
  return out;
}

}  // namespace

int IsFamilyModel(const std::wstring& text) {
  std::wstring p = Prefix4(text);
  if (p == L"K5H-") return 4;
  if (p == L"K3F-") return 8;
  if (p == L"KRZ-") return 16;
  return 0;
}

bool IsRecorderModel(const std::wstring& model) {
  std::wstring p = Prefix4(model);
  return p == L"NVQ-" || p == L"VTB-";
}

std::wstring NormalizeModelPrefix(const std::wstring& model) {
  return ReplaceAll(ReplaceAll(model, L"K5H-", L"K3F-"), L"KRZ-", L"K3F-");
}

std::wstring AdjustNameForKind(int kind, const std::wstring& text) {
  std::wstring t = text;
  if ((kind == 1 || kind == 4) && t.size() >= 5) t[4] = kind == 1 ? L'U' : L'H';
  else if (kind == 3) t = ReplaceAll(t, L"ISP-F-", L"C");
  return t;
}

bool CheckFirmwareVersion(const std::wstring& version) {
  std::wstring m = version.size() > 6 ? version.substr(6, 4) : std::wstring();
  std::wstring tail = version.size() > 7 ? version.substr(version.size() - 7) : version;
  if (m == L"0100") return false;
  if (m == L"0300" && tail < L"1.01.06") return false;
  return true;
}

bool HasVersionTagToken(const std::wstring& version) {
  for (const auto& p : Pieces(version)) {
    std::wstring two = p.substr(0, 2);
    if (two == L"V1" || two == L"V2" || two == L"V3") return true;
  }
  return false;
}

bool HasPlatformVersionToken(const std::wstring& version) {
  for (const auto& p : Pieces(version))
    if (p.size() >= 8 && p[0] == L'A' && p[2] == L'.' && p[5] == L'.') return true;
  return false;
}

bool IsLvModel(const std::wstring& text) { return text.find(L"-LV") != std::wstring::npos; }
bool IsK7W700Platform(const std::wstring& platform) {
  return platform == L"K7W-700" || platform == L"K7W-701" || platform == L"K7W-702" || platform == L"K7W-703";
}
