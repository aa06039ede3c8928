// Configuration backups and the restore's checks: a device with the firmware text, Profile ID
// answer and configuration the input gives is backed up, and its own file must pass the check
// of a restore to that same device; any file's first line is checked as the restore reads it.
//   input: flags byte, firmware text NUL, SYSTEM_INFO answer NUL, CONFIG_GET answer NUL,
//          the bytes of another file
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/batch/config_backup.h"
#include "device/config_file.h"
#include "device/model_tests.h"
#include "dialogs/maintenance/restore_operation.h"
#include "tests/fuzz/fuzz_batch.h"
#include "tests/fuzz/fuzz_input.h"

namespace fs = std::filesystem;

namespace {

// One device that answers SYSTEM_INFO and CONFIG_GET with the input's bytes.
class OneDevice : public DeviceRequests {
 public:
  std::string sysinfo, config;
  int GetCgi(const std::wstring&, const std::wstring& path, char* reply, int size, int, bool, bool acceptError) override {
    const std::string& body = path.find(L"CONFIG_GET") != std::wstring::npos ? config : sysinfo;
    if (body.empty() || size <= 0) return -1;
    const std::size_t n = body.size() < static_cast<std::size_t>(size) - 1 ? body.size() : static_cast<std::size_t>(size) - 1;
    std::memcpy(reply, body.data(), n);
    reply[n] = '\0';
    if (!acceptError && std::string(reply, n).find("ERROR") != std::string::npos) return -2;
    return static_cast<int>(n);
  }
  unsigned GetDeviceInfo(int, const std::wstring&, DeviceRecord&) override { return 0; }
};

std::string ReadAll(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

// The first line as the restore reads it: up to its line feed, at most kIniHeaderMax bytes.
std::string FirstLine(const std::string& bytes) {
  const std::size_t feed = bytes.find('\n');
  const std::size_t n = feed == std::string::npos ? bytes.size() : feed + 1;
  return bytes.substr(0, n < kIniHeaderMax ? n : kIniHeaderMax);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  const unsigned flags = in.Byte();
  const std::wstring firmware = fuzz::Wide(in.Part());
  OneDevice device;
  // The restore asks for the Profile ID with a 2048-byte buffer, the backup with a larger one:
  // an answer the restore reads whole, so that both see the same line.
  device.sysinfo = in.Part().substr(0, 2047);
  device.config = in.Part();
  const std::string other = in.Rest();

  BatchRow row;
  row.row = 1;
  row.ip = L"10.0.0.1";
  row.mac = L"00:0F:7C:00:00:01";
  row.firmware = firmware;
  for (unsigned c = 1; c <= (flags & 3u); ++c) row.channels.emplace_back(1 + c, std::to_wstring(c) + L" - 10.0.0.1");
  BatchSelection selection;
  selection.rows.push_back(row);

  fuzz::Batch batch(device);
  const BatchContext& context = batch.context;
  const fuzz::Statuses& report = batch.report;

  static const fuzz::ScratchFolder scratch("config");
  const fs::path& folder = scratch.Path();
  const std::wstring folderText = folder.wstring() + L"/";
  const std::vector<BackupEntry> entries = BackupEntries(selection);
  FUZZ_CHECK(entries.size() == row.channels.size() + 1);
  RunBackup(context, entries, folderText, L"20261208");
  FUZZ_CHECK(report.seen.size() == entries.size());

  const bool binary = IsBinaryBackup(firmware);
  const RestorePrep prep = PrepareRestore(selection, context);
  const bool singleFile = SingleFileRefusal(prep) == 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const BackupEntry& e = entries[i];
    FUZZ_CHECK(report.seen[i].first == e.row);
    const std::wstring path = BackupFileName(folderText, e.mac, e.channel, L"20261208", binary);
    if (report.seen[i].second != kBackupOk) {
      FUZZ_CHECK(report.seen[i].second == kBackupFailed && !fs::exists(path));
      continue;
    }
    const std::string bytes = ReadAll(path);
    if (binary) {
      FUZZ_CHECK(bytes == device.config);
      continue;
    }
    // One header line of printable ASCII, then the device's bytes as they came.
    const std::string header = FirstLine(bytes);
    FUZZ_CHECK(!header.empty() && header.back() == '\n' && header.size() <= kIniHeaderMax);
    FUZZ_CHECK(bytes.compare(header.size(), std::string::npos, device.config) == 0);
    for (std::size_t k = 0; k + 1 < header.size(); ++k)
      FUZZ_CHECK(header[k] > 0x20 && header[k] < 0x7F);
    // Read back as written.
    std::string model, profile;
    FUZZ_CHECK(ParseIniHeader(header, &model, &profile));
    FUZZ_CHECK("#INFO," + model + "," + profile + "\n" == header);
    FUZZ_CHECK(CheckRestoreFileForm(path) == 0);
    // The device's own file passes the check of a single-file restore to it: its channels'
    // files with the channels chosen, its own file otherwise.
    const bool channels = e.channel != 0 && IsFamilyModel(firmware) != 0;
    if (singleFile) FUZZ_CHECK(CheckRestoreFile(prep, channels, path) == 0);
  }

  // Any other file: the check reads its first line, and takes only a header of the devices'
  // model (or any file for devices whose backups carry no header).
  const std::wstring otherPath = folderText + L"other.ini";
  { std::ofstream(fs::path(otherPath), std::ios::binary) << other; }
  for (bool channels : {false, true}) {
    const unsigned verdict = CheckRestoreFile(prep, channels, otherPath);
    FUZZ_CHECK(verdict == CheckRestoreHeader(prep, channels, FirstLine(other)));
    FUZZ_CHECK(verdict == 0 || verdict == kRestoreFileWrongType);
    if (verdict != 0 || prep.platformToken) continue;
    std::string model, profile, expected, unused;
    FUZZ_CHECK(ParseIniHeader(FirstLine(other), &model, &profile));
    ParseIniHeader(BuildIniHeader(channels ? std::wstring(L"K7W-320") : prep.modelCode, 0, ""), &expected, &unused);
    FUZZ_CHECK(model == expected);
  }
  std::error_code ec;
  for (const auto& f : fs::directory_iterator(folder, ec)) fs::remove(f.path(), ec);
  return 0;
}
