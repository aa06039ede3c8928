#include "dialogs/maintenance/backup_operation.h"

#include <cstdio>

#include "app/batch/config_backup.h"
#include "device/config_file.h"
#include "device/helpers.h"
#include "port/exe_file.h"

namespace {

// True when a new file can be made in the folder: one is made there and removed again.
bool CanWriteIn(const std::wstring& folder) {
  const std::wstring base = FolderWithSeparator(folder) + L"~Dorvik write check ";
  for (int i = 0; i < 100; ++i) {
    const std::wstring probe = base + std::to_wstring(i) + L".tmp";
    if (std::FILE* f = port::OpenFile(probe, L"rb")) {  // never touch a file that is there
      std::fclose(f);
      continue;
    }
    std::FILE* f = port::OpenFile(probe, L"wb");
    if (!f) return false;
    std::fclose(f);
    port::RemoveFile(probe);
    return true;
  }
  return false;
}

}  // namespace

unsigned CheckBackupFolder(const std::wstring& folder) { return folder.empty() || !CanWriteIn(folder) ? 547 : 0; }

void BackupOperation::Start(BatchRun& run) {
  const std::vector<BackupEntry> entries = BackupEntries(run.Selection());
  const std::wstring date = BackupDateText(LocalNow());
  const std::wstring folder = m_Folder;
  if (!run.StartWorker([entries, folder, date](const BatchContext& c) { RunBackup(c, entries, folder, date); }))
    for (const BackupEntry& e : entries) run.Context().Status(e.row, kBackupFailed);
}
