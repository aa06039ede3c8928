// String ids of the devices added by hand (texts in res/strings/manual.*.rc).
#pragma once

#define IDS_MANUAL_CONFLICTED 554
#define IDS_MANUAL_HTTP_PORT 568
#define IDS_MANUAL_ADD_REMOVE 612
#define IDS_MANUAL_ADD 1026
#define IDS_MANUAL_REMOVE 1027
#define IDS_MANUAL_NO_PORT 1231
#define IDS_MANUAL_BAD_PORT 1232
#define IDS_MANUAL_NOT_UNICAST 1233
