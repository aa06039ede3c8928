// String ids of the address-range scan (texts in res/strings/scan.*.rc).
#pragma once

#define IDS_SCAN_TITLE 370
#define IDS_SCAN_START 636
#define IDS_SCAN_END 637
#define IDS_SCAN_SCANNING 638
#define IDS_SCAN_COMPLETED 639
#define IDS_SCAN_ADD_ZONE 1000
