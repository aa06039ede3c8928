#include "app/batch/batch_engine.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cwchar>
#include <utility>
#include <vector>

#include "device/firmware_upgrader.h"
#include "port/stop_scope.h"
#include "port/sync.h"
#include "port/thread.h"

// ---- the threads of one batch -----------------------------------------------------------

class BatchEngine::Batch : public BatchRun {
 public:
  Batch(BatchEngine& engine, BatchSelection selection) : m_engine(engine), m_selection(std::move(selection)) {
    m_context.io = engine.m_services.io;
    m_context.clock = engine.m_services.clock;
    m_context.report = engine.m_services.report;
    m_context.stop = std::make_shared<BatchStop>();
  }
  ~Batch() override { JoinAll(); }

  const BatchSelection& Selection() const override { return m_selection; }
  const BatchContext& Context() const override { return m_context; }

  bool StartWorker(std::function<void(const BatchContext&)> fn) override {
    {
      std::lock_guard<std::mutex> l(m_lock);
      ++m_live;
    }
    port::Thread t([this, fn = std::move(fn)] {
      {
        // A stop abandons the worker's request in flight at once.
        port::StopScope scope(&m_context.stop->Flag());
        fn(m_context);
      }
      std::lock_guard<std::mutex> l(m_lock);
      --m_live;
      ++m_changes;
      m_changed.notify_all();
    });
    std::lock_guard<std::mutex> l(m_lock);
    if (!t.Joinable()) {
      --m_live;
      return false;
    }
    m_threads.push_back(std::move(t));
    return true;
  }

  bool StartBackground(const std::string& name, std::function<void(const BatchContext&)> fn) override {
    return m_engine.StartBackground(name, std::move(fn));
  }
  FirmwareUpgrader* Upgrader() const override { return m_engine.m_services.upgrader; }
  void SetUpgradeDeviceCount(std::uint32_t count) override { m_upgradeCount = count; }
  std::uint32_t UpgradeDeviceCount() const { return m_upgradeCount; }

  bool AllEnded() const {
    std::lock_guard<std::mutex> l(m_lock);
    return m_live == 0;
  }
  // Waits until a thread of the batch ends or the batch is stopped, at most realMs.
  void Pause(int realMs) {
    std::unique_lock<std::mutex> l(m_lock);
    const std::uint64_t seen = m_changes;
    m_changed.wait_for(l, std::chrono::milliseconds(realMs), [&] { return m_changes != seen; });
  }
  void Stop() {
    m_context.stop->Request();
    std::lock_guard<std::mutex> l(m_lock);
    ++m_changes;
    m_changed.notify_all();
  }

  void StartWatcher(std::function<void()> fn) {
    m_watcher = port::Thread([this, fn = std::move(fn)] {
      fn();
      m_watcherDone = true;
    });
  }
  bool HasWatcher() const { return m_watcher.Joinable(); }
  bool WatcherDone() const { return m_watcherDone; }
  void JoinAll() {
    m_watcher.Join();
    std::vector<port::Thread> threads;
    {
      std::lock_guard<std::mutex> l(m_lock);
      threads.swap(m_threads);
    }
    for (port::Thread& t : threads) t.Join();
  }

 private:
  BatchEngine& m_engine;
  BatchSelection m_selection;
  BatchContext m_context;
  mutable std::mutex m_lock;
  std::condition_variable m_changed;
  int m_live = 0;
  std::uint64_t m_changes = 0;
  std::vector<port::Thread> m_threads;
  std::atomic<std::uint32_t> m_upgradeCount{0};
  port::Thread m_watcher;
  std::atomic<bool> m_watcherDone{false};
};

// A thread that may outlive its batch.
struct BatchEngine::Background {
  BatchContext context;
  std::atomic<bool> done{false};
  port::Thread thread;
};

// ---- the wait box gate -----------------------------------------------------------------

void WaitBoxGate::Opened(std::function<void()> close) {
  std::unique_lock<std::mutex> l(m_lock);
  if (m_closeRequested) {
    l.unlock();
    if (close) close();
    return;
  }
  m_close = std::move(close);
}

void WaitBoxGate::Gone() {
  std::lock_guard<std::mutex> l(m_lock);
  m_close = nullptr;
}

void WaitBoxGate::Close() {
  std::function<void()> close;
  {
    std::lock_guard<std::mutex> l(m_lock);
    m_closeRequested = true;
    close = m_close;
  }
  if (close) close();
}

bool WaitBoxGate::CloseRequested() const {
  std::lock_guard<std::mutex> l(m_lock);
  return m_closeRequested;
}

// ---- selection ---------------------------------------------------------------------------

namespace {

std::wstring Folded(const std::wstring& s) {
  std::wstring out = s;
  for (wchar_t& c : out)
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  return out;
}

}  // namespace

int ChannelNumberOf(const std::wstring& channelCell) {
  return static_cast<int>(std::wcstol(channelCell.c_str(), nullptr, 10));
}

std::vector<int> ChannelNumbers(const BatchRow& row) {
  std::vector<int> numbers;
  for (const auto& channel : row.channels) numbers.push_back(ChannelNumberOf(channel.second));
  return numbers;
}

void KeepOnePerDevice(std::vector<BatchRow>& rows) {
  std::vector<std::wstring> seen;
  std::vector<BatchRow> kept;
  kept.reserve(rows.size());
  for (BatchRow& r : rows) {
    if (!r.mac.empty()) {
      const std::wstring key = Folded(r.mac);
      if (std::find(seen.begin(), seen.end(), key) != seen.end()) continue;
      seen.push_back(key);
    }
    kept.push_back(std::move(r));
  }
  rows.swap(kept);
}

// ---- the engine --------------------------------------------------------------------------

BatchEngine::BatchEngine(BatchUi& ui, const Services& services) : m_ui(ui), m_services(services) {
  if (!m_services.io) m_services.io = &HttpDeviceRequests();
  if (!m_services.clock) m_services.clock = &RealUpgradeClock();
}

BatchEngine::~BatchEngine() { Shutdown(); }

void BatchEngine::Register(unsigned commandId, Factory factory) { m_factories[commandId] = std::move(factory); }

bool BatchEngine::IsRegistered(unsigned commandId) const { return m_factories.count(commandId) != 0; }

bool BatchEngine::Execute(unsigned commandId) {
  auto it = m_factories.find(commandId);
  if (it == m_factories.end()) return false;
  if (m_busy || m_shutDown) return true;
  std::unique_ptr<BatchOperation> op = it->second();
  if (op) Run(*op);
  return true;
}

std::shared_ptr<BatchEngine::Batch> BatchEngine::NewBatch(BatchSelection selection) {
  return std::make_shared<Batch>(*this, std::move(selection));
}

bool BatchEngine::Refused(const BatchOperation& op, const BatchSelection& selection) {
  const SelectionCheck check = op.Check();
  if (check == SelectionCheck::None) return false;
  if (selection.rows.empty()) {
    m_ui.ShowWarning(kNothingChecked);
    return true;
  }
  if (check == SelectionCheck::Full) {
    for (const BatchRow& r : selection.rows)
      if (r.blocked) {
        m_ui.ShowWarning(kBlockedChecked);
        return true;
      }
  }
  return false;
}

void BatchEngine::Run(BatchOperation& op) {
  if (m_busy || m_shutDown) return;
  m_busy = true;
  struct Idle {
    bool& busy;
    ~Idle() { busy = false; }
  } idle{m_busy};

  if (op.HasPreparation()) {
    BatchSelection rows = m_ui.TakeSelection();
    std::shared_ptr<Batch> task = NewBatch(rows);
    task->StartWorker([&op, rows](const BatchContext& context) { op.Prepare(rows, context); });
    RunUnderWaitBox(task, BatchOperation::kPleaseWait);
    if (m_shutDown) return;
  }
  const BatchSelection selection = m_ui.TakeSelection();
  if (Refused(op, selection)) return;
  m_inDialog = &op;
  const bool go = op.RunDialog(m_ui, selection);
  m_inDialog = nullptr;
  if (!go || m_shutDown) return;

  std::shared_ptr<Batch> batch = NewBatch(selection);
  op.Start(*batch);
  RunUnderWaitBox(batch, op.WaitTextId());
}

void BatchEngine::RunUnderWaitBox(const std::shared_ptr<Batch>& batch, unsigned textId) {
  auto gate = std::make_shared<WaitBoxGate>();
  m_current = batch;
  if (m_shutDown) batch->Stop();
  Batch* b = batch.get();
  b->StartWatcher([this, b, gate] { Watch(*b, *gate); });
  if (b->HasWatcher()) m_ui.RunWaitBox(textId, gate);
  // The box has gone: the batch is over, or the program closes and has stopped it. Either
  // way nothing the batch uses may go before its threads have ended.
  WaitPumping([b] { return b->AllEnded() && (!b->HasWatcher() || b->WatcherDone()); });
  b->JoinAll();
  m_current.reset();
}

void BatchEngine::Watch(Batch& batch, WaitBoxGate& gate) {
  FirmwareUpgrader* upgrader = m_services.upgrader;
  for (;;) {
    const bool engineIdle = !upgrader || upgrader->IsFinished();
    if (engineIdle && batch.AllEnded()) break;
    // Every device handed to the upgrade engine has made its last report, but some of its
    // workers have not returned yet: they are asked to stop, never cut off.
    const std::uint32_t handedOn = batch.UpgradeDeviceCount();
    if (upgrader && handedOn != 0 && upgrader->FinishedJobs() == handedOn && !engineIdle) upgrader->StopBatch();
    batch.Pause(kWatchPollMs);
  }
  if (upgrader) upgrader->EndBatch();
  gate.Close();
  batch.SetUpgradeDeviceCount(0);
}

bool BatchEngine::StartBackground(const std::string& name, std::function<void(const BatchContext&)> fn) {
  if (m_shutDown) return false;
  std::shared_ptr<Background> old;
  {
    std::lock_guard<std::mutex> l(m_backgroundLock);
    auto it = m_background.find(name);
    if (it != m_background.end()) old = it->second;
  }
  if (old) {
    old->context.stop->Request();
    WaitPumping([&] { return old->done.load(); });
    old->thread.Join();
  }
  auto bg = std::make_shared<Background>();
  bg->context.io = m_services.io;
  bg->context.clock = m_services.clock;
  bg->context.report = m_services.report;
  bg->context.stop = std::make_shared<BatchStop>();
  Background* raw = bg.get();
  bg->thread = port::Thread([raw, fn = std::move(fn)] {
    {
      port::StopScope scope(&raw->context.stop->Flag());
      fn(raw->context);
    }
    raw->done = true;
  });
  std::lock_guard<std::mutex> l(m_backgroundLock);
  if (!bg->thread.Joinable()) {
    m_background.erase(name);
    return false;
  }
  m_background[name] = bg;
  return true;
}

void BatchEngine::WaitPumping(const std::function<bool()>& done) {
  while (!done()) {
    m_ui.Pump();
    if (done()) break;
    port::SleepMs(5);
  }
}

void BatchEngine::Shutdown() {
  if (m_shutDown.exchange(true)) return;
  if (BatchOperation* op = m_inDialog) {
    op->StopDialogWork();
    WaitPumping([op] { return op->DialogWorkEnded(); });
  }
  std::shared_ptr<Batch> current = m_current;
  if (current) current->Stop();
  if (m_services.upgrader && current) m_services.upgrader->StopBatch();
  std::map<std::string, std::shared_ptr<Background>> background;
  {
    std::lock_guard<std::mutex> l(m_backgroundLock);
    background.swap(m_background);
  }
  for (auto& b : background) b.second->context.stop->Request();
  WaitPumping([&] {
    if (current && !(current->AllEnded() && (!current->HasWatcher() || current->WatcherDone()))) return false;
    for (auto& b : background)
      if (!b.second->done) return false;
    return true;
  });
  for (auto& b : background) b.second->thread.Join();
}
