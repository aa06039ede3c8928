// Configuration restore (CMD_RESTORE): what the restore dialog learns from the checked devices
// before it opens, its checks of a single restore file, and the operation that hands the
// devices to the upgrade engine with their configuration.
#pragma once
#include <string>

#include "app/batch/batch_operation.h"
#include "app/settings_file/settings_file.h"

struct RestorePrep {
  bool multiChannel = false;    // a checked device has channels
  bool platformToken = false;   // a checked device's firmware carries the platform version token
  std::wstring modelCode;       // the first 7 characters all firmware texts share, else empty
  bool profileKnown = true;     // every device asked so far told its Profile ID
  std::string profileId;        // the Profile ID the devices share; empty when none is known
};

// Reads the firmware texts of the checked devices and asks each for its Profile ID with the
// user's login. When a device tells none, no identity is known (profileKnown false) and the
// later devices are not asked; devices that tell different ones share none (profileId empty
// while profileKnown stays true).
RestorePrep PrepareRestore(const BatchSelection& rows, const BatchContext& context);

// 0 when one file may be restored to all devices; 551 when the devices differ in model, or
// in Profile ID.
unsigned SingleFileRefusal(const RestorePrep& prep);

// The check of one file for all devices: 0 when it may be sent, 523 when it cannot be read,
// 553 when its "#INFO" line does not parse or does not fit the devices (model "K7W-320" for
// the channels' configurations, else the devices' model code, and their Profile ID). With the
// platform flag the file is a .bin backup, which has no header, and is taken as it is. The
// model is always checked; the Profile ID only when the devices told one.
unsigned CheckRestoreFile(const RestorePrep& prep, bool channels, const std::wstring& file);
// The same check of a file's first line (CheckRestoreFile after reading it).
unsigned CheckRestoreHeader(const RestorePrep& prep, bool channels, const std::string& line);

// The remembered path, [RS_DATA] Path.
std::wstring LoadRestorePath(const IniDocument& doc);
void SaveRestorePath(IniDocument& doc, const std::wstring& path);

struct RestoreChoice {
  bool singleFile = false;  // one file for all devices, else each device's own in a folder
  bool channels = false;    // the channels' configurations, else the device's own
  std::wstring path;        // the folder or the file
};

class RestoreOperation : public BatchOperation {
 public:
  bool HasPreparation() const override { return true; }
  void Prepare(const BatchSelection& rows, const BatchContext& context) override;
  void Start(BatchRun& run) override;

  const RestorePrep& Prep() const { return m_Prep; }
  void SetChoice(const RestoreChoice& choice) { m_Choice = choice; }

 protected:
  RestorePrep m_Prep;
  RestoreChoice m_Choice;
};
