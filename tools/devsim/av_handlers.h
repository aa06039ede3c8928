// The devices' audio/video and motion-detection commands, as the CGI interface
// (tools/devsim/cgi_handlers.h) answers them: capability lists, encoder settings kept per
// channel, the motion windows, and the requests a device of each platform refuses.
//
//   VIDEO_RESOLUTION_CAP, VIDEO_FPS_CAP   the device's lists, "KEY='list'"; a busy device
//                  answers "KEY='Error'" to its first requests of each
//   VIDEO_RESOLUTION=, VIDEO_ENCODER=, VIDEO_FPS_NUM=   kept per channel (no CHANNEL: 1); a
//                  VIDEO_RESOLUTION query answers the channel's value once one was set
//   MOTION_CONFIG=n,state,left,top,right,bottom,sensitivity,timer,threshold   sets window n
//                  of the channel; a bare MOTION_CONFIG answers the channel's three windows,
//                  one "MOTION_CONFIG='n,...'" line each
//
// The whole request is answered "ERROR" (nothing kept) when it holds:
//   - a resolution the device does not list, a frame rate outside 1 to the largest listed,
//     a codec the device does not take, or, on platform "K", an encoder without a resolution;
//   - VIDEO_STREAM on any platform but "K" and "T";
//   - an audio key on a device without audio, the audio input key of the other level kind;
//   - PIR_MD_CONFIG on a device without the sensor; a malformed MOTION_CONFIG.
//
// Per-device settings (config.h):
//   res_cap=N1920x1080,N1280x720,N640x480   the resolution list (taken as it stands)
//   fps_cap=1,5,10,15,30                    the frame-rate list
//   cap_busy=N          the first N requests for each list are answered "Error"
//   codecs=H264,MPEG4,MJPEG   the codecs taken (default: "MPEG4" on "W", "H264,MJPEG" on "D"
//                       and "E", all three on the others)
//   audio=0|1           the SYSTEM_INFO line "Audio = "; 0: the device has no audio
//   audio_level=LEVELS|MICBOOST   the line "AUDIO_IN_LEVEL_OPTION = "
//   streaming_mode=TEXT the line "STREAMING MODE = TEXT" (%20 for a blank)
//   pir=1               the device has a PIR sensor: the line "MD_SENSOR = 1"
//   motion1=, motion2=, motion3=   a window's eight numbers at start (state,left,top,right,
//                       bottom,sensitivity,timer,threshold), every channel the same;
//                       motion3_ch2= and the like for one channel
#pragma once
#include <string>
#include <vector>

#include "tools/devsim/sim_device.h"

namespace devsim {

// The lines the device adds to its SYSTEM_INFO answer.
std::string AvSystemInfoLines(const SimDevice& d);
// True when the device refuses the request as a whole.
bool AvRefuses(const SimDevice& d, const std::vector<std::string>& items);
// The answer to one item of a request the device took, when the item is one of the keys
// above; false for any other item.
bool AvItem(const SimDevice& d, int deviceIndex, int channel, const std::string& item, std::string* out);

}  // namespace devsim
