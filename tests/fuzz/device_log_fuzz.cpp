// The device log: the verdict on a device's answer to GET_BLACKBOX_MSG, and the file that an
// answer becomes (in its folder, under the device's serial number, holding the answer's bytes).
//   input: result byte, buffer size byte, serial number NUL, the answer
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/batch/device_log.h"
#include "device/config_file.h"
#include "port/text.h"
#include "tests/fuzz/fuzz_batch.h"
#include "tests/fuzz/fuzz_input.h"

namespace fs = std::filesystem;

namespace {

class LogDevice : public DeviceRequests {
 public:
  std::string answer;
  int result = 1;  // > 0: the answer; else this failure, with the answer in the buffer
  int GetCgi(const std::wstring&, const std::wstring&, char* reply, int size, int, bool, bool) override {
    const std::size_t n = answer.size() < static_cast<std::size_t>(size) - 1 ? answer.size() : static_cast<std::size_t>(size) - 1;
    std::memcpy(reply, answer.data(), n);
    reply[n] = '\0';
    if (result <= 0) return result;
    return n > 0 ? static_cast<int>(n) : -1;
  }
  unsigned GetDeviceInfo(int, const std::wstring&, DeviceRecord&) override { return 0; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  static const int kResults[] = {1, -1, -2, -3};
  LogDevice device;
  device.result = kResults[in.Byte() % 4];
  const std::size_t bufferSize = 1 + in.Byte() * 16;
  const std::wstring serial = fuzz::Wide(in.Part());
  device.answer = in.Rest();

  std::vector<char> buffer(bufferSize);
  const int n = device.GetCgi(L"", L"", buffer.data(), static_cast<int>(bufferSize), 0, false, true);
  // The verdict, as the device's words and the result say.
  const bool unknown = std::strstr(buffer.data(), "GET_BLACKBOX_MSG not found") != nullptr;
  const int verdict = DeviceLogVerdict(n, buffer.data());
  FUZZ_CHECK(verdict == (unknown ? kLogUnknownCommand : n > 0 ? kLogSaved : n == -3 ? kLogLoginRefused : kLogNoAnswer));

  fuzz::Batch batch(device);
  const BatchContext& context = batch.context;
  const fuzz::Statuses& report = batch.report;
  BatchRow row;
  row.row = 1;
  row.ip = L"10.0.0.1";
  row.serial = serial;
  static const fuzz::ScratchFolder scratch("log");
  const fs::path& folder = scratch.Path();
  CollectDeviceLogs(context, {row}, folder.wstring() + L"/", buffer.data(), bufferSize);
  FUZZ_CHECK(report.seen.size() == 1);
  const int status = report.seen[0].second;
  FUZZ_CHECK(status == verdict || (verdict == kLogSaved && status == kLogNotSaved));

  // A saved log is one new file in the folder, named after the serial number, holding the
  // answer's bytes; nothing else is ever written.
  std::vector<fs::path> files;
  std::error_code ec;
  for (const auto& f : fs::directory_iterator(folder, ec)) files.push_back(f.path());
  FUZZ_CHECK(files.size() == (status == kLogSaved ? 1u : 0u));
  if (!files.empty()) {
    const std::string name = files[0].filename().string();
    const std::string prefix = port::ToLocal8(SafeFileNamePart(serial) + L"_");  // as the file was named
    FUZZ_CHECK(name.compare(0, prefix.size(), prefix) == 0);
    FUZZ_CHECK(name.size() > 13 && name.compare(name.size() - 13, 13, "_BlackBox.txt") == 0);
    std::ifstream f(files[0], std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    FUZZ_CHECK(bytes == std::string(buffer.data(), static_cast<std::size_t>(n)));
    fs::remove(files[0], ec);
  }
  return 0;
}
