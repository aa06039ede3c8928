// The pieces of the audio/video requests that depend only on texts: what a device's system
// information tells of it, the codec each platform takes, the resolution and frame rate picked
// from the device's capability lists, and the quality and bitrate parts of the requests.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "dialogs/device_settings/av_settings.h"

// What the SYSTEM_INFO reply tells of a device (empty texts for keys it lacks).
struct AvDeviceFacts {
  std::string platform;     // "Platform = ", at most 7 characters
  std::string audio;        // "Audio = ", at most 7
  std::string levelOption;  // "AUDIO_IN_LEVEL_OPTION = ", at most 15
};
AvDeviceFacts ReadAvDeviceFacts(const std::string& systemInfo);

// "A", "T", "K", "W", "B", "I", "D", "E", "R5", "R9", "R9X4", "C".
bool IsKnownPlatform(const std::string& platform);
// Audio present unless the audio value begins with '0' (no "Audio" line: present).
bool HasAudio(const AvDeviceFacts& facts);
// 2 for "MICBOOST", 1 for "LEVELS", else 0.
int AudioLevelMode(const AvDeviceFacts& facts);
// How many streams a device without channel rows gets: none for a firmware with a version
// tag ("V1", "V2", "V3" piece), which takes the first stream only; else the stream mode.
int StreamCount(const std::wstring& firmware, int streamMode);
// "SINGLE" for 1, "TRIPLE" for 5, "DUAL" for any other mode.
std::wstring StreamText(int streamMode);
// The codec a platform is sent for the chosen one: always "MPEG4" on "W"; "MPEG4" for "H264"
// on "A" without the platform version; "H264" for "MPEG4" on "D" and "E"; else as chosen.
std::wstring AdjustCodec(const std::string& platform, const std::wstring& codec, bool newFirmware);

// ---- resolution ----------------------------------------------------------
// A device's resolution capability list: the text between the first pair of quotes of its
// reply, its entries as width and height (entries without both numbers are left out).
struct ResolutionCapability {
  std::string first;  // the first entry as listed ("N1920x1080"), empty when none
  bool ntsc = false;  // the first entry holds an 'N'
  std::vector<std::pair<int, int>> sizes;
};
ResolutionCapability ParseResolutionCapability(const std::string& reply);
// The page's resolution index in the device's form ("N1280x720" for NTSC, "P1280x720" for
// PAL; the four large sizes always "N..."); empty for index 0 and indexes outside 1 to 12.
std::wstring ResolutionForIndex(int index, bool ntsc);
// The listed size whose width + height is closest to the wanted one's, walking the list in
// order and stopping at the first entry that is not closer; "N%dx%d" or "P%dx%d". Empty for
// an empty list.
std::wstring FindClosestResolution(const std::vector<std::pair<int, int>>& sizes, int width, int height, bool ntsc);
// A resolution in the form a request takes: an optional 'N' or 'P', then width 'x' height, each
// 1 to 6 digits without a leading 0 ("N1920x1080", "1280x720").
bool IsResolutionValue(const std::string& text);
// The resolution to send for the page's index, from the capability reply: index 0 the first
// entry as listed (only when it IsResolutionValue); otherwise the index's text when it is one
// of the list's entries, else the closest listed size. Empty when there is nothing to send (no
// usable list, a first entry in another form, an index outside the page's list).
std::wstring ChooseResolution(int index, const std::string& capabilityReply);

// ---- frame rate ----------------------------------------------------------
// The numbers of an FPS capability reply ("VIDEO_FPS_CAP='1,5,10,15,30'", blanks allowed
// around the numbers), the whole list in order; entries without a number are left out.
std::vector<int> ParseFpsCapability(const std::string& reply);
// The rate for divisor k (0: the maximum, the list's last number; 2 and 4: the listed rate
// closest to maximum / k, a tie going to the lower). The lower rate is missing when the first
// listed rate already lies above the target: the target itself is then taken. 0 when the
// list holds no rate above 0.
int PickFps(const std::vector<int>& rates, int k);
// The divisor of the page's frame-rate index (0 "Max.", 1 "Half", 2 "Quarter"), -1 for the
// fixed rates and any other index.
int FpsDivisor(int fpsIndex);
// The fixed rate of index 3 ("2") and 4 ("1"); 0 for others.
int FixedFps(int fpsIndex);

// ---- quality and bitrate ---------------------------------------------------
// "&VIDEO_MJPEG_QUALITY=q" for MJPEG; else "&VIDEO_H264_QUALITY=" (H264) or
// "&VIDEO_MPEG4_QUALITY=" followed by "NONE" (quality 0), "LOW", "MIDDLE" or "HIGH" with
// "&VIDEO_GOP=g".
std::wstring QualityFragment(const std::wstring& codec, int quality, int gop);
// "6M", "5.5M", "5M", "4.5M", "4M", "3.5M": the rates above 3M.
bool IsHighRate(const std::wstring& rate);
// "&VIDEO_BITRATE=rate", a rate above 3M sent as 3M.
std::wstring PlainBitrateFragment(const std::wstring& bitrate);
// "&VIDEO_MAX_BITRATE=max" with a cap, or "&VIDEO_MAX_BITRATE=UNLIMITED&VIDEO_BITRATE=rate"
// without one; where `capped`, a rate above 3M is sent as 3M.
std::wstring BitrateFragment(const AvChannelSettings& channel, bool capped);
