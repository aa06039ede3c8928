#include "dialogs/backup_operation.h"

#include "app/config_backup.h"
#include "device/config_file.h"
#include "device/helpers.h"

unsigned CheckBackupFolder(const std::wstring& folder) { return folder.empty() ? 547 : 0; }

void BackupOperation::Start(BatchRun& run) {
  const std::vector<BackupEntry> entries = BackupEntries(run.Selection());
  const std::wstring date = BackupDateText(LocalNow());
  const std::wstring folder = m_Folder;
  if (!run.StartWorker([entries, folder, date](const BatchContext& c) { RunBackup(c, entries, folder, date); }))
    for (const BackupEntry& e : entries) run.Context().Status(e.row, kBackupFailed);
}
