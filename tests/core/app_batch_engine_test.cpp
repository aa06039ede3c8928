// The batch engine with a fake window side: the order of a command's steps, the selection
// check, the watcher and its wait box (also when the batch is over before the box exists, and
// with more threads than one wait of the platform takes), shut-down in the middle of a batch,
// threads that outlive their batch, and the upgrade engine's workers.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "app/batch/batch_engine.h"
#include "app/batch/time_scale.h"
#include "device/firmware_upgrader.h"
#include "tests/support/batch_fakes.h"

namespace {

using testlab::FakeBatchUi;
using testlab::RecordingReport;
using testlab::Row;

// An operation whose steps are told to the UI's event list; each worker runs `work`.
class ScriptedOperation : public BatchOperation {
 public:
  ScriptedOperation(FakeBatchUi& ui, SelectionCheck check) : m_ui(ui), m_check(check) {}
  bool prepare = false;
  bool dialogOk = true;
  std::function<void(const BatchContext&, const BatchRow&)> work;
  std::function<void(BatchRun&)> extraStart;

  SelectionCheck Check() const override { return m_check; }
  bool HasPreparation() const override { return prepare; }
  void Prepare(const BatchSelection& rows, const BatchContext&) override {
    m_ui.Add("prepare:" + std::to_string(rows.rows.size()));
  }
  bool RunDialog(BatchUi&, const BatchSelection& rows) override {
    m_ui.Add("dialog:" + std::to_string(rows.rows.size()));
    return dialogOk;
  }
  unsigned WaitTextId() const override { return 560; }
  void Start(BatchRun& run) override {
    m_ui.Add("start");
    for (const BatchRow& r : run.Selection().rows) {
      auto fn = work;
      BatchRow copy = r;
      run.StartWorker([fn, copy](const BatchContext& c) {
        if (fn) fn(c, copy);
      });
    }
    if (extraStart) extraStart(run);
  }

 private:
  FakeBatchUi& m_ui;
  SelectionCheck m_check;
};

struct Engine {
  FakeBatchUi ui;
  RecordingReport report;
  std::unique_ptr<BatchEngine> engine;
  explicit Engine(FirmwareUpgrader* upgrader = nullptr, UpgradeClock* clock = nullptr) {
    BatchEngine::Services s;
    s.report = &report;
    s.upgrader = upgrader;
    s.clock = clock;
    engine = std::make_unique<BatchEngine>(ui, s);
  }
};

// The preparation runs in its own thread while the wait box comes up: the two may be told in
// either order. Put the preparation right after its box.
std::vector<std::string> Steps(std::vector<std::string> events) {
  auto prep = std::find_if(events.begin(), events.end(), [](const std::string& e) { return e.rfind("prepare:", 0) == 0; });
  if (prep == events.end()) return events;
  const std::string p = *prep;
  events.erase(prep);
  auto box = std::find(events.begin(), events.end(), "box:558");
  events.insert(box == events.end() ? events.end() : box + 1, p);
  return events;
}

std::vector<std::string> Without(std::vector<std::string> events, const std::string& prefix) {
  events.erase(std::remove_if(events.begin(), events.end(),
                              [&](const std::string& e) { return e.compare(0, prefix.size(), prefix) == 0; }),
               events.end());
  return events;
}

TEST(BatchEngine, StepsRunInOrderPreparationFirst) {
  Engine e;
  e.ui.selection.rows = {Row(11, L"10.0.0.1", L"M1"), Row(12, L"10.0.0.2", L"M2")};
  ScriptedOperation op(e.ui, SelectionCheck::Full);
  op.prepare = true;
  op.work = [&](const BatchContext& c, const BatchRow& r) {
    c.Status(r.row, 539);
    c.Status(r.row, 509);
  };
  e.engine->Run(op);
  EXPECT_EQ(Steps(e.ui.Events()), (std::vector<std::string>{"rows", "box:558", "prepare:2", "box closed", "rows", "dialog:2",
                                                      "start", "box:560", "box closed"}));
  EXPECT_EQ(e.report.Of(11), (std::vector<int>{539, 509}));
  EXPECT_EQ(e.report.Of(12), (std::vector<int>{539, 509}));
  EXPECT_FALSE(e.engine->Busy());
}

TEST(BatchEngine, SelectionCheckRefusesOrLetsThrough) {
  struct Case {
    const char* name;
    SelectionCheck check;
    std::vector<BatchRow> rows;
    bool prepare;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"nothing checked", SelectionCheck::Full, {}, false, {"rows", "warning:549"}},
      {"nothing checked, preparation first", SelectionCheck::Full, {}, true,
       {"rows", "box:558", "prepare:0", "box closed", "rows", "warning:549"}},
      {"a blocked row among others", SelectionCheck::Full,
       {Row(1, L"10.0.0.1", L"M1"), Row(2, L"10.0.0.2", L"M2", true)}, false, {"rows", "warning:550"}},
      {"IP set takes blocked rows", SelectionCheck::CheckedOnly, {Row(2, L"10.0.0.2", L"M2", true)}, false,
       {"rows", "dialog:1", "start", "box:560", "box closed"}},
      {"IP set still needs a row", SelectionCheck::CheckedOnly, {}, false, {"rows", "warning:549"}},
      {"no check at all", SelectionCheck::None, {}, false, {"rows", "dialog:0", "start", "box:560", "box closed"}},
  };
  for (const Case& c : cases) {
    Engine e;
    e.ui.selection.rows = c.rows;
    ScriptedOperation op(e.ui, c.check);
    op.prepare = c.prepare;
    e.engine->Run(op);
    EXPECT_EQ(Steps(e.ui.Events()), c.expected) << c.name;
  }
}

TEST(BatchEngine, CancelledDialogStartsNothing) {
  Engine e;
  e.ui.selection.rows = {Row(1, L"10.0.0.1", L"M1")};
  ScriptedOperation op(e.ui, SelectionCheck::Full);
  op.dialogOk = false;
  std::atomic<int> ran{0};
  op.work = [&](const BatchContext&, const BatchRow&) { ++ran; };
  e.engine->Run(op);
  EXPECT_EQ(e.ui.Events(), (std::vector<std::string>{"rows", "dialog:1"}));
  EXPECT_EQ(ran.load(), 0);
}

TEST(BatchEngine, WaitBoxClosesWhenTheBatchEndedBeforeItAppeared) {
  Engine e;
  e.ui.selection.rows = {Row(1, L"10.0.0.1", L"M1")};
  e.ui.boxOpensAfterMs = 300;  // the worker and the watcher are done long before
  ScriptedOperation op(e.ui, SelectionCheck::Full);
  op.work = [](const BatchContext& c, const BatchRow& r) { c.Status(r.row, 509); };
  const auto t0 = std::chrono::steady_clock::now();
  e.engine->Run(op);
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
  EXPECT_EQ(e.ui.Events().back(), "box closed");
}

TEST(BatchEngine, WatcherWaitsForEveryOneOfManyWorkers) {
  for (int n : {1, 64, 65, 300}) {
    Engine e;
    for (int i = 0; i < n; ++i) e.ui.selection.rows.push_back(Row(100 + i, L"10.0.1." + std::to_wstring(i)));
    ScriptedOperation op(e.ui, SelectionCheck::Full);
    std::atomic<int> ended{0};
    std::atomic<int> endedAtClose{-1};
    op.work = [&](const BatchContext& c, const BatchRow& r) {
      // The last worker is the slowest: the box must wait for it.
      const bool last = r.row == static_cast<RowHandle>(100 + n - 1);
      std::this_thread::sleep_for(std::chrono::milliseconds(last ? 400 : (r.row % 7) * 5));
      c.Status(r.row, 509);
      ++ended;
    };
    e.ui.whileBoxShown = [] {};
    e.engine->Run(op);
    endedAtClose = ended.load();
    EXPECT_EQ(endedAtClose.load(), n) << n << " workers";
    for (int i = 0; i < n; ++i) EXPECT_EQ(e.report.Last(100 + i), 509);
  }
}

TEST(BatchEngine, ShutdownUnderTheWaitBoxStopsTheBatchAtOnce) {
  Engine e;
  e.ui.selection.rows = {Row(1, L"10.0.0.1"), Row(2, L"10.0.0.2"), Row(3, L"10.0.0.3")};
  ScriptedOperation op(e.ui, SelectionCheck::Full);
  op.work = [](const BatchContext& c, const BatchRow& r) {
    c.Status(r.row, 519);
    if (!c.Wait("reboot", 3600 * 1000)) return;  // an hour: only a stop ends it
    c.Status(r.row, 509);
  };
  std::atomic<bool> backgroundEnded{false};
  op.extraStart = [&](BatchRun& run) {
    run.StartBackground("watch", [&](const BatchContext& c) {
      c.Wait("watch", 3600 * 1000);
      backgroundEnded = true;
    });
  };
  // The program closes while the box is shown: the close comes on the UI thread, nested.
  e.ui.whileBoxShown = [&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    e.engine->Shutdown();
  };
  const auto t0 = std::chrono::steady_clock::now();
  e.engine->Run(op);
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(2));
  EXPECT_TRUE(backgroundEnded.load());
  for (RowHandle r : {1, 2, 3}) EXPECT_EQ(e.report.Of(r), std::vector<int>{519});
  // Nothing runs after shut-down.
  e.ui.whileBoxShown = nullptr;
  const std::size_t before = e.ui.Events().size();
  e.engine->Run(op);
  EXPECT_EQ(e.ui.Events().size(), before);
}

// A dialog that works in a thread of its own (the range scan) while it is shown: the program
// closes under it; the close stops that work and waits for it before it goes on.
class DialogWorkOperation : public BatchOperation {
 public:
  explicit DialogWorkOperation(BatchEngine*& engine) : m_engine(engine) {}
  SelectionCheck Check() const override { return SelectionCheck::None; }
  bool RunDialog(BatchUi&, const BatchSelection&) override {
    std::thread work([this] {
      while (!m_stop) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      std::this_thread::sleep_for(std::chrono::milliseconds(50));  // ends a little after the stop
      m_ended = true;
    });
    m_engine->Shutdown();  // the close, nested in the dialog's message loop
    shutdownSawEnded = m_ended.load();
    work.join();
    return true;  // the dialog ended with OK, but the program is closing
  }
  void StopDialogWork() override { m_stop = true; }
  bool DialogWorkEnded() const override { return m_ended; }
  void Start(BatchRun&) override { started = true; }
  bool shutdownSawEnded = false, started = false;

 private:
  BatchEngine*& m_engine;
  std::atomic<bool> m_stop{false}, m_ended{false};
};

TEST(BatchEngine, ShutdownUnderADialogStopsTheDialogsOwnWork) {
  Engine e;
  BatchEngine* engine = e.engine.get();
  DialogWorkOperation op(engine);
  e.engine->Run(op);
  EXPECT_TRUE(op.shutdownSawEnded);
  EXPECT_FALSE(op.started);
  EXPECT_GT(e.ui.pumps, 0);
}

TEST(BatchEngine, OneCommandAtATimeAndNamedBackgroundThreadsReplaced) {
  Engine e;
  e.ui.selection.rows = {Row(1, L"10.0.0.1")};
  ScriptedOperation op(e.ui, SelectionCheck::Full);
  std::atomic<int> firstStopped{0}, secondRan{0};
  op.extraStart = [&](BatchRun& run) {
    run.StartBackground("dhcp", [&](const BatchContext& c) {
      if (!c.Wait("watch", 3600 * 1000)) ++firstStopped;
    });
  };
  // A second command while the first one's box is up does nothing.
  e.ui.whileBoxShown = [&] {
    ScriptedOperation other(e.ui, SelectionCheck::None);
    e.engine->Run(other);
  };
  e.engine->Run(op);
  EXPECT_EQ(Without(e.ui.Events(), "rows"), (std::vector<std::string>{"dialog:1", "start", "box:560", "box closed"}));
  // The next batch's thread of the same name stops the one still running.
  e.ui.whileBoxShown = nullptr;
  op.extraStart = [&](BatchRun& run) {
    run.StartBackground("dhcp", [&](const BatchContext&) { ++secondRan; });
  };
  e.engine->Run(op);
  EXPECT_EQ(firstStopped.load(), 1);  // stopped and joined before the second one started
  // The second one outlives its batch: it runs on its own time.
  for (int i = 0; i < 500 && secondRan.load() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(secondRan.load(), 1);
}

TEST(BatchEngine, RegisteredCommandsRunByTheirIds) {
  Engine e;
  e.ui.selection.rows = {Row(1, L"10.0.0.1")};
  int made = 0;
  e.engine->Register(1009, [&] {
    ++made;
    return std::make_unique<ScriptedOperation>(e.ui, SelectionCheck::Full);
  });
  EXPECT_TRUE(e.engine->IsRegistered(1009));
  EXPECT_FALSE(e.engine->Execute(1005));  // not built: the caller shows its own box
  EXPECT_TRUE(e.engine->Execute(1009));
  EXPECT_EQ(made, 1);
}

// ---- the upgrade engine under the watcher ---------------------------------------------------

TEST(BatchEngine, BatchEndsOnlyWhenTheUpgradeEnginesWorkersHaveEnded) {
  testlab::SilentUpgradeIo io;  // the device does not answer the upgrade request
  testlab::NoRediscovery search;
  ScaledClock clock(1000);
  FirmwareUpgrader upgrader(&io, &search, &clock);
  Engine e(&upgrader);
  e.ui.selection.rows = {Row(5, L"10.0.0.5", L"00:0F:7C:00:00:05")};
  ScriptedOperation op(e.ui, SelectionCheck::Full);
  op.extraStart = [&](BatchRun& run) {
    run.Upgrader()->BeginBatch();
    for (const BatchRow& r : run.Selection().rows) {
      UpgradeJob job;
      job.row = static_cast<std::uint32_t>(r.row);
      job.kind = UPGRADE_NETWORK;
      job.ip = r.ip;
      job.mac = r.mac;
      job.channels.push_back(UpgradeChannel{0, job.row});
      run.Upgrader()->StartDevice(job);
    }
    run.SetUpgradeDeviceCount(static_cast<std::uint32_t>(run.Selection().rows.size()));
  };
  e.engine->Run(op);
  EXPECT_TRUE(upgrader.IsFinished());
  EXPECT_FALSE(upgrader.IsRunning());  // the watcher ended the engine's batch
  EXPECT_EQ(upgrader.FinishedJobs(), 1u);
}

// ---- small pieces -----------------------------------------------------------------------------

TEST(BatchSelection, OneRowPerDevice) {
  std::vector<BatchRow> rows = {Row(1, L"10.0.0.1", L"00:0f:7c:00:00:01"), Row(2, L"10.0.0.9", L"00:0F:7C:00:00:01"),
                                Row(3, L"10.0.0.3", L""), Row(4, L"10.0.0.4", L""),
                                Row(5, L"10.0.0.5", L"00:0F:7C:00:00:05")};
  KeepOnePerDevice(rows);
  std::vector<RowHandle> kept;
  for (const BatchRow& r : rows) kept.push_back(r.row);
  EXPECT_EQ(kept, (std::vector<RowHandle>{1, 3, 4, 5}));
}

TEST(TimeScale, OnlyAScaleDownIsTaken) {
  const std::vector<std::pair<const char*, double>> cases = {
      {nullptr, 1.0}, {"", 1.0},    {"0.05", 0.05}, {"1", 1.0},  {"0.5", 0.5},   {"0", 1.0},
      {"-0.1", 1.0},  {"2", 1.0},   {"abc", 1.0},   {"0.1x", 1.0}, {"nan", 1.0}, {"1e-3", 0.001}};
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(ParseTimeScale(c.first), c.second) << (c.first ? c.first : "(unset)");
}

TEST(TimeScale, ScaledClockWaitsNeverVanish) {
  ScaledClock twenty(20);  // DORVIK_TIME_SCALE=0.05
  EXPECT_EQ(twenty.RealMs(30000), 1500);
  EXPECT_EQ(twenty.RealMs(90000), 4500);
  EXPECT_EQ(twenty.RealMs(5), 1);
  EXPECT_EQ(twenty.RealMs(0), 0);
  ScaledClock thousand(1000);
  EXPECT_EQ(thousand.RealMs(45000), 45);
  EXPECT_EQ(thousand.RealMs(1), 1);
}

}  // namespace
