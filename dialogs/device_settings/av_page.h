// What the video / audio page decides without its window: which of a stream's controls
// take input, which codecs a stream may take beside another, and the values behind its lists.
#pragma once
#include <string>
#include <vector>

#include "dialogs/device_settings/av_settings.h"

// The rows of a stream's column, top to bottom.
enum AvRow { AV_ENCODER, AV_RESOLUTION, AV_FPS, AV_MODE, AV_MAX_RATE, AV_RATE, AV_QUALITY, AV_GOP, AV_ROWS };

// The control id of each row's list, for streams 1, 2 and 3.
extern const unsigned kAvComboIds[AV_ROWS][3];

// Which rows below the frame rate take input: the bitrate mode unless the codec is MJPEG; the
// maximum rate in constant mode; the rate in constant mode without a maximum; the quality in
// variable mode or for MJPEG; the GOP in variable mode (not for MJPEG).
struct AvColumnEnables {
  bool mode, maxRate, rate, quality, gop;
};
AvColumnEnables ColumnEnables(const std::wstring& codec, bool constantMode, bool unlimited);

// The codecs a stream is offered beside a stream using `source`: all three beside MJPEG,
// otherwise the source's own kind (H264, or MPEG4 for any other) and MJPEG. Two streams thus
// never use H264 and MPEG4 at once.
std::vector<std::wstring> PairedCodecs(const std::wstring& source);
// The codec a stream keeps when its list becomes `offered`: its own when offered, else the first.
std::wstring KeptCodec(const std::wstring& current, const std::vector<std::wstring>& offered);
// "H264", "MPEG4", "MJPEG".
const std::vector<std::wstring>& AllCodecs();

// The rates of the bitrate lists as the devices take them, "6M" ... "28K" (the maximum-rate
// list has "Unlimited" before them); their texts in every language are these.
const std::vector<std::wstring>& RateValues();
// The rate's place in RateValues(), -1 when it is none of them.
int RateIndex(const std::wstring& rate);

// The families whose devices have a third stream: "K7W-701", "K7W-702", "K7W-703".
bool HasTripleStream(const std::wstring& family);
// Three streams only on the families that have them ("K7W-701" to "K7W-703"); for any other
// family a triple-stream mode becomes a single stream. The audio/video page shows the record
// so; the record itself is changed only by a confirmed dialog.
void KeepStreamModeFor(AvSettings& av, const std::wstring& family);
