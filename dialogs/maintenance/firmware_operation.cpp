#include "dialogs/maintenance/firmware_operation.h"

#include <algorithm>

#include "app/batch/upgrade_batch.h"
#include "device/device_info.h"
#include "device/model_tests.h"
#include "device/upgrade_job.h"
#include "device/upgrade_rules.h"
#include "port/text.h"

namespace {

constexpr int kInfoReplySize = 2048;
constexpr std::int64_t kInfoTimeoutMs = 90000;
const wchar_t kSection[] = L"FW_DATA";
const wchar_t kPathKey[] = L"Path";

const wchar_t kPlatform411[] = L"K7W-411";

std::wstring Mid(const std::wstring& s, std::size_t from, std::size_t count) {
  return from >= s.size() ? std::wstring() : s.substr(from, count);
}

// One system request: its result (the bytes stored; -1 no answer, -2 an error reply, -3 a
// refusal), and in *body what the device sent when the result is not negative.
int Request(const BatchContext& c, const std::wstring& host, const wchar_t* path, std::string* body) {
  std::vector<char> reply(kInfoReplySize, '\0');
  const int n = c.GetCgi(host, path, reply.data(), kInfoReplySize, kInfoTimeoutMs, false);
  body->assign(reply.data(), static_cast<std::size_t>(n > 0 ? n : 0));
  return n;
}

// The device's answer to one system request, empty when it gave none.
std::string Ask(const BatchContext& c, const std::wstring& host, const wchar_t* path) {
  std::string body;
  Request(c, host, path, &body);
  return body;
}

// The ISP firmware version in a device's SYSTEM_LOG: false only when the device gave no answer
// at all. Any other answer (an empty one, an error reply, a refusal, a log without the line or
// with the line beyond the reply) gives true with *out empty.
bool IspVersion(const BatchContext& c, const std::wstring& host, std::wstring* out) {
  std::string log, v;
  if (Request(c, host, L"/cgi-bin/cmd/system?SYSTEM_LOG", &log) == -1) return false;
  FindLineValue(log, "ISP Firmware Version ", &v);
  while (!v.empty() && (v.back() == '\r' || v.back() == ' ')) v.pop_back();
  *out = port::FromLocal8(v);
  return true;
}

}  // namespace

FirmwareProbe ProbeFirmwareDevices(const BatchSelection& rows, const BatchContext& context) {
  FirmwareProbe p;
  bool sameModel = true, sameIsp = true;
  // The devices share the ISP prefix as long as each one's is the first one's. A device that
  // answers without a full version ("ISP-F-0300-V1.01.06") is of the first generation.
  auto takeIspPrefix = [&](const std::wstring& value) {
    const std::wstring prefix = value.size() == 19 ? value.substr(0, 12) : std::wstring(L"ISP-F-0100-V");
    if (p.ispPrefix.empty()) {
      p.ispPrefix = prefix;
    } else if (prefix != p.ispPrefix) {
      sameIsp = false;
      p.ispPrefix.clear();
    }
  };
  for (const BatchRow& r : rows.rows) {
    if (context.Stopped()) break;
    const std::wstring& fw = r.firmware;
    if (NeedsMd5File(fw)) p.needsMd5 = true;
    if (HasPlatformVersionToken(fw)) p.hasPlatformToken = true;
    const std::string info = Ask(context, r.ip, L"/cgi-bin/cmd/system?SYSTEM_INFO");
    if (IsFamilyModel(fw) != 0) {
      p.hasFamilyModel = true;
      if (info.find("VEK4830") != std::string::npos) p.hasVek = true;
    }
    if (sameModel) {
      if (p.platform.empty()) p.platform = fw.substr(0, 7);
      if (fw.empty() || fw.substr(0, 7) != p.platform) {
        sameModel = sameIsp = false;
        p.platform.clear();
        p.ispPrefix.clear();
      }
    }
    if (info.find("ISP_GENERATION = C") == std::string::npos) {
      p.ispImageOffered = false;
      continue;
    }
    if (!p.ispImageOffered || !sameIsp) continue;
    std::wstring isp;
    if (IsK7W700Platform(p.platform)) {
      if (IspVersion(context, r.ip, &isp)) takeIspPrefix(isp);
    } else if (p.platform == kPlatform411) {
      if (Mid(fw, 9, 7) < L"5.04.07") {
        p.ispImageOffered = false;
      } else if (IspVersion(context, r.ip, &isp)) {
        if (!CheckFirmwareVersion(isp)) p.ispKindsOffered = true;
        takeIspPrefix(isp);
      }
    }
  }
  return p;
}

bool OffersIspImage(const FirmwareProbe& p) {
  return p.ispImageOffered && (IsK7W700Platform(p.platform) || p.platform == kPlatform411);
}

bool OffersNetworkUpgrade(const FirmwareProbe& p) { return !p.needsMd5 && !p.hasPlatformToken; }

bool ShowsIspKinds(const FirmwareProbe& p, int type) { return type != kTypeFirmwareImage && p.ispKindsOffered; }

bool ShowsChannelChoice(const FirmwareProbe& p, int type) { return type == kTypeFirmwareImage && p.hasFamilyModel; }

bool ShowsMd5File(const FirmwareProbe& p, int type) { return type == kTypeFirmwareImage && p.needsMd5; }

unsigned FileModeRefusal(const FirmwareProbe& p, int type) {
  if (type == kTypeFirmwareImage && !p.platform.empty()) return 0;
  if (type == kTypeIspImage && !p.ispPrefix.empty()) return 0;
  return p.platform.empty() ? 551 : 552;
}

std::uint32_t FirmwareKind(int type, int ispKind) {
  return static_cast<std::uint32_t>(std::max(0, type + 1 + (ispKind < 0 ? -1 : ispKind)));
}

std::wstring ExpectedFilePrefix(const FirmwareProbe& p, std::uint32_t kind, bool perChannel) {
  std::wstring expected;
  if (kind == UPGRADE_FIRMWARE)
    expected = perChannel ? std::wstring(p.hasVek ? L"K7W-W4T" : L"K7W-320") : p.platform;
  else
    expected = AdjustNameForKind(static_cast<int>(kind), p.ispPrefix);
  return NormalizeModelPrefix(expected);
}

unsigned CheckFirmwareFiles(const FirmwareProbe& p, std::uint32_t kind, bool perChannel, const std::wstring& file,
                            const std::wstring& md5File, bool md5Shown) {
  const std::wstring base = FileNameOf(file, false);
  const std::wstring expected = ExpectedFilePrefix(p, kind, perChannel);
  if (expected.empty() || base.compare(0, expected.size(), expected) != 0) return 553;
  if (md5Shown && FileNameOf(md5File, false) != base) return 553;
  return 0;
}

unsigned CheckNetworkDevices(const BatchSelection& rows) {
  for (const BatchRow& r : rows.rows) {
    bool fits = false;
    for (const wchar_t* v : {L"V6.", L"V7.", L"V8.", L"V9."}) fits = fits || r.firmware.find(v) != std::wstring::npos;
    if (!fits) return 553;
  }
  return 0;
}

std::wstring LoadFirmwareFolder(const IniDocument& doc) { return doc.Get(kSection, kPathKey); }

void SaveFirmwareFolder(IniDocument& doc, const std::wstring& folder) { doc.Set(kSection, kPathKey, folder); }

void FirmwareOperation::Prepare(const BatchSelection& rows, const BatchContext& context) {
  m_Probe = ProbeFirmwareDevices(rows, context);
}

void FirmwareOperation::Start(BatchRun& run) {
  UpgradeJob job;
  job.kind = m_Choice.mode == FirmwareMode::Network ? static_cast<std::uint32_t>(UPGRADE_NETWORK) : m_Choice.kind;
  job.perChannel = m_Choice.perChannel;
  if (m_Choice.mode == FirmwareMode::Folder) job.folder = m_Choice.folder;
  if (m_Choice.mode == FirmwareMode::File) {
    job.filePath = m_Choice.filePath;
    job.secondFilePath = m_Choice.md5Path;
  }
  if (m_Choice.mode != FirmwareMode::Network) {
    StartUpgradeJobs(run, job);
    return;
  }
  const std::vector<std::wstring> chosen = m_Choice.networkAddresses;
  StartUpgradeJobs(run, job, [chosen](const BatchRow& r) {
    return std::find(chosen.begin(), chosen.end(), r.ip) != chosen.end();
  });
}
