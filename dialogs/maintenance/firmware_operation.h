// Firmware upgrade (CMD_FIRMWARE_UPGRADE): what the firmware dialog learns from the checked
// devices before it opens, the rules by which it offers file types and modes and checks the
// chosen files, and the operation that hands the devices to the upgrade engine.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "app/batch/batch_operation.h"
#include "app/settings_file/settings_file.h"

struct FirmwareProbe {
  bool hasVek = false;            // a family-model device reports "VEK4830"
  bool ispImageOffered = true;    // every device reports "ISP_GENERATION = C" (K7W-411: 5.04.07 on)
  bool hasFamilyModel = false;    // a device's firmware text starts with a family prefix
  bool needsMd5 = false;          // a device takes the image's ".md5" companion
  bool ispKindsOffered = false;   // a K7W-411 device whose ISP firmware needs the ISP sub-types
  bool hasPlatformToken = false;  // a device's firmware text carries the platform version token
  std::wstring platform;          // the first 7 characters all firmware texts share, else empty
  std::wstring ispPrefix;         // the 12-character ISP prefix all devices share, else empty
};

// Asks each checked device for its system information (and its ISP version where that
// matters) with the user's login. A device that does not answer counts as lacking
// "ISP_GENERATION = C" and "VEK4830" and leaves the ISP prefix as it was.
FirmwareProbe ProbeFirmwareDevices(const BatchSelection& rows, const BatchContext& context);

// Items of the upload file type list.
enum FirmwareFileType { kTypeFirmwareImage = 0, kTypeIspImage = 1 };
// Items of the ISP file type list, in order.
constexpr int kIspKindCount = 3;  // "ISP Firmware", "ISP Resource", "ISP Hardware"

enum class FirmwareMode { Folder, File, Network };

// Whether the type list offers "ISP Image".
bool OffersIspImage(const FirmwareProbe& probe);
// Whether the network upgrade is offered.
bool OffersNetworkUpgrade(const FirmwareProbe& probe);
// Whether the ISP file type list is shown for the chosen type.
bool ShowsIspKinds(const FirmwareProbe& probe, int type);
// Whether the one-channel / all-channels choice is shown for the chosen type.
bool ShowsChannelChoice(const FirmwareProbe& probe, int type);
// Whether one file for all devices needs its MD5 file too.
bool ShowsMd5File(const FirmwareProbe& probe, int type);
// 0 when one file for all devices may be chosen for the type; else the message: 551 when the
// devices are of different platforms, 552 when their ISP platforms differ.
unsigned FileModeRefusal(const FirmwareProbe& probe, int type);

// The upgrade kind of the chosen type and ISP file type (-1 when that list is hidden).
std::uint32_t FirmwareKind(int type, int ispKind);
// The start every chosen file's name must have (empty: the devices share none).
std::wstring ExpectedFilePrefix(const FirmwareProbe& probe, std::uint32_t kind, bool perChannel);
// One file for all devices: 0, or 553 when the file's name does not begin with the expected
// start, or when the MD5 file is asked for and its name is not the image's.
unsigned CheckFirmwareFiles(const FirmwareProbe& probe, std::uint32_t kind, bool perChannel,
                            const std::wstring& file, const std::wstring& md5File, bool md5Shown);
// The network upgrade: 0, or 553 when a device's firmware text has none of "V6." to "V9.".
unsigned CheckNetworkDevices(const BatchSelection& rows);

// What the dialog hands the operation on OK.
struct FirmwareChoice {
  FirmwareMode mode = FirmwareMode::Folder;
  std::uint32_t kind = 0;
  bool perChannel = false;
  std::wstring folder;                        // folder mode
  std::wstring filePath, md5Path;             // file mode
  std::vector<std::wstring> networkAddresses; // network mode: the devices the check centre chose
};

// The remembered folder, [FW_DATA] Path.
std::wstring LoadFirmwareFolder(const IniDocument& doc);
void SaveFirmwareFolder(IniDocument& doc, const std::wstring& folder);

class FirmwareOperation : public BatchOperation {
 public:
  static constexpr unsigned kUpgradeWait = 559;

  bool HasPreparation() const override { return true; }
  void Prepare(const BatchSelection& rows, const BatchContext& context) override;
  unsigned WaitTextId() const override { return kUpgradeWait; }
  // One job per checked device (in network mode only the devices the check centre chose).
  void Start(BatchRun& run) override;

  const FirmwareProbe& Probe() const { return m_Probe; }
  void SetChoice(const FirmwareChoice& choice) { m_Choice = choice; }

 protected:
  FirmwareProbe m_Probe;
  FirmwareChoice m_Choice;
};
