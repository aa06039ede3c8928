// String ids of the motion page of the device settings dialog (texts in
// res/strings/motion.*.rc). The tab's caption is the kit's 314.
#pragma once

// Row status result of the motion step (dialogs/device_settings/motion_apply.h) and the page's warning.
#define IDS_MOTION_FAILED 529
#define IDS_MOTION_INVALID_WINDOW 557

// Captions and labels the page draws.
#define IDS_MOTION_REGION 594
#define IDS_MOTION_SIZE_POSITION 595
#define IDS_MOTION_SENSITIVITY 596
#define IDS_MOTION_TIMER 597
#define IDS_MOTION_THRESHOLD 598
#define IDS_MOTION_TITLE 599
#define IDS_MOTION_PIR_TITLE 600

// The help box: full image size, coordinates, keep current settings.
#define IDS_MOTION_HELP_FULL 601
#define IDS_MOTION_HELP_COORDINATES 602
#define IDS_MOTION_HELP_KEEP 603

// Button captions under their control ids.
#define IDS_MOTION_ENABLE 1051
#define IDS_MOTION_PIR_ON 1056
#define IDS_MOTION_FULL_IMAGE 1057  // 1057-1059
#define IDS_MOTION_KEEP 1120        // 1120-1122
