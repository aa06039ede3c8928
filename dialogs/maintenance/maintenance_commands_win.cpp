#include "dialogs/maintenance/maintenance_commands_win.h"

#include <memory>

#include "app/batch/batch_commands.h"
#include "app/batch/batch_engine.h"
#include "dialogs/maintenance/dlg_backup_win.h"
#include "dialogs/maintenance/dlg_debug_win.h"
#include "dialogs/maintenance/dlg_firmware_win.h"
#include "dialogs/maintenance/dlg_restore_win.h"

void RegisterMaintenanceCommands(BatchEngine& engine) {
  engine.Register(CMD_FIRMWARE_UPGRADE, [] { return std::make_unique<FirmwareOperationWin>(); });
  engine.Register(CMD_BACKUP, [] { return std::make_unique<BackupOperationWin>(); });
  engine.Register(CMD_RESTORE, [] { return std::make_unique<RestoreOperationWin>(); });
  engine.Register(CMD_DEVICE_LOG, [] { return std::make_unique<DebugOperationWin>(); });
}
