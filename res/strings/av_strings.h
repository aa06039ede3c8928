// String ids of the video / audio page of the device settings dialog (texts in
// res/strings/av.*.rc). The tab's caption is the kit's 315.
#pragma once

// Row status results of the audio/video step: 530 audio ... 536 quality (dialogs/device_settings/av_apply.h).
#define IDS_AV_AUDIO_FAILED 530

// Captions and labels the page draws.
#define IDS_AV_STREAM_MODE 578
#define IDS_AV_STREAM_SETTINGS 579
#define IDS_AV_STREAM1 580
#define IDS_AV_STREAM2 581
#define IDS_AV_STREAM3 635
#define IDS_AV_FIRST_ROW_LABEL 582  // 582 "Video Encoder" ... 589 "Video GOP"
#define IDS_AV_AUDIO_STATE 590
#define IDS_AV_AUDIO_SENSITIVITY 591
#define IDS_AV_AUDIO_VOLUME 592
#define IDS_AV_TITLE 593

// Button captions under their control ids.
#define IDS_AV_ENABLE 1086
#define IDS_AV_SINGLE 1087
#define IDS_AV_DUAL 1088
#define IDS_AV_TRIPLE 1242
#define IDS_AV_AUDIO_ON 1105
#define IDS_AV_AUDIO_OFF 1106

// List entries: frame rates 1191-1195, bitrate modes 1196-1197, resolutions 1198-1206 and
// 1238-1241, rates 1208 ("Unlimited") to 1227, sensitivities 1228-1229.
#define IDS_AV_FIRST_FPS 1191
#define IDS_AV_CONSTANT 1196
#define IDS_AV_FIRST_RESOLUTION 1198
#define IDS_AV_MORE_RESOLUTIONS 1238
#define IDS_AV_UNLIMITED 1208
#define IDS_AV_HIGH 1228
