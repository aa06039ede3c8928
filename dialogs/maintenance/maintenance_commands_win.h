// The maintenance operations of the toolbar with their dialogs: firmware upgrade
// (CMD_FIRMWARE_UPGRADE), configuration backup (CMD_BACKUP) and restore (CMD_RESTORE), device
// log and boot loader (CMD_DEVICE_LOG).
#pragma once

class BatchEngine;

void RegisterMaintenanceCommands(BatchEngine& engine);
