#include "app/batch/system_command.h"

#include "app/batch/batch_commands.h"
#include "app/batch/batch_engine.h"

const SystemCommand kResetCommand = {CMD_RESET, L"/cgi-bin/cmd/system?CONFIG_RESET", 509, 514, 555, 562, 560};
const SystemCommand kSaveRebootCommand = {CMD_SAVE_REBOOT, L"/cgi-bin/cmd/system?SAVE_REBOOT", 510, 515, 556, 563, 556};

namespace {

constexpr int kProcessing = 539;
constexpr int kRebooting = 519;
constexpr int kReplySize = 2048;
const wchar_t kSystemInfo[] = L"/cgi-bin/cmd/system?SYSTEM_INFO";

}  // namespace

int RunSystemCommand(const BatchContext& context, RowHandle row, const std::wstring& host,
                     const SystemCommand& command) {
  char reply[kReplySize];
  context.Status(row, kProcessing);
  int result = command.failId;
  // Any 200 without a failure word is the device taking the command, an empty one included;
  // no answer at all (a device that restarts in the middle of its reply among them) fails.
  if (context.GetCgi(host, command.path, reply, kReplySize, kCommandTimeoutMs, false) >= 0) {
    context.Status(row, kRebooting);
    if (!context.Wait("reboot", kRebootWaitMs)) return 0;
    for (int look = 0; look < kBackChecks; ++look) {
      // -1 is silence; any other outcome is the device's own web server answering.
      if (context.GetCgi(host, kSystemInfo, reply, kReplySize, kBackCheckTimeoutMs, true) != -1) {
        result = command.okId;
        break;
      }
      if (context.Stopped()) return 0;
      if (!context.Wait("device back", kBackCheckPauseMs)) return 0;
    }
  }
  if (context.Stopped()) return 0;
  context.Status(row, result);
  return result;
}

bool SystemCommandOperation::RunDialog(BatchUi& ui, const BatchSelection&) {
  return ui.AskOkCancel(m_command.confirmTextId, m_command.confirmTitleId);
}

void SystemCommandOperation::Start(BatchRun& run) {
  const SystemCommand& command = m_command;
  for (const BatchRow& r : run.Selection().rows) {
    const RowHandle row = r.row;
    const std::wstring host = r.ip;
    if (!run.StartWorker([row, host, &command](const BatchContext& c) { RunSystemCommand(c, row, host, command); }))
      run.Context().Status(row, command.failId);
  }
}

void RegisterSystemCommands(BatchEngine& engine) {
  engine.Register(CMD_RESET, [] { return std::make_unique<SystemCommandOperation>(kResetCommand); });
  engine.Register(CMD_SAVE_REBOOT, [] { return std::make_unique<SystemCommandOperation>(kSaveRebootCommand); });
}
