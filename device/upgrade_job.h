// The records of one upgrade or restore job and the ids its workers report.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The job's kind; selects the update key of the update path.
enum UpgradeKind : std::uint32_t {
  UPGRADE_FIRMWARE = 0,        // firmware image ".upg" and its ".md5"
  UPGRADE_ISP_IMAGE = 1,       // ISP image ".bin"
  UPGRADE_ISP_FIRMWARE = 2,    // ISP firmware ".bin"
  UPGRADE_ISP_DEV = 3,         // ISP device resource ".bin"
  UPGRADE_ISP_HARDWARE = 4,    // ISP hardware ".bin"
  UPGRADE_CONFIG_SET = 5,      // configuration restore file
  UPGRADE_CONFIG_GET = 6,      // configuration backup (not an engine job)
  UPGRADE_BOOTLOADER = 8,      // boot-loader firmware
  UPGRADE_NETWORK = 9          // no file: the device fetches its firmware itself
};

// Result ids of the string table reported by the upgrade path.
enum UpgradeResult : int {
  RESULT_SUCCESS = 508,
  RESULT_UPGRADING = 518,
  RESULT_REBOOTING = 519,
  RESULT_UPLOADING = 520,
  RESULT_RULE_CONFLICT = 521,
  RESULT_NO_UPGRADE_FILE = 522,
  RESULT_NO_CONFIG_FILE = 523,
  RESULT_CONNECTION_FAIL = 524,
  RESULT_UPLOAD_FAIL = 525,
  RESULT_TIMEOUT = 526,
  RESULT_UPGRADE_FAIL = 527
};

// Where a worker reports to (the main window, or a dialog). Every call passes copies;
// nothing handed over points into the engine's own state.
// The grid row key a job reports to: the row's tree item handle, so pointer-sized.
using UpgradeRow = std::uintptr_t;

class UpgradeEvents {
 public:
  virtual ~UpgradeEvents() = default;
  // The status cell of a row (WM_DEVICE_STATUS).
  virtual void OnDeviceStatus(UpgradeRow row, int resultId) = 0;
  // The address a device came back with after its reboot (WM_DEVICE_ADDRESS).
  virtual void OnDeviceAddress(UpgradeRow row, std::wstring ip) = 0;
  // The firmware version it reports now (WM_DEVICE_FIRMWARE).
  virtual void OnDeviceFirmware(UpgradeRow row, std::wstring firmware) = 0;
};

class FirmwareUpgrader;

struct UpgradeChannel {
  std::int32_t channel = 0;  // 0 for a device without channels
  UpgradeRow row = 0;        // grid row key of that channel's row
};

struct UpgradeJob {
  UpgradeRow row = 0;
  bool perChannel = false;
  std::uint32_t kind = UPGRADE_FIRMWARE;
  FirmwareUpgrader* upgrader = nullptr;
  UpgradeEvents* owner = nullptr;
  std::wstring ip;
  std::wstring filePath;
  std::wstring secondFilePath;
  std::wstring mac;
  std::wstring firmware;
  std::wstring folder;
  std::vector<UpgradeChannel> channels;
  std::uint16_t defaultAddressRetries = 0;
};

// The form of a device's upgrade page, as 8-bit texts.
struct UpgradeForm {
  std::string postPath;
  std::string fileField;
  std::string secondFileField;
  std::string submitName;
};

// The address a device falls back to after a reboot that lost its settings.
constexpr const wchar_t* kDeviceDefaultAddress = L"192.168.0.100";
