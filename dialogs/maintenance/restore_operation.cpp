#include "dialogs/maintenance/restore_operation.h"

#include <vector>

#include "app/batch/upgrade_batch.h"
#include "device/config_file.h"
#include "device/model_tests.h"
#include "device/upgrade_job.h"

namespace {

constexpr int kInfoReplySize = 2048;
constexpr std::int64_t kInfoTimeoutMs = 90000;
const wchar_t kProfileQuery[] = L"/cgi-bin/cmd/system?CHANNEL=1&SYSTEM_INFO";
const wchar_t kSection[] = L"RS_DATA";
const wchar_t kPathKey[] = L"Path";
const wchar_t kChannelModel[] = L"K7W-320";
const char kVekModel[] = "K7W-W4T";

}  // namespace

RestorePrep PrepareRestore(const BatchSelection& rows, const BatchContext& context) {
  RestorePrep p;
  bool modelsAgree = true, firstProfile = true, profilesDiffer = false;
  for (const BatchRow& r : rows.rows) {
    if (context.Stopped()) break;
    const std::wstring& fw = r.firmware;
    if (IsFamilyModel(fw) != 0) p.multiChannel = true;
    if (HasPlatformVersionToken(fw)) p.platformToken = true;
    if (modelsAgree) {
      if (p.modelCode.empty()) p.modelCode = fw.substr(0, 7);
      if (fw.empty() || fw.substr(0, 7) != p.modelCode) {
        modelsAgree = false;
        p.modelCode.clear();
      }
    }
    if (!p.profileKnown) continue;
    std::vector<char> reply(kInfoReplySize, '\0');
    const int n = context.GetCgi(r.ip, kProfileQuery, reply.data(), kInfoReplySize, kInfoTimeoutMs, false);
    const std::string id = n > 0 ? ProfileIdOf(reply.data()) : std::string();
    if (id.empty()) {
      p.profileKnown = false;
      p.profileId.clear();
    } else if (firstProfile) {
      p.profileId = id;
    } else if (profilesDiffer || id != p.profileId) {
      profilesDiffer = true;
      p.profileId.clear();
    }
    firstProfile = false;
  }
  return p;
}

unsigned SingleFileRefusal(const RestorePrep& p) {
  if (p.modelCode.empty() || (p.profileKnown && p.profileId.empty())) return 551;
  return 0;
}

unsigned CheckRestoreHeader(const RestorePrep& p, bool channels, const std::string& line) {
  if (p.platformToken) return 0;
  std::string model, profile;
  if (!ParseIniHeader(line, &model, &profile)) return kRestoreFileWrongType;
  if (!channels && p.modelCode.empty()) return kRestoreFileWrongType;
  const std::wstring expectedModel = channels ? std::wstring(kChannelModel) : p.modelCode;
  // The model and Profile ID as a backup of these devices would have written them.
  std::string wrote, expectedProfile;
  ParseIniHeader(BuildIniHeader(expectedModel, 0, p.profileId), &wrote, &expectedProfile);
  // Another model's configuration is never sent; the Profile ID only when one is known.
  if (model != wrote) return kRestoreFileWrongType;
  if (p.profileId.empty()) return 0;
  if (model != kVekModel && profile != expectedProfile) return kRestoreFileWrongType;
  return 0;
}

unsigned CheckRestoreFile(const RestorePrep& p, bool channels, const std::wstring& file) {
  std::string line;
  if (file.empty() || !ReadFirstLine(file, &line)) return kRestoreFileUnreadable;
  return CheckRestoreHeader(p, channels, line);
}

std::wstring LoadRestorePath(const IniDocument& doc) { return doc.Get(kSection, kPathKey); }

void SaveRestorePath(IniDocument& doc, const std::wstring& path) { doc.Set(kSection, kPathKey, path); }

void RestoreOperation::Prepare(const BatchSelection& rows, const BatchContext& context) {
  m_Prep = PrepareRestore(rows, context);
}

void RestoreOperation::Start(BatchRun& run) {
  UpgradeJob job;
  job.kind = UPGRADE_CONFIG_SET;
  job.perChannel = m_Choice.channels;
  if (m_Choice.singleFile)
    job.filePath = m_Choice.path;
  else
    job.folder = m_Choice.path;
  StartUpgradeJobs(run, job);
}
