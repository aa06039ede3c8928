// The range scan's view of one address: what it takes for a device from the answers to its
// two requests, what it reports, and what it keeps and writes into its dated device file.
//   input: flags byte (bit 0: the information query fails, bits 1-6: the port, bit 7: scan
//          an address that is no device too), first answer NUL, second answer NUL, MAC text NUL,
//          firmware text
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "app/device_list/device_list.h"
#include "app/device_list/manual_devices.h"
#include "app/range_scan/range_scan.h"
#include "device/device_info.h"
#include "device/http_port_map.h"
#include "device/model_tests.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

// The three words of a request, anywhere in what the scan reads of its answer.
bool HoldsWords(const std::string& answer, ScanRequest request) {
  static const char* const kWords[2][3] = {{"Firmware Version", "Production ID", "Company Name"},
                                           {"Firmware", "ProductID", "CompanyName"}};
  const std::string read = answer.substr(0, kScanReplySize - 1);
  for (const char* w : kWords[request == ScanRequest::First ? 0 : 1])
    if (read.find(w) == std::string::npos) return false;
  return !read.empty();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  const unsigned flags = in.Byte();
  const std::string answers[2] = {in.Part(), in.Part()};
  const std::wstring mac = fuzz::Wide(in.Part());
  const std::wstring firmware = fuzz::Wide(in.Rest());
  const unsigned info = flags & 1u ? INFO_NO_ANSWER : 0u;  // the information query fails
  const int port = 1 + static_cast<int>((flags >> 1) & 63u) * 1031;

  g_ManualMacMap.Clear();
  g_ManualHttpMap.Clear();
  g_HttpPortMap.Clear();
  g_RecorderIps.Clear();

  std::mutex lock;
  std::vector<std::pair<DeviceRecord, unsigned long>> reports;
  std::vector<std::map<std::wstring, std::wstring>> saved;
  RangeScanHooks h;
  h.get = [&](const std::wstring&, int, const std::wstring& path, char* reply, int replySize, int, int) {
    const std::string& body = answers[path == kScanFirstRequest ? 0 : 1];
    if (body.empty()) return -1;
    const std::size_t n = body.size() < static_cast<std::size_t>(replySize) ? body.size() : static_cast<std::size_t>(replySize);
    std::memcpy(reply, body.data(), n);
    return static_cast<int>(n);
  };
  h.query = [&](int channel, const std::wstring& ip, DeviceRecord& r) -> unsigned {
    r[SLOT_IP] = ip;
    if (info != 0) return info;
    if (channel <= 0) r[SLOT_MAC] = mac;
    r[SLOT_FIRMWARE] = firmware;
    return 0;
  };
  h.report = [&](const DeviceRecord& r, unsigned long lParam) {
    std::lock_guard<std::mutex> l(lock);
    reports.emplace_back(r, lParam);
  };
  h.save = [&](const std::map<std::wstring, std::wstring>& m) {
    std::lock_guard<std::mutex> l(lock);
    saved.push_back(m);
  };
  std::condition_variable closed;
  bool boxClosed = false;
  h.closeBox = [&] {
    std::lock_guard<std::mutex> l(lock);
    boxClosed = true;
    closed.notify_all();
  };

  const bool first = HoldsWords(answers[0], ScanRequest::First);
  const bool second = !first && HoldsWords(answers[1], ScanRequest::Second);
  for (int r = 0; r < 2; ++r) {
    const ScanRequest request = r == 0 ? ScanRequest::First : ScanRequest::Second;
    const int read = static_cast<int>(std::min<std::size_t>(answers[r].size(), kScanReplySize - 1));
    FUZZ_CHECK(IsDeviceAnswer(request, answers[r].data(), read) == HoldsWords(answers[r], request));
  }
  const bool device = first || second;
  // A whole scan costs a few threads: it runs for every device, and for the addresses that are
  // none when the input asks for it.
  if (!device && !(flags & 0x80u)) return 0;

  ScanZone zone;
  FUZZ_CHECK(MakeScanZone(L"10.0.0.7", L"10.0.0.7", std::to_wstring(port), &zone));
  {
    RangeScan scan({zone}, h, ScanTexts());
    FUZZ_CHECK(scan.Start());
    std::unique_lock<std::mutex> l(lock);
    // One address never takes this long.
    FUZZ_CHECK(closed.wait_for(l, std::chrono::seconds(5), [&] { return boxClosed; }));
  }
  FUZZ_CHECK(saved.size() == 1);
  FUZZ_CHECK(g_RecorderIps.Contains(L"10.0.0.7") == second);
  FUZZ_CHECK(GetManualHttpPort(L"10.0.0.7") == (device ? port : 0));
  // The device and each channel that answered; nothing for an address that is none.
  const std::size_t channels = info == 0 ? static_cast<std::size_t>(IsFamilyModel(firmware)) : 0u;
  FUZZ_CHECK(reports.size() == (device ? 1 + channels : 0u));
  if (device) FUZZ_CHECK(reports[0].second == (FOUND_BY_SCAN | (info == 0 ? kScanFoundId : (info | kScanInfoFailedId))));

  // Kept only with a MAC address, and written so that it reads back as that one device.
  const std::wstring kept = info == 0 ? MacAddressOf(mac) : std::wstring();
  std::map<std::wstring, std::wstring> expected;
  if (device && !kept.empty()) expected[L"10.0.0.7"] = kept;
  FUZZ_CHECK(saved[0] == expected);
  const std::vector<ManualDevice> back = ParseManualDevices(FormatManualDevices(saved[0], GetManualHttpPort));
  FUZZ_CHECK(back.size() == expected.size());
  if (!back.empty()) FUZZ_CHECK(back[0].ip == L"10.0.0.7" && back[0].mac == kept && back[0].port == port);
  return 0;
}
