#include "dialogs/maintenance_commands_win.h"

#include <memory>

#include "app/batch_commands.h"
#include "app/batch_engine.h"
#include "dialogs/dlg_backup_win.h"
#include "dialogs/dlg_debug_win.h"
#include "dialogs/dlg_firmware_win.h"
#include "dialogs/dlg_restore_win.h"

void RegisterMaintenanceCommands(BatchEngine& engine) {
  engine.Register(CMD_FIRMWARE_UPGRADE, [] { return std::make_unique<FirmwareOperationWin>(); });
  engine.Register(CMD_BACKUP, [] { return std::make_unique<BackupOperationWin>(); });
  engine.Register(CMD_RESTORE, [] { return std::make_unique<RestoreOperationWin>(); });
  engine.Register(CMD_DEVICE_LOG, [] { return std::make_unique<DebugOperationWin>(); });
}
