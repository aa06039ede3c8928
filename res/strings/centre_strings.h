// String ids of the firmware check centre (texts in res/strings/centre.*.rc).
#pragma once

#define IDS_NO_UPGRADE 5          // "No Upgrade available"
#define IDS_CAPTION_CENTRE 368    // the centre's caption (dialog 368)
#define IDS_LINK_FW_LOG 1760      // the group's link to the firmware's release notes
#define IDS_LINK_ISP_LOG 1761     // the group's link to the ISP firmware's release notes
