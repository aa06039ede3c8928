#include "device/firmware_upgrader.h"

#include <algorithm>

#include "device/cgi_urls.h"
#include "device/config_file.h"
#include "device/device_searcher.h"
#include "device/model_tests.h"
#include "device/multipart_upload.h"
#include "device/upgrade_files.h"
#include "device/upgrade_rules.h"
#include "port/stop_scope.h"

FirmwareUpgrader* g_pFirmwareUpgrader = nullptr;

namespace {

class SearcherRediscovery : public UpgradeRediscovery {
 public:
  void SearchAgain() override {
    DeviceSearcher* s = g_pDeviceSearcher;
    if (!s) return;
    s->CloseSockets();
    s->Search(s->LocalAddress());
  }
};

bool IsIspVersionKind(std::uint32_t kind) {
  return kind == UPGRADE_ISP_FIRMWARE || kind == UPGRADE_ISP_DEV || kind == UPGRADE_ISP_HARDWARE;
}

}  // namespace

UpgradeClock& RealUpgradeClock() {
  static UpgradeClock clock;
  return clock;
}

FirmwareUpgrader::FirmwareUpgrader(UpgradeIo* io, UpgradeRediscovery* rediscovery, UpgradeClock* clock)
    : m_ownRediscovery(rediscovery ? nullptr : std::make_unique<SearcherRediscovery>()),
      m_io(io ? *io : DefaultUpgradeIo()),
      m_rediscovery(rediscovery ? *rediscovery : *m_ownRediscovery),
      m_clock(clock ? *clock : RealUpgradeClock()) {}

FirmwareUpgrader::~FirmwareUpgrader() { Stop(); }

void FirmwareUpgrader::Stop() {
  {
    std::lock_guard<std::mutex> l(m_lock);
    m_stopping = true;
    m_stopFlag = true;
    m_wake.notify_all();
  }
  std::lock_guard<std::mutex> t(m_threadsLock);
  for (auto* list : {&m_workers, &m_retired})
    for (Worker& w : *list)
      if (w.thread.joinable()) w.thread.join();
  m_workers.clear();
  m_retired.clear();
  for (auto& s : m_searchThreads)
    if (s.joinable()) s.join();
  m_searchThreads.clear();
}

void FirmwareUpgrader::StopBatch() {
  std::lock_guard<std::mutex> l(m_lock);
  m_batchStopped = true;
  m_stopFlag = true;
  m_wake.notify_all();
}

void FirmwareUpgrader::JoinFinishedWorkers(bool all) {
  // Needs m_threadsLock.
  for (Worker& w : m_workers) m_retired.push_back(std::move(w));
  m_workers.clear();
  auto it = m_retired.begin();
  while (it != m_retired.end()) {
    if (all || it->done->load()) {
      if (it->thread.joinable()) it->thread.join();
      it = m_retired.erase(it);
    } else {
      ++it;
    }
  }
}

void FirmwareUpgrader::BeginBatch() {
  std::uint64_t batch;
  {
    std::lock_guard<std::mutex> l(m_lock);
    if (m_stopping) return;
    m_batchStopped = false;
    m_stopFlag = false;
    m_running = true;
    m_finishedJobs = 0;
    batch = ++m_batch;
    m_wake.notify_all();  // a re-search thread of an earlier batch ends now
  }
  std::lock_guard<std::mutex> t(m_threadsLock);
  JoinFinishedWorkers(false);
  for (auto& s : m_searchThreads)
    if (s.joinable()) s.join();
  m_searchThreads.clear();
  m_searchThreads.emplace_back(&FirmwareUpgrader::SearchAgainLoop, this, batch);
}

void FirmwareUpgrader::StartDevice(const UpgradeJob& job) {
  auto copy = std::make_unique<UpgradeJob>(job);
  copy->upgrader = this;
  auto done = std::make_shared<std::atomic<bool>>(false);
  std::lock_guard<std::mutex> t(m_threadsLock);
  if (m_stopFlag) return;
  Worker w;
  w.done = done;
  w.thread = std::thread([this, done](std::unique_ptr<UpgradeJob> j) {
    port::StopScope scope(&m_stopFlag);  // Stop and StopBatch abandon its requests in flight
    UpgradeDevice(*j);
    j.reset();
    done->store(true);
  }, std::move(copy));
  m_workers.push_back(std::move(w));
}

bool FirmwareUpgrader::IsFinished() const {
  std::lock_guard<std::mutex> t(m_threadsLock);
  return std::all_of(m_workers.begin(), m_workers.end(), [](const Worker& w) { return w.done->load(); });
}

std::uint32_t FirmwareUpgrader::FinishedJobs() const {
  std::lock_guard<std::mutex> l(m_lock);
  return m_finishedJobs;
}

bool FirmwareUpgrader::IsRunning() const {
  std::lock_guard<std::mutex> l(m_lock);
  return m_running;
}

void FirmwareUpgrader::EndBatch() {
  {
    std::lock_guard<std::mutex> l(m_lock);
    m_running = false;
    m_awaited.clear();
    m_event = false;
    m_wake.notify_all();
  }
  std::lock_guard<std::mutex> t(m_threadsLock);
  for (auto& s : m_searchThreads)
    if (s.joinable()) s.join();
  m_searchThreads.clear();
}

void FirmwareUpgrader::SetDeviceInfo(const std::wstring& mac, const std::wstring& ip, const std::wstring& firmware) {
  std::lock_guard<std::mutex> l(m_lock);
  if (m_awaited.empty() || mac.empty()) return;
  auto it = m_awaited.find(mac);
  if (it == m_awaited.end()) return;
  it->second.ip = ip;
  it->second.firmware = firmware;
}

bool FirmwareUpgrader::IsAwaited(const std::wstring& mac) const {
  std::lock_guard<std::mutex> l(m_lock);
  return m_awaited.count(mac) != 0;
}

FirmwareUpgrader::AwaitedDevice FirmwareUpgrader::Awaited(const std::wstring& mac) const {
  std::lock_guard<std::mutex> l(m_lock);
  auto it = m_awaited.find(mac);
  return it == m_awaited.end() ? AwaitedDevice() : it->second;
}

template <typename Pred>
bool FirmwareUpgrader::WaitLocked(std::unique_lock<std::mutex>& l, std::int64_t clockMs, Pred stop) {
  const std::int64_t deadline = m_clock.NowMs() + clockMs;
  while (!stop()) {
    std::int64_t left = deadline - m_clock.NowMs();
    if (left <= 0) return true;
    m_wake.wait_for(l, std::chrono::milliseconds(std::max<std::int64_t>(1, m_clock.RealMs(left))));
  }
  return false;
}

bool FirmwareUpgrader::Pause(const char* what, std::int64_t clockMs) {
  m_clock.OnWait(what, clockMs);
  std::unique_lock<std::mutex> l(m_lock);
  return WaitLocked(l, clockMs, [this] { return m_stopping || m_batchStopped; });
}

void FirmwareUpgrader::SearchAgainLoop(std::uint64_t batch) {
  std::unique_lock<std::mutex> l(m_lock);
  auto over = [this, batch] { return m_stopping || !m_running || m_batch != batch; };
  m_wake.wait(l, [&] { return m_event || over(); });
  if (over()) return;
  m_event = false;  // auto-reset
  do {
    l.unlock();
    m_rediscovery.SearchAgain();
    m_clock.OnWait("search again", kSearchAgainPauseMs);
    l.lock();
  } while (WaitLocked(l, kSearchAgainPauseMs, over));
}

void FirmwareUpgrader::Report(const UpgradeJob& job, UpgradeRow row, int id) const {
  if (job.owner) job.owner->OnDeviceStatus(row, id);
}

void FirmwareUpgrader::UpgradeDevice(UpgradeJob& job) {
  Report(job, job.row, RESULT_UPGRADING);
  if (job.channels.empty()) job.channels.push_back(UpgradeChannel{0, job.row});
  const std::size_t uploads = job.kind == UPGRADE_CONFIG_SET && job.perChannel ? job.channels.size() : 1;
  int result = RESULT_SUCCESS;
  for (std::size_t i = 0; i < uploads && result == RESULT_SUCCESS; ++i) result = UploadOne(job, job.channels[i].channel);
  Report(job, job.row, result == RESULT_SUCCESS ? RESULT_REBOOTING : result);

  if (result == RESULT_SUCCESS) {
    int overall = RESULT_SUCCESS;
    if (!Pause("reboot", kRebootWaitMs)) {
      overall = RESULT_UPGRADE_FAIL;
    } else {
      {
        std::lock_guard<std::mutex> l(m_lock);
        m_awaited.emplace(job.mac, AwaitedDevice());
        m_event = true;
        m_wake.notify_all();
      }
      bool stopped = false;
      for (const UpgradeChannel& c : job.channels) {
        int r = 0;
        for (int attempt = 0; attempt < kAttempts && r == 0 && !stopped; ++attempt) {
          AwaitedDevice seen = Awaited(job.mac);
          if (!seen.ip.empty() && !seen.firmware.empty()) r = VerifyUpgradedDevice(c, job);
          if (r == 0 && !Pause("device back", kAttemptPauseMs)) stopped = true;
        }
        if (r == 0) r = RESULT_UPGRADE_FAIL;
        Report(job, c.row, r);
        if (overall == RESULT_SUCCESS) overall = r;
      }
    }
    Report(job, job.row, overall);
  }
  std::lock_guard<std::mutex> l(m_lock);
  ++m_finishedJobs;
}

int FirmwareUpgrader::UploadOne(UpgradeJob& job, int channel) {
  // Channel -1 (the device as a whole) takes no channel part in any path.
  const int ch = std::max(channel, 0);
  const std::wstring path = BuildUpgradeUrl(ch, static_cast<int>(job.kind), job.perChannel);
  UpgradeForm form;
  std::wstring version = job.firmware;
  if (job.kind != UPGRADE_NETWORK) {
    if (job.ip.empty()) return RESULT_UPGRADE_FAIL;
    if (!ReadSystemInfo(m_io, &job.firmware, ch, job.kind, job.ip)) return RESULT_UPGRADE_FAIL;
    if (IsIspVersionKind(job.kind)) {
      if (job.kind == UPGRADE_ISP_FIRMWARE) version = job.firmware;
      else if (!ReadSystemInfo(m_io, &version, ch, UPGRADE_ISP_FIRMWARE, job.ip)) return RESULT_UPGRADE_FAIL;
      if (CheckFirmwareVersion(version)) job.kind = UPGRADE_ISP_IMAGE;
    }
    if (!job.folder.empty()) {
      job.filePath = FindUpgradeFile(ch, job.folder, job);
      if (job.kind == UPGRADE_FIRMWARE && NeedsMd5File(job.firmware)) {
        std::wstring md5 = job.filePath;
        std::size_t p = md5.rfind(L".upg");
        if (p != std::wstring::npos) md5.replace(p, 4, L".md5");
        job.secondFilePath = job.filePath.empty() ? std::wstring() : md5;
      }
    }
    if (job.kind == UPGRADE_CONFIG_SET) {
      // A file that cannot be read, or an .ini without its "#INFO" line, is never sent.
      const int form = CheckRestoreFileForm(job.filePath);
      if (form != 0) return form;
    }
    if (job.perChannel) version = job.firmware;
    int r = CheckUpgradeRule(m_io, job.kind, version, FileNameOf(job.filePath, false), job.ip);
    if (r != RESULT_SUCCESS) return r;
    r = ReadUpgradeForm(m_io, &form, path, job);
    if (r != RESULT_SUCCESS) return r;
  }
  UploadContext context;
  context.io = &m_io;
  context.clock = &m_clock;
  context.stop = &m_stopFlag;
  context.sendStallMs = m_sendStallMs;
  return PostFile(job.owner, path, job, form, context);
}

int FirmwareUpgrader::VerifyUpgradedDevice(const UpgradeChannel& c, UpgradeJob& job) {
  const std::wstring base = FileNameOf(job.filePath, false);
  const AwaitedDevice entry = Awaited(job.mac);  // a copy, taken under the lock
  if (entry.ip == kDeviceDefaultAddress && job.defaultAddressRetries < kDefaultAddressPasses) {
    ++job.defaultAddressRetries;
    return 0;
  }
  switch (job.kind) {
    case UPGRADE_NETWORK:
      break;
    case UPGRADE_CONFIG_SET:
      // A restore is done once the device is seen again; its firmware does not change.
      return RESULT_SUCCESS;
    case UPGRADE_FIRMWARE:
      if (!job.perChannel) {
        if (!IsFirmwareOfFile(entry.firmware, base)) return RESULT_UPGRADE_FAIL;
        break;
      }
      [[fallthrough]];
    default: {
      if (entry.ip.empty()) return 0;
      std::wstring v;
      if (!ReadSystemInfo(m_io, &v, std::max(c.channel, 0), job.kind, entry.ip)) v.clear();
      if (base != v) return v.empty() ? 0 : RESULT_UPGRADE_FAIL;
      if (job.kind != UPGRADE_FIRMWARE) return RESULT_SUCCESS;
      break;
    }
  }
  if (job.owner) {
    job.owner->OnDeviceAddress(c.row, entry.ip);
    job.owner->OnDeviceFirmware(c.row, entry.firmware);
  }
  return RESULT_SUCCESS;
}
