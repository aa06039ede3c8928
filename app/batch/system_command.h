// Reset to factory defaults and save & reboot: one worker per checked device sends the CGI
// command and then waits for the device to come back.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "app/batch/batch_operation.h"

class BatchEngine;

struct SystemCommand {
  unsigned commandId;      // the toolbar button
  const wchar_t* path;     // the CGI command
  int okId;                // the row's status when the device is back
  int failId;              // when it refused the command or did not come back
  unsigned confirmTextId;  // the question asked first, with its title
  unsigned confirmTitleId;
  unsigned waitTextId;     // the wait box's text
};

// "/cgi-bin/cmd/system?CONFIG_RESET": 509 / 514, question 555 "Reset to Default", wait 560.
extern const SystemCommand kResetCommand;
// "/cgi-bin/cmd/system?SAVE_REBOOT": 510 / 515, question 556 "Save & Reboot", wait 556.
extern const SystemCommand kSaveRebootCommand;

// The waits of one device, on the batch's clock.
constexpr std::int64_t kCommandTimeoutMs = 90000;   // the command itself
constexpr std::int64_t kRebootWaitMs = 30000;       // before the first look
constexpr int kBackChecks = 10;                     // looks for the device
constexpr std::int64_t kBackCheckTimeoutMs = 5000;  // each look's time-out
constexpr std::int64_t kBackCheckPauseMs = 5000;    // between looks

// One device's work, on its worker thread: 539, the command with the user's login (a 200
// without a failure word, empty or not, is taken; no answer, a refusal or a failure word ends
// the row at once with failId), 519, the reboot wait, then up to
// ten looks with the factory login, where any HTTP answer counts as back (the user may have
// changed the login the look uses). Reports the final id and returns it; a stopped batch
// reports nothing more and returns 0.
int RunSystemCommand(const BatchContext& context, RowHandle row, const std::wstring& host,
                     const SystemCommand& command);

class SystemCommandOperation : public BatchOperation {
 public:
  explicit SystemCommandOperation(const SystemCommand& command) : m_command(command) {}
  bool RunDialog(BatchUi& ui, const BatchSelection& rows) override;
  unsigned WaitTextId() const override { return m_command.waitTextId; }
  void Start(BatchRun& run) override;

 private:
  const SystemCommand& m_command;
};

// Registers reset (CMD_RESET) and save & reboot (CMD_SAVE_REBOOT).
void RegisterSystemCommands(BatchEngine& engine);
