// The audio/video settings without a network: the record and its section, the texts the
// requests are made of, and the whole request sequence of a device per platform, per stream
// and per channel row, with every failure's id and the capability lists' repeats.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/settings_file/settings_file.h"
#include "dialogs/device_settings/av_apply.h"
#include "dialogs/device_settings/av_page.h"
#include "dialogs/device_settings/device_job.h"
#include "tests/support/batch_fakes.h"
#include "tests/support/settings_worker_fixture.h"

namespace {

using testlab::ScriptedDevices;

std::string CapReply(const std::string& list) { return "VIDEO_RESOLUTION_CAP='" + list + "'\n"; }

TEST(AvSettingsRecord, WrittenInOrderAndReadBack) {
  AvSettings s;
  s.Enable = true;
  s.AudioEnable = true;
  s.StreamMode = 5;
  s.AudioVolume = 40;
  s.AudioSensitive = L"LOW";
  const wchar_t* codecs[3] = {L"H264", L"MJPEG", L"MPEG4"};
  for (int i = 0; i < 3; ++i) {
    s.channels[i].Encoder = codecs[i];
    s.channels[i].MaxBitrate = i == 0 ? L"UNLIMITED" : L"3M";
    s.channels[i].Bitrate = L"1.5M";
    s.channels[i].Resolution = 2 + i;
    s.channels[i].FPS = i;
    s.channels[i].Quality = 10 * i;
    s.channels[i].GOP = 30 + i;
  }
  IniDocument doc;
  SaveAvSettings(doc, s);
  std::vector<std::wstring> keys;
  for (const auto& e : doc.Entries(L"AV_DATA")) keys.push_back(e.first);
  EXPECT_EQ(keys, (std::vector<std::wstring>{
                      L"Ch1_Encoder", L"Ch2_Encoder", L"Ch3_Encoder", L"Ch1_MaxBitrate", L"Ch2_MaxBitrate",
                      L"Ch3_MaxBitrate", L"Ch1_Bitrate", L"Ch2_Bitrate", L"Ch3_Bitrate", L"AudioSensitive", L"Enable",
                      L"AudioEnable", L"Stream Mode", L"AudioVolume", L"Ch1_Resolution", L"Ch2_Resolution",
                      L"Ch3_Resolution", L"Ch1_FPS", L"Ch2_FPS", L"Ch3_FPS", L"Ch1_Quality", L"Ch2_Quality",
                      L"Ch3_Quality", L"Ch1_GOP", L"Ch2_GOP", L"Ch3_GOP"}));
  EXPECT_EQ(doc.Get(L"AV_DATA", L"Ch3_Resolution"), L"4");

  IniDocument file;
  file.Parse(doc.Serialize({L"AV_DATA"}));
  AvSettings back;
  back.Enable = true;
  LoadAvSettings(file, back);
  EXPECT_FALSE(back.Enable);  // never read back
  EXPECT_TRUE(back.AudioEnable);
  EXPECT_EQ(back.StreamMode, 5);
  EXPECT_EQ(back.AudioVolume, 40);
  EXPECT_EQ(back.AudioSensitive, L"LOW");
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(back.channels[i].Encoder, s.channels[i].Encoder);
    EXPECT_EQ(back.channels[i].MaxBitrate, s.channels[i].MaxBitrate);
    EXPECT_EQ(back.channels[i].Bitrate, s.channels[i].Bitrate);
    EXPECT_EQ(back.channels[i].Resolution, s.channels[i].Resolution);
    EXPECT_EQ(back.channels[i].FPS, s.channels[i].FPS);
    EXPECT_EQ(back.channels[i].Quality, s.channels[i].Quality);
    EXPECT_EQ(back.channels[i].GOP, s.channels[i].GOP);
  }
}

TEST(AvSettingsRecord, MissingSectionOddValuesAndLongTexts) {
  AvSettings d;
  d.AudioEnable = true;
  LoadAvSettings(IniDocument(), d);
  EXPECT_FALSE(d.AudioEnable);
  EXPECT_EQ(d.StreamMode, 1);
  EXPECT_EQ(d.AudioVolume, 84);
  EXPECT_EQ(d.AudioSensitive, L"High");
  for (const AvChannelSettings& c : d.channels) {
    EXPECT_EQ(c.Encoder, L"H264");
    EXPECT_EQ(c.MaxBitrate, L"Unlimited");
    EXPECT_EQ(c.Bitrate, L"2M");
    EXPECT_EQ(c.Resolution, 0);
    EXPECT_EQ(c.GOP, 0);
  }
  IniDocument odd;
  odd.Parse("[AV_DATA]\r\nAudioEnable=2\r\nStream Mode=3\r\nCh1_Encoder=H264H264H264\r\nCh2_Bitrate=" +
            std::string(40, '9') + "\r\nCh3_Resolution=13\r\n" +
            // A lone CR is no line end of the file, but no value can hold it when written.
            "Ch3_Encoder=MJPEG\ry=31\r\nAudioSensitive=LOW\rX\r\n");
  AvSettings s;
  LoadAvSettings(odd, s);
  EXPECT_FALSE(s.AudioEnable);     // only 1 sets it
  EXPECT_EQ(s.StreamMode, 3);      // kept: sent as dual with three streams
  EXPECT_EQ(s.channels[0].Encoder, L"H264H26");  // cut to the field
  EXPECT_EQ(s.channels[1].Bitrate, std::wstring(15, L'9'));
  EXPECT_EQ(s.channels[2].Resolution, 13);
  EXPECT_EQ(s.channels[2].Encoder, L"H264");
  EXPECT_EQ(s.AudioSensitive, L"High");
}

TEST(AvDeviceFacts, ReadFromSystemInformation) {
  struct Case {
    const char* reply;
    const char* platform;
    bool audio;
    int level;
  } cases[] = {
      {"Firmware Version = X\nPlatform = K\nAudio = 1\nAUDIO_IN_LEVEL_OPTION = LEVELS\n", "K", true, 1},
      {"Platform = 'R9X4'\r\nAudio = '0'\r\nAUDIO_IN_LEVEL_OPTION = 'MICBOOST'\r\n", "R9X4", false, 2},
      {"Platform = W\n", "W", true, 0},                         // no audio line: audio present
      {"Platform = K\rAudio = 0\rAUDIO_IN_LEVEL_OPTION = LEVELS\r", "K", false, 1},  // lines ended by CR alone
      {"Platform = ABCDEFGHIJ\nAudio = 01\n", "ABCDEFG", false, 0},  // cut to 7 characters
      {"AUDIO_IN_LEVEL_OPTION = levels\n", "", true, 0},         // case matters
      {"", "", true, 0},
  };
  for (const Case& c : cases) {
    const AvDeviceFacts f = ReadAvDeviceFacts(c.reply);
    EXPECT_EQ(f.platform, c.platform) << c.reply;
    EXPECT_EQ(HasAudio(f), c.audio) << c.reply;
    EXPECT_EQ(AudioLevelMode(f), c.level) << c.reply;
  }
  for (const char* p : {"A", "T", "K", "W", "B", "I", "D", "E", "R5", "R9", "R9X4", "C"}) EXPECT_TRUE(IsKnownPlatform(p)) << p;
  for (const char* p : {"", "X", "a", "R9X", "R"}) EXPECT_FALSE(IsKnownPlatform(p)) << p;
}

TEST(AvRequestTexts, CodecSubstitutionsAndStreams) {
  struct Case {
    const char* platform;
    const wchar_t* codec;
    bool newFirmware;
    const wchar_t* sent;
  } cases[] = {
      {"W", L"H264", false, L"MPEG4"}, {"W", L"MJPEG", true, L"MPEG4"},  {"A", L"H264", false, L"MPEG4"},
      {"A", L"H264", true, L"H264"},   {"A", L"MJPEG", false, L"MJPEG"}, {"D", L"MPEG4", false, L"H264"},
      {"E", L"MPEG4", true, L"H264"},  {"D", L"MJPEG", false, L"MJPEG"}, {"B", L"MPEG4", false, L"MPEG4"},
      {"T", L"H264", false, L"H264"},
  };
  for (const Case& c : cases) EXPECT_EQ(AdjustCodec(c.platform, c.codec, c.newFirmware), c.sent) << c.platform;
  EXPECT_EQ(StreamText(1), L"SINGLE");
  EXPECT_EQ(StreamText(2), L"DUAL");
  EXPECT_EQ(StreamText(3), L"DUAL");
  EXPECT_EQ(StreamText(5), L"TRIPLE");
  EXPECT_EQ(StreamCount(L"K7W-702-A3.01.02", 5), 5);
  EXPECT_EQ(StreamCount(L"K7W-702-V2.1-LV", 5), 0);
}

TEST(AvRequestTexts, ClosestResolution) {
  using Sizes = std::vector<std::pair<int, int>>;
  struct Case {
    Sizes sizes;
    int w, h;
    bool ntsc;
    const wchar_t* result;
  } cases[] = {
      {{{1920, 1080}, {640, 480}}, 1280, 720, true, L"N640x480"},
      {{{1920, 1080}, {1280, 960}, {640, 480}, {320, 240}}, 1280, 720, true, L"N1280x960"},
      {{{1920, 1080}, {1280, 720}, {640, 480}}, 1280, 720, false, L"P1280x720"},
      {{{640, 480}, {1280, 720}}, 1920, 1080, true, L"N1280x720"},
      {{{1920, 1080}}, 160, 112, false, L"P1920x1080"},
      {{}, 1280, 720, true, L""},
  };
  for (const Case& c : cases) EXPECT_EQ(FindClosestResolution(c.sizes, c.w, c.h, c.ntsc), c.result) << c.result;
}

TEST(AvRequestTexts, ResolutionChosenFromTheCapabilityList) {
  struct Case {
    std::string reply;
    int index;
    const wchar_t* value;
  } cases[] = {
      {CapReply("N1920x1080,N1280x720,N640x480"), 2, L"N1280x720"},
      {CapReply("N1920x1080,N640x480"), 2, L"N640x480"},
      {CapReply("N1920x1080,N1280x960,N640x480,N320x240"), 2, L"N1280x960"},
      {CapReply("1920x1080,1280x720,640x480"), 2, L"P1280x720"},     // no letters: PAL, by the walk
      {CapReply("P1920x1080,P1280x720"), 9, L"P1920x1080"},           // "N2048x1536" not listed
      {CapReply("N2048x1536,N1920x1080"), 9, L"N2048x1536"},
      {CapReply("P720x576,P352x288"), 3, L"P720x576"},
      {CapReply("N1920x1080,N1280x720"), 0, L"N1920x1080"},          // "Max": the first entry
      {CapReply("N1920x1080,foo,N1280,N640x480"), 2, L"N640x480"},    // entries without two numbers left out
      {CapReply("N1280x720;N640x480"), 4, L"N640x480"},
      {CapReply("abc"), 2, L""},   // nothing usable
      {CapReply("abc"), 0, L""},
      {"VIDEO_RESOLUTION_CAP=N1280x720", 4, L""},  // no quotes
      {CapReply("N1920x1080"), 13, L""},
      {CapReply("N1920x1080"), -1, L""},
      // Only whole entries match: "N1280x720" is not in "N1280x7200", nor in text after the list.
      {CapReply("N1280x7200,N640x480"), 2, L"N640x480"},
      {CapReply("N1920x1080,N640x480") + "N1280x720\n", 2, L"N640x480"},
      {CapReply("N1920x1080, N1280x720 ,N640x480"), 2, L"N1280x720"},
      // "Max" sends the device's first entry only in the form a request takes.
      {CapReply("N1920x1080&SYSTEM_RESET=1,N1280x720"), 0, L""},
      {CapReply("N1920x1080 1,N1280x720"), 0, L""},
      {CapReply("N1920X1080,N1280x720"), 0, L""},
      {CapReply("N01920x1080"), 0, L""},
      {CapReply("N1920x1080x5"), 0, L""},
      {CapReply(" P1920x1080 ,P1280x720"), 0, L"P1920x1080"},
      {CapReply("1920x1080,1280x720"), 0, L"1920x1080"},
      // A size too large to be a device's is no entry; a size of 0 neither.
      {CapReply("N99999999x1080,N0x0,N640x480"), 2, L"N640x480"},
  };
  for (const Case& c : cases) EXPECT_EQ(ChooseResolution(c.index, c.reply), c.value) << c.reply << " " << c.index;
}

TEST(AvRequestTexts, FrameRatePick) {
  EXPECT_EQ(ParseFpsCapability("VIDEO_FPS_CAP='1,5,10,15,30'\n"), (std::vector<int>{1, 5, 10, 15, 30}));
  EXPECT_EQ(ParseFpsCapability("VIDEO_FPS_CAP = '1,,5,x,7'"), (std::vector<int>{1, 5}));
  EXPECT_TRUE(ParseFpsCapability("VIDEO_FPS_CAP='none'").empty());
  // The whole list, however long, and blanks after the commas.
  std::string oneToThirty;
  std::vector<int> upTo30;
  for (int r = 1; r <= 30; ++r) {
    oneToThirty += (r > 1 ? "," : "") + std::to_string(r);
    upTo30.push_back(r);
  }
  EXPECT_EQ(ParseFpsCapability("VIDEO_FPS_CAP='" + oneToThirty + "'\n"), upTo30);
  EXPECT_EQ(PickFps(ParseFpsCapability("VIDEO_FPS_CAP='" + oneToThirty + "'\n"), 0), 30);
  EXPECT_EQ(PickFps(ParseFpsCapability("VIDEO_FPS_CAP='" + oneToThirty + "'\n"), 2), 15);
  EXPECT_EQ(ParseFpsCapability("VIDEO_FPS_CAP='1, 5, 10, 15, 30'\n"), (std::vector<int>{1, 5, 10, 15, 30}));
  EXPECT_EQ(ParseFpsCapability("VIDEO_FPS_CAP='1 ,\t5 , 30 '"), (std::vector<int>{1, 5, 30}));
  EXPECT_EQ(ParseFpsCapability("VIDEO_FPS_CAP='5,99999999999,30'"), (std::vector<int>{5, 30}));
  struct Case {
    std::vector<int> rates;
    int k;
    int fps;
  } cases[] = {
      {{1, 5, 10, 15, 30}, 0, 30},
      {{1, 5, 10, 15, 30}, 2, 15},  // 15 * 2 is the maximum
      {{1, 5, 10, 15, 30}, 4, 5},   // 5 and 10 both 10 away: the lower
      {{1, 2, 3, 5, 6, 7, 8, 10, 12, 15, 20, 25}, 4, 6},
      {{30}, 2, 15},                // nothing at or below the target: the target, never 0
      {{25}, 4, 6},
      {{0, 0, 30}, 4, 7},
      {{0}, 0, 0},                  // no rate at all
      {{}, 2, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(PickFps(c.rates, c.k), c.fps) << c.k;
  EXPECT_EQ(FpsDivisor(0), 0);
  EXPECT_EQ(FpsDivisor(1), 2);
  EXPECT_EQ(FpsDivisor(2), 4);
  EXPECT_EQ(FpsDivisor(3), -1);
  EXPECT_EQ(FixedFps(3), 2);
  EXPECT_EQ(FixedFps(4), 1);
  EXPECT_EQ(FixedFps(5), 0);
}

TEST(AvRequestTexts, QualityAndBitrateFragments) {
  struct Q {
    const wchar_t* codec;
    int quality;
    const wchar_t* text;
  } quality[] = {
      {L"MPEG4", 0, L"&VIDEO_MPEG4_QUALITY=NONE"},
      {L"MPEG4", 32, L"&VIDEO_MPEG4_QUALITY=LOW&VIDEO_GOP=15"},
      {L"H264", 33, L"&VIDEO_H264_QUALITY=MIDDLE&VIDEO_GOP=15"},
      {L"H264", 65, L"&VIDEO_H264_QUALITY=MIDDLE&VIDEO_GOP=15"},
      {L"MPEG4", 66, L"&VIDEO_MPEG4_QUALITY=HIGH&VIDEO_GOP=15"},
      {L"MJPEG", 80, L"&VIDEO_MJPEG_QUALITY=80"},
  };
  for (const Q& q : quality) EXPECT_EQ(QualityFragment(q.codec, q.quality, 15), q.text) << q.quality;

  EXPECT_EQ(PlainBitrateFragment(L"4.5M"), L"&VIDEO_BITRATE=3M");
  EXPECT_EQ(PlainBitrateFragment(L"3M"), L"&VIDEO_BITRATE=3M");
  EXPECT_EQ(PlainBitrateFragment(L"750K"), L"&VIDEO_BITRATE=750K");
  struct B {
    const wchar_t* max;
    const wchar_t* rate;
    bool capped;
    const wchar_t* text;
  } bitrate[] = {
      {L"4M", L"2M", true, L"&VIDEO_MAX_BITRATE=3M"},
      {L"4M", L"2M", false, L"&VIDEO_MAX_BITRATE=4M"},
      {L"2.5M", L"6M", true, L"&VIDEO_MAX_BITRATE=2.5M"},
      {L"UNLIMITED", L"6M", true, L"&VIDEO_MAX_BITRATE=UNLIMITED&VIDEO_BITRATE=3M"},
      {L"UNLIMITED", L"5.5M", false, L"&VIDEO_MAX_BITRATE=UNLIMITED&VIDEO_BITRATE=5.5M"},
      {L"UNLIMITED", L"1M", true, L"&VIDEO_MAX_BITRATE=UNLIMITED&VIDEO_BITRATE=1M"},
  };
  for (const B& b : bitrate) {
    AvChannelSettings c;
    c.MaxBitrate = b.max;
    c.Bitrate = b.rate;
    EXPECT_EQ(BitrateFragment(c, b.capped), b.text) << b.max << " " << b.rate;
  }
}

TEST(AvPage, EnableMatrixAndCodecPairing) {
  struct Case {
    const wchar_t* codec;
    bool constant, unlimited;
    AvColumnEnables e;  // mode, max rate, rate, quality, GOP
  } cases[] = {
      {L"H264", true, true, {true, true, true, false, false}},
      {L"H264", true, false, {true, true, false, false, false}},   // a cap chosen: no rate
      {L"MPEG4", false, true, {true, false, false, true, true}},   // variable: quality and GOP
      {L"MJPEG", true, true, {false, false, false, true, false}},  // MJPEG: quality only
      {L"MJPEG", false, false, {false, false, false, true, false}},
  };
  for (const Case& c : cases) {
    const AvColumnEnables e = ColumnEnables(c.codec, c.constant, c.unlimited);
    EXPECT_EQ((std::vector<bool>{e.mode, e.maxRate, e.rate, e.quality, e.gop}),
              (std::vector<bool>{c.e.mode, c.e.maxRate, c.e.rate, c.e.quality, c.e.gop}))
        << c.codec << " " << c.constant << c.unlimited;
  }
  using Codecs = std::vector<std::wstring>;
  EXPECT_EQ(PairedCodecs(L"MJPEG"), (Codecs{L"H264", L"MPEG4", L"MJPEG"}));
  EXPECT_EQ(PairedCodecs(L"H264"), (Codecs{L"H264", L"MJPEG"}));
  EXPECT_EQ(PairedCodecs(L"MPEG4"), (Codecs{L"MPEG4", L"MJPEG"}));
  EXPECT_EQ(KeptCodec(L"H264", PairedCodecs(L"MPEG4")), L"MPEG4");
  EXPECT_EQ(KeptCodec(L"MJPEG", PairedCodecs(L"MPEG4")), L"MJPEG");
  EXPECT_EQ(KeptCodec(L"MPEG4", PairedCodecs(L"MJPEG")), L"MPEG4");
  for (const wchar_t* f : {L"K7W-701", L"K7W-702", L"K7W-703"}) EXPECT_TRUE(HasTripleStream(f));
  for (const wchar_t* f : {L"K7W-704", L"", L"K7W-70"}) EXPECT_FALSE(HasTripleStream(f));
  EXPECT_EQ(RateIndex(L"6M"), 0);
  EXPECT_EQ(RateIndex(L"28K"), 18);
  EXPECT_EQ(RateIndex(L"Unlimited"), -1);
}

// ---- whole devices ---------------------------------------------------------

const std::wstring S = L"/cgi-bin/cmd/system?";
const std::wstring E = L"/cgi-bin/cmd/encoder?";
const wchar_t kOldFirmware[] = L"K7W-320-1.01.06";
const wchar_t kNewFirmware[] = L"K7W-701-A3.01.02-LV";

struct AvDevices : testlab::SettingsWorkerTest {
  void SetUp() override {
    AvSettings& av = records.av;
    av.Enable = true;
    av.AudioEnable = true;
    av.AudioVolume = 60;
    av.AudioSensitive = L"LOW";
    av.StreamMode = 1;
    AvChannelSettings& c = av.channels[0];
    c.Encoder = L"H264";
    c.MaxBitrate = L"UNLIMITED";
    c.Bitrate = L"4M";
    c.Resolution = 2;  // 720P
    c.FPS = 1;         // half
    c.Quality = 50;
    c.GOP = 30;
  }
  // A device at `ip` that reports this system information and the usual capability lists.
  void Device(const std::wstring& ip, const std::string& systemInfo) {
    devices.rules.push_back({ip, S + L"SYSTEM_INFO", 1, systemInfo});
    for (int ch = 1; ch <= 3; ++ch) {
      const std::wstring c = L"CHANNEL=" + std::to_wstring(ch);
      devices.rules.push_back({ip, S + c + L"&VIDEO_RESOLUTION_CAP", 1, CapReply("N1920x1080,N1280x720,N640x480")});
      devices.rules.push_back({ip, S + c + L"&VIDEO_FPS_CAP", 1, "VIDEO_FPS_CAP='1,5,10,15,30'\n"});
    }
  }
  DeviceJob Job(const std::wstring& ip, const std::wstring& firmware, std::vector<int> channels = {}) {
    return JobOf(ip, 1, firmware, std::move(channels));
  }
};

std::string Info(const std::string& platform, const std::string& audio = "1", const std::string& level = "LEVELS") {
  std::string s = "Firmware Version = X\nPlatform = " + platform + "\n";
  if (!audio.empty()) s += "Audio = " + audio + "\n";
  if (!level.empty()) s += "AUDIO_IN_LEVEL_OPTION = " + level + "\n";
  return s;
}

TEST_F(AvDevices, RequestSequencePerPlatform) {
  using Paths = std::vector<std::wstring>;
  const std::wstring c1 = L"CHANNEL=1";
  const Paths audioOld = {S + c1 + L"&V2_AUDIO_ENABLED=1", S + c1 + L"&AUDIO_IN_LEVEL=LOW&AUDIO_OUT_VOLUME=60"};
  const std::wstring resCap = S + c1 + L"&VIDEO_RESOLUTION_CAP";
  const std::wstring fpsCap = S + c1 + L"&VIDEO_FPS_CAP";
  const std::wstring res = E + c1 + L"&VIDEO_RESOLUTION=N1280x720";
  const std::wstring fps = E + c1 + L"&VIDEO_FPS_NUM=15";
  const std::wstring rate4 = E + c1 + L"&VIDEO_MAX_BITRATE=UNLIMITED&VIDEO_BITRATE=4M";
  const std::wstring rate3 = E + c1 + L"&VIDEO_MAX_BITRATE=UNLIMITED&VIDEO_BITRATE=3M";
  const std::wstring stream = E + L"VIDEO_STREAM=SINGLE";
  auto join = [](std::initializer_list<Paths> parts) {
    Paths out = {S + L"SYSTEM_INFO"};
    for (const Paths& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
  };
  const Paths video = {E + c1 + L"&VIDEO_ENCODER=H264", resCap, res, fpsCap, fps, rate4};
  struct Case {
    const char* name;
    std::string info;
    const wchar_t* firmware;
    int result;
    Paths requests;
  };
  const std::vector<Case> cases = {
      {"B", Info("B"), kOldFirmware, 0, join({audioOld, video})},
      {"A old firmware: MPEG4, rates capped", Info("A"), kOldFirmware, 0,
       join({audioOld, {E + c1 + L"&VIDEO_ENCODER=MPEG4", resCap, res, fpsCap, fps, rate3}})},
      {"A new firmware: volume only", Info("A"), kNewFirmware, 0,
       join({{S + c1 + L"&V2_AUDIO_ENABLED=1", S + c1 + L"&AUDIO_OUT_VOLUME=60"}, video})},
      {"T: stream first", Info("T"), kOldFirmware, 0, join({audioOld, {stream}, video})},
      {"K: encoder and resolution together", Info("K"), kOldFirmware, 0,
       join({audioOld, {stream, resCap, E + c1 + L"&VIDEO_ENCODER=H264&VIDEO_RESOLUTION=N1280x720", fpsCap, fps, rate4}})},
      {"W: MPEG4, quality, plain bitrate", Info("W"), kOldFirmware, 0,
       join({audioOld,
             {E + c1 + L"&VIDEO_ENCODER=MPEG4", resCap, res, fpsCap, fps,
              E + c1 + L"&VIDEO_MPEG4_QUALITY=MIDDLE&VIDEO_GOP=30", E + c1 + L"&VIDEO_BITRATE=3M"}})},
      {"D", Info("D"), kOldFirmware, 0, join({audioOld, video})},
      {"E, microphone boost", Info("E", "1", "MICBOOST"), kOldFirmware, 0,
       join({{S + c1 + L"&V2_AUDIO_ENABLED=1", S + c1 + L"&AUDIO_IN_SENSITIVITY=LOW&AUDIO_OUT_VOLUME=60"}, video})},
      {"I, no level option", Info("I", "1", ""), kOldFirmware, 0, join({{S + c1 + L"&V2_AUDIO_ENABLED=1"}, video})},
      {"R9X4 without audio", Info("R9X4", "0"), kOldFirmware, 0, join({video})},
      {"unknown with audio", Info("X"), kOldFirmware, 530, join({})},
      {"unknown, no audio line", Info("X", ""), kOldFirmware, 530, join({})},
      {"unknown without audio: video only", Info("X", "0"), kOldFirmware, 0, join({video})},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::wstring ip = L"10.0.1." + std::to_wstring(++n);
    Device(ip, c.info);
    EXPECT_EQ(ApplyAvSettingsToDevice(context, Job(ip, c.firmware)), c.result) << c.name;
    EXPECT_EQ(devices.RequestsOf(ip), c.requests) << c.name;
  }
  // The other known platforms take the common form.
  for (const char* p : {"C", "R5", "R9"}) {
    const std::wstring ip = L"10.0.1." + std::to_wstring(++n);
    Device(ip, Info(p));
    EXPECT_EQ(ApplyAvSettingsToDevice(context, Job(ip, kOldFirmware)), 0) << p;
    EXPECT_EQ(devices.RequestsOf(ip), join({audioOld, video})) << p;
  }
}

TEST_F(AvDevices, EachStreamOnItsChannelOrTheFirstStreamOnEveryChannelRow) {
  records.av.StreamMode = 5;
  AvChannelSettings& s2 = records.av.channels[1];
  s2.Encoder = L"MJPEG";
  s2.MaxBitrate = L"2M";
  s2.Resolution = 4;  // VGA
  s2.FPS = 3;         // 2 frames, no list asked
  AvChannelSettings& s3 = records.av.channels[2];
  s3.Encoder = L"MPEG4";
  s3.MaxBitrate = L"UNLIMITED";
  s3.Bitrate = L"500K";
  s3.Resolution = 0;  // the largest listed
  s3.FPS = 4;
  Device(L"10.0.2.1", Info("T", "0"));
  EXPECT_EQ(ApplyAvSettingsToDevice(context, Job(L"10.0.2.1", kOldFirmware)), 0);
  const std::wstring stream = E + L"VIDEO_STREAM=TRIPLE";
  EXPECT_EQ(devices.RequestsOf(L"10.0.2.1"),
            (std::vector<std::wstring>{
                S + L"SYSTEM_INFO", stream, E + L"CHANNEL=1&VIDEO_ENCODER=H264", S + L"CHANNEL=1&VIDEO_RESOLUTION_CAP",
                E + L"CHANNEL=1&VIDEO_RESOLUTION=N1280x720", S + L"CHANNEL=1&VIDEO_FPS_CAP", E + L"CHANNEL=1&VIDEO_FPS_NUM=15",
                E + L"CHANNEL=1&VIDEO_MAX_BITRATE=UNLIMITED&VIDEO_BITRATE=4M",  //
                stream, E + L"CHANNEL=2&VIDEO_ENCODER=MJPEG", S + L"CHANNEL=2&VIDEO_RESOLUTION_CAP",
                E + L"CHANNEL=2&VIDEO_RESOLUTION=N640x480", E + L"CHANNEL=2&VIDEO_FPS_NUM=2",
                E + L"CHANNEL=2&VIDEO_MAX_BITRATE=2M",  //
                stream, E + L"CHANNEL=3&VIDEO_ENCODER=MPEG4", S + L"CHANNEL=3&VIDEO_RESOLUTION_CAP",
                E + L"CHANNEL=3&VIDEO_RESOLUTION=N1920x1080", E + L"CHANNEL=3&VIDEO_FPS_NUM=1",
                E + L"CHANNEL=3&VIDEO_MAX_BITRATE=UNLIMITED&VIDEO_BITRATE=500K"}));

  // A firmware with a version tag takes the first stream only, whatever the mode.
  Device(L"10.0.2.2", Info("B", "0"));
  EXPECT_EQ(ApplyAvSettingsToDevice(context, Job(L"10.0.2.2", L"K7W-702-V2.1-LV")), 0);
  for (const std::wstring& r : devices.RequestsOf(L"10.0.2.2")) EXPECT_EQ(r.find(L"CHANNEL=2"), std::wstring::npos) << r;

  // A mode 3 from a hand-edited file: dual stream, three streams applied.
  records.av.StreamMode = 3;
  Device(L"10.0.2.3", Info("T", "0"));
  EXPECT_EQ(ApplyAvSettingsToDevice(context, Job(L"10.0.2.3", kOldFirmware)), 0);
  const auto r3 = devices.RequestsOf(L"10.0.2.3");
  EXPECT_EQ(std::count(r3.begin(), r3.end(), E + L"VIDEO_STREAM=DUAL"), 3);
  EXPECT_NE(std::find(r3.begin(), r3.end(), E + L"CHANNEL=3&VIDEO_ENCODER=MPEG4"), r3.end());

  // Channel rows 1 and 2: the first stream's settings on each, never the second's.
  Device(L"10.0.2.4", Info("B"));
  EXPECT_EQ(ApplyAvSettingsToDevice(context, Job(L"10.0.2.4", kOldFirmware, {1, 2})), 0);
  const auto r4 = devices.RequestsOf(L"10.0.2.4");
  EXPECT_EQ(std::count(r4.begin(), r4.end(), S + L"CHANNEL=2&V2_AUDIO_ENABLED=1"), 1);
  EXPECT_EQ(std::count(r4.begin(), r4.end(), E + L"CHANNEL=2&VIDEO_ENCODER=H264"), 1);
  EXPECT_EQ(std::count(r4.begin(), r4.end(), E + L"CHANNEL=2&VIDEO_RESOLUTION=N1280x720"), 1);
  for (const std::wstring& r : r4) {
    EXPECT_EQ(r.find(L"MJPEG"), std::wstring::npos) << r;
    EXPECT_EQ(r.find(L"CHANNEL=3"), std::wstring::npos) << r;
  }
}

TEST_F(AvDevices, FirstFailureEndsTheDeviceWithItsId) {
  struct Case {
    const char* platform;
    std::wstring failing;  // the path prefix the device refuses
    int result;
    int failAs = -2;       // what the refusal looks like
  };
  const std::vector<Case> cases = {
      {"T", S + L"CHANNEL=1&V2_AUDIO_ENABLED", 530},
      {"T", S + L"CHANNEL=1&AUDIO_IN_LEVEL", 530, -3},
      {"T", E + L"VIDEO_STREAM", 531},
      {"T", E + L"CHANNEL=1&VIDEO_ENCODER", 532, -1},
      {"T", S + L"CHANNEL=1&VIDEO_RESOLUTION_CAP", 533, -1},
      {"T", E + L"CHANNEL=1&VIDEO_RESOLUTION=", 533},
      {"T", S + L"CHANNEL=1&VIDEO_FPS_CAP", 534, -1},
      {"T", E + L"CHANNEL=1&VIDEO_FPS_NUM", 534},
      {"T", E + L"CHANNEL=1&VIDEO_MAX_BITRATE", 535},
      {"K", E + L"VIDEO_STREAM", 533},
      {"K", E + L"CHANNEL=1&VIDEO_ENCODER", 533},
      {"W", E + L"CHANNEL=1&VIDEO_MPEG4_QUALITY", 536},
      {"W", E + L"CHANNEL=1&VIDEO_BITRATE", 535, -1},
      {"B", S + L"SYSTEM_INFO", 530, -1},  // no platform told: unknown, with audio
  };
  records.av.StreamMode = 2;  // a failure on channel 1 leaves channel 2 alone
  int n = 0;
  for (const Case& c : cases) {
    const std::wstring ip = L"10.0.3." + std::to_wstring(++n);
    devices.rules.push_back({ip, c.failing, c.failAs});
    Device(ip, Info(c.platform));
    EXPECT_EQ(ApplyAvSettingsToDevice(context, Job(ip, kOldFirmware)), c.result) << c.failing;
    const auto sent = devices.RequestsOf(ip);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back().compare(0, c.failing.size(), c.failing), 0) << c.failing << ": last " << sent.back();
  }
}

TEST_F(AvDevices, CapabilityListsAskedAgainWhileTheDeviceIsBusy) {
  const std::wstring resCap = S + L"CHANNEL=1&VIDEO_RESOLUTION_CAP";
  // Busy three times, then the list.
  devices.rules.push_back({L"10.0.4.1", resCap, 30, "VIDEO_RESOLUTION_CAP='Error: busy'\n", 3});
  Device(L"10.0.4.1", Info("B", "0"));
  EXPECT_EQ(ApplyAvSettingsToDevice(context, Job(L"10.0.4.1", kOldFirmware)), 0);
  auto sent = devices.RequestsOf(L"10.0.4.1");
  EXPECT_EQ(std::count(sent.begin(), sent.end(), resCap), 4);
  EXPECT_EQ(clock.Count("capability busy=3000"), 3);
  EXPECT_NE(std::find(sent.begin(), sent.end(), E + L"CHANNEL=1&VIDEO_RESOLUTION=N1280x720"), sent.end());

  // Busy for good: ten repeats and one more pause, then the reply as it stands holds nothing
  // to send: 533, and no empty resolution goes out.
  devices.rules.push_back({L"10.0.4.2", resCap, 30, "VIDEO_RESOLUTION_CAP='Error: busy'\n"});
  Device(L"10.0.4.2", Info("B", "0"));
  EXPECT_EQ(ApplyAvSettingsToDevice(context, Job(L"10.0.4.2", kOldFirmware)), 533);
  sent = devices.RequestsOf(L"10.0.4.2");
  EXPECT_EQ(std::count(sent.begin(), sent.end(), resCap), 11);
  EXPECT_EQ(clock.Count("capability busy=3000"), 3 + 11);
  EXPECT_EQ(sent.back(), resCap);

  // The frame-rate list the same way; an unusable list is 534 without a frame rate sent.
  const std::wstring fpsCap = S + L"CHANNEL=1&VIDEO_FPS_CAP";
  devices.rules.push_back({L"10.0.4.3", fpsCap, 20, "VIDEO_FPS_CAP='Error'\n", 1});
  devices.rules.push_back({L"10.0.4.3", fpsCap, 20, "VIDEO_FPS_CAP='0,n/a'\n"});
  Device(L"10.0.4.3", Info("B", "0"));
  EXPECT_EQ(ApplyAvSettingsToDevice(context, Job(L"10.0.4.3", kOldFirmware)), 534);
  sent = devices.RequestsOf(L"10.0.4.3");
  EXPECT_EQ(std::count(sent.begin(), sent.end(), fpsCap), 2);
  EXPECT_EQ(sent.back(), fpsCap);

  // A stopped batch ends the pauses at once.
  context.stop->Request();
  devices.rules.push_back({L"10.0.4.4", resCap, 30, "VIDEO_RESOLUTION_CAP='Error: busy'\n"});
  Device(L"10.0.4.4", Info("B", "0"));
  EXPECT_NE(ApplyAvSettingsToDevice(context, Job(L"10.0.4.4", kOldFirmware)), 0);
}

TEST_F(AvDevices, WhatTheListsHoldIsWhatIsSent) {
  const std::wstring resCap = S + L"CHANNEL=1&VIDEO_RESOLUTION_CAP";
  const std::wstring fpsCap = S + L"CHANNEL=1&VIDEO_FPS_CAP";
  std::string oneToThirty;
  for (int r = 1; r <= 30; ++r) oneToThirty += (r > 1 ? "," : "") + std::to_string(r);
  const std::string longList = "VIDEO_FPS_CAP='" + oneToThirty + "'\n";
  const std::string usualSizes = CapReply("N1920x1080,N1280x720");
  struct Case {
    const char* name;
    int resolution, fps;  // the page's indexes
    std::string resReply, fpsReply;
    int result;
    std::wstring sent;     // a request the device gets
    std::wstring never;    // a text no request holds
  };
  const std::vector<Case> cases = {
      {"Max. of a long list", 2, 0, usualSizes, longList, 0, E + L"CHANNEL=1&VIDEO_FPS_NUM=30", L""},
      {"Half of a long list", 2, 1, usualSizes, longList, 0, E + L"CHANNEL=1&VIDEO_FPS_NUM=15", L""},
      {"blanks after the commas", 2, 0, usualSizes, "VIDEO_FPS_CAP='1, 5, 10, 15, 30'\n", 0,
       E + L"CHANNEL=1&VIDEO_FPS_NUM=30", L""},
      {"a longer entry is not the wanted one", 2, 3, CapReply("N1280x7200,N640x480"), "", 0,
       E + L"CHANNEL=1&VIDEO_RESOLUTION=N640x480", L"N1280x720"},
      {"Max with a first entry that is no resolution", 0, 3, CapReply("N1920x1080&SYSTEM_RESET=1,N1280x720"), "", 533,
       resCap, L"SYSTEM_RESET"},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::wstring ip = L"10.0.8." + std::to_wstring(++n);
    records.av.channels[0].Resolution = c.resolution;
    records.av.channels[0].FPS = c.fps;
    devices.rules.push_back({ip, resCap, 1, c.resReply});
    if (!c.fpsReply.empty()) devices.rules.push_back({ip, fpsCap, 1, c.fpsReply});
    Device(ip, Info("B", "0"));
    EXPECT_EQ(ApplyAvSettingsToDevice(context, Job(ip, kOldFirmware)), c.result) << c.name;
    const auto sent = devices.RequestsOf(ip);
    EXPECT_NE(std::find(sent.begin(), sent.end(), c.sent), sent.end()) << c.name;
    if (!c.never.empty()) {
      for (const std::wstring& r : sent) EXPECT_EQ(r.find(c.never), std::wstring::npos) << c.name << ": " << r;
    }
  }
}

TEST_F(AvDevices, BitrateCapOfTheJob) {
  records.av.channels[0].MaxBitrate = L"4M";
  Device(L"10.0.5.1", Info("B", "0"));
  Device(L"10.0.5.2", Info("B", "0"));
  DeviceJob capped = Job(L"10.0.5.1", kOldFirmware);
  capped.bitrateLimit = true;
  EXPECT_EQ(ApplyAvSettingsToDevice(context, capped), 0);
  EXPECT_EQ(devices.RequestsOf(L"10.0.5.1").back(), E + L"CHANNEL=1&VIDEO_MAX_BITRATE=3M");
  EXPECT_EQ(ApplyAvSettingsToDevice(context, Job(L"10.0.5.2", kOldFirmware)), 0);
  EXPECT_EQ(devices.RequestsOf(L"10.0.5.2").back(), E + L"CHANNEL=1&VIDEO_MAX_BITRATE=4M");
}

}  // namespace
