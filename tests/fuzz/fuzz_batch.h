// For the fuzz targets that run a batch worker: where it reports, and a folder of its own
// for the files it writes.
#pragma once
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "app/batch/batch_context.h"

namespace fuzz {

// Every status the worker reports, in order.
class Statuses : public BatchReport {
 public:
  std::vector<std::pair<RowHandle, int>> seen;
  void Status(RowHandle row, int id) override { seen.emplace_back(row, id); }
  void Found(const DeviceRecord&, unsigned long) override {}
};

// A batch's context for one worker run with these device requests.
struct Batch {
  explicit Batch(DeviceRequests& io) {
    context.io = &io;
    context.clock = &clock;
    context.report = &report;
    context.stop = std::make_shared<BatchStop>();
  }
  Batch(const Batch&) = delete;
  Batch& operator=(const Batch&) = delete;
  UpgradeClock clock;
  Statuses report;
  BatchContext context;
};

// An empty folder of this process for a target's files, in memory where the machine has one
// (a worker makes each file safe on the disk before it keeps it); removed when the run ends.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& name) {
    namespace fs = std::filesystem;
    const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    m_path = base / ("dvk-fuzz-" + name + "-" + std::to_string(::getpid()));
    fs::create_directories(m_path);
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::filesystem::path& Path() const { return m_path; }

 private:
  std::filesystem::path m_path;
};

}  // namespace fuzz
