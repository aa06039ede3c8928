// String ids of the control kit (texts in res/strings/kit.*.rc).
#pragma once

// Button captions under their control ids.
#define IDS_BUTTON_OK 1
#define IDS_BUTTON_CANCEL 2
#define IDS_BUTTON_STOP_SCAN 1013
// The browse button of the dialogs.
#define IDS_BUTTON_BROWSE 1234

// Application title.
#define IDS_APP_TITLE 128

// Dialog captions, under the dialog template ids.
#define IDS_CAPTION_DATE_TIME 313
#define IDS_CAPTION_MOTION 314
#define IDS_CAPTION_VIDEO_AUDIO 315
#define IDS_CAPTION_URL 316
#define IDS_CAPTION_NETWORK_ADDRESS 317
#define IDS_CAPTION_DEVICE_SETTINGS 318
#define IDS_CAPTION_FIRMWARE_UPGRADE 319
#define IDS_CAPTION_CONFIG_BACKUP 320
#define IDS_CAPTION_CONFIG_RESTORE 321
#define IDS_CAPTION_VERSION 324

// Grid column headers.
#define IDS_COLUMN_PLATFORM 3
#define IDS_COLUMN_IP_ADDRESS 500
#define IDS_COLUMN_MAC_ADDRESS 501
#define IDS_COLUMN_FW_VERSION 502
#define IDS_COLUMN_MODEL 503
#define IDS_COLUMN_SERIAL 504
#define IDS_COLUMN_CAMERA_NAME 505
#define IDS_COLUMN_MULTICAST 506
#define IDS_COLUMN_STATUS 507

// Row status results: the first ten are successes (shown green).
#define IDS_STATUS_SUCCESS 508
#define IDS_STATUS_RESET_OK 509
#define IDS_STATUS_REBOOT_OK 510
#define IDS_STATUS_IP_SET_OK 511
#define IDS_STATUS_SETTINGS_OK 512
#define IDS_STATUS_FAILED 513
#define IDS_STATUS_UPGRADING 518
#define IDS_STATUS_REBOOTING 519
#define IDS_STATUS_UPLOADING 520
#define IDS_STATUS_PROCESSING 539
#define IDS_STATUS_ADDED_MANUALLY 540

// Message box texts and titles.
#define IDS_PLEASE_WAIT 558
#define IDS_TITLE_RESET 562
#define IDS_TITLE_SAVE_REBOOT 563
#define IDS_TITLE_WARNING 564
