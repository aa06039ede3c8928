// String ids of the batch engine and its workers (texts in res/strings/batch.*.rc).
#pragma once

// Row status results.
#define IDS_STATUS_RESET_FAIL 514
#define IDS_STATUS_REBOOT_FAIL 515
#define IDS_STATUS_IP_SET_FAIL 516
// The upgrade engine's failures (device/upgrade_job.h), also the device log's 524.
#define IDS_STATUS_RULE_CONFLICT 521
#define IDS_STATUS_NO_UPGRADE_FILE 522
#define IDS_STATUS_NO_CONFIG_FILE 523
#define IDS_STATUS_CONNECTION_FAIL 524
#define IDS_STATUS_UPLOAD_FAIL 525
#define IDS_STATUS_TIMEOUT 526
#define IDS_STATUS_UPGRADE_FAIL 527

// The selection check.
#define IDS_SELECT_DEVICE 549
#define IDS_BLOCKED_SELECTED 550

// Questions and wait box texts of reset and save & reboot.
#define IDS_RESET_QUESTION 555
#define IDS_SAVE_REBOOT_QUESTION 556
#define IDS_RESET_WAIT 560
// The wait box of a firmware upgrade.
#define IDS_UPGRADE_WAIT 559
