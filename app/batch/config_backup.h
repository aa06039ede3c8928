// The configuration backup worker: one thread walks every backup entry of the checked devices
// (each channel of a multi-channel device, then the device itself) and saves what the device
// returns to CONFIG_GET as one file in the chosen folder (device/config_file.h for the names
// and the .ini header).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/batch/batch_operation.h"

struct BackupEntry {
  RowHandle row = 0;     // the row that shows the entry's status
  int channel = 0;       // 0: a multi-channel device itself; 1 for a device without channels
  std::wstring host;     // the device's address
  std::wstring mac;      // the device's MAC text
  std::wstring firmware; // the device's firmware text
};

// The entries of the checked devices in grid order: for each device its channel rows (with
// the numbers they show), then the device itself with channel 0 when it has channel rows or
// its firmware text is a multi-channel one, else channel 1.
std::vector<BackupEntry> BackupEntries(const BatchSelection& selection);

constexpr int kBackupOk = 508;
constexpr int kBackupFailed = 513;
constexpr std::size_t kBackupReplySize = 51200;
// A configuration longer than this is refused rather than saved cut.
constexpr std::size_t kBackupReplyLimit = 16u * 1024 * 1024;
constexpr std::int64_t kBackupTimeoutMs = 90000;

// Backs up every entry in turn; `date` ("YYYYMMDD") names the files. An entry's file is written
// only when the device's whole configuration came back, and takes the place of an older file
// of the same name in one step, so a failed entry leaves that file as it was. Each entry
// reports 508, or 513 when the device gave no configuration, the file could not be written, or
// an earlier entry of this backup already wrote a file of that name (devices without a MAC
// text; such an entry is not asked). A stopped batch reports nothing more.
void RunBackup(const BatchContext& context, const std::vector<BackupEntry>& entries, const std::wstring& folder,
               const std::wstring& date);
