// Configuration backup (CMD_BACKUP): the backup dialog's one check and the operation that
// starts the backup worker (app/batch/config_backup.h) for the chosen folder.
#pragma once
#include <string>

#include "app/batch/batch_operation.h"

// 0 when a folder was chosen and a file can be made in it, else 547 "Please select folder"
// (none chosen, or one that is gone or cannot be written: a removed drive, a read-only share).
unsigned CheckBackupFolder(const std::wstring& folder);

class BackupOperation : public BatchOperation {
 public:
  // One thread walks every entry; the files carry the date of the command's start.
  void Start(BatchRun& run) override;
  void SetFolder(const std::wstring& folder) { m_Folder = folder; }

 protected:
  std::wstring m_Folder;
};
