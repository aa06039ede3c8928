// String ids of the device settings dialog and its date/time and URL pages (texts in
// res/strings/settings.*.rc). Tab captions are the kit's dialog captions (313-316).
#pragma once

// Row status results of the settings workers.
#define IDS_DATE_TIME_FAILED 528
#define IDS_URL_COMMAND_FAILED 537

// Apply with no page enabled.
#define IDS_NOTHING_ENABLED 561

// Date and time page: labels and title.
#define IDS_LABEL_SERVER 570
#define IDS_LABEL_SYNC 571
#define IDS_LABEL_DATE 572
#define IDS_LABEL_TIME 573
#define IDS_LABEL_ZONE 574
#define IDS_LABEL_DST_START 575
#define IDS_LABEL_DST_END 576
#define IDS_TITLE_DATE_TIME 577

// URL page: labels, title and the two help texts.
#define IDS_LABEL_CGI 604
#define IDS_LABEL_COMMANDS 605
#define IDS_TITLE_URL 606
#define IDS_URL_HELP_FORM 607
#define IDS_URL_HELP_COMMANDS 608

// Button captions under their control ids.
#define IDS_ENABLE_DATE_TIME 1028
#define IDS_RADIO_SNTP 1029
#define IDS_RADIO_MANUAL 1030
#define IDS_CHECK_DST 1040
#define IDS_ENABLE_URL 1109

// List entries: the time zones 1124-1160, the rule types 1161-1162, months 1163-1174, week
// ordinals 1175-1178, weekdays 1179-1185, SNTP intervals 1186-1190.
#define IDS_FIRST_TIME_ZONE 1124
#define IDS_RULE_TYPE_1 1161
#define IDS_FIRST_MONTH 1163
#define IDS_FIRST_ORDINAL 1175
#define IDS_FIRST_WEEKDAY 1179
#define IDS_FIRST_INTERVAL 1186
