// Command ids of the batch engine, equal to the main window's toolbar button ids.
#pragma once

enum BatchCommand : unsigned {
  CMD_QUERY_DEVICE = 322,
  CMD_IP_SET = 1004,
  CMD_DEVICE_SETTINGS = 1005,
  CMD_FIRMWARE_UPGRADE = 1006,
  CMD_BACKUP = 1007,
  CMD_RESTORE = 1008,
  CMD_RESET = 1009,
  CMD_SAVE_REBOOT = 1010,
  CMD_DEVICE_LOG = 1011,
  CMD_RANGE_SCAN = 1012,
};

// Toolbar controls of the main window that are not batch commands.
constexpr unsigned IDC_ABOUT = 1001;
constexpr unsigned IDC_REFRESH = 1003;
constexpr unsigned IDC_USER = 1013;
constexpr unsigned IDC_PASSWORD = 1014;
constexpr unsigned IDC_ADAPTERS = 1114;
constexpr unsigned IDC_SEARCH_MODE = 1116;
