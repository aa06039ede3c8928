// Audio/video and motion settings against simulated devices of several platforms: the whole
// request sequence each device gets in its platform's form, the capability lists of a busy
// device, the stop at the first failure (whatever its kind) with its step's id, and the
// windows the devices keep.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/batch/batch_engine.h"
#include "dialogs/device_settings/device_settings_operation.h"
#include "tests/support/batch_fakes.h"
#include "tests/support/settings_worker_fixture.h"
#include "tests/support/sim_suite.h"

namespace {

const char kK[] = "10.231.4.1";         // platform K, audio with input levels, PIR sensor
const char kW[] = "10.231.4.2";         // platform W, no audio, takes MPEG4 only
const char kBusy[] = "10.231.4.3";      // platform T, busy for its first two list requests
const char kGarbled[] = "10.231.4.4";   // platform B whose resolution list cannot be read
const char kD[] = "10.231.4.5";         // platform D, takes no MPEG4, two channel rows
const char kUnknown[] = "10.231.4.6";   // a platform no one knows, with audio
const char kEptz[] = "10.231.4.7";      // streams in EPTZ mode
const char kNoFps[] = "10.231.4.8";     // platform A refusing every frame rate
const char kPal[] = "10.231.4.9";       // platform B with PAL sizes only
// Devices that fail one request each, in a different way (tests EachFailureEndsInItsStepsId).
const char kLoginRefused[] = "10.231.4.10";
const char kAudioRefused[] = "10.231.4.11";
const char kStreamGone[] = "10.231.4.12";
const char kEncoderRefused[] = "10.231.4.13";
const char kResolutionGone[] = "10.231.4.14";
const char kQualityRefused[] = "10.231.4.15";
const char kBitrateEmpty[] = "10.231.4.16";
const char kWindowsGone[] = "10.231.4.17";
const char kSizeRefused[] = "10.231.4.18";

std::wstring W(const char* s) { return std::wstring(s, s + std::char_traits<char>::length(s)); }

class AvMotionNetns : public testlab::SimulatorSuite<AvMotionNetns> {
 public:
  static const char* Devices() {
    return "ip=10.231.4.1 mac=00:0F:7C:00:40:01 auth=none platform=K audio=1 audio_level=LEVELS pir=1 "
           "VIDEO_RESOLUTION=N1920x1080 motion3=1,100,50,600,400,80,2,20\n"
           "ip=10.231.4.2 mac=00:0F:7C:00:40:02 auth=none platform=W audio=0 VIDEO_RESOLUTION=N1280x720\n"
           "ip=10.231.4.3 mac=00:0F:7C:00:40:03 auth=none platform=T audio=0 cap_busy=2 "
           "VIDEO_RESOLUTION=N1920x1080\n"
           "ip=10.231.4.4 mac=00:0F:7C:00:40:04 auth=none platform=B audio=0 res_cap=unknown\n"
           "ip=10.231.4.5 mac=00:0F:7C:00:40:05 auth=none platform=D audio=0 VIDEO_RESOLUTION=N1920x1080 "
           "motion3=1,1,2,3,4,70,1,10 motion3_ch2=1,5,6,7,8,70,1,10\n"
           "ip=10.231.4.6 mac=00:0F:7C:00:40:06 auth=none platform=X audio=1\n"
           "ip=10.231.4.7 mac=00:0F:7C:00:40:07 auth=none platform=B audio=0 streaming_mode=EPTZ%20Stream\n"
           "ip=10.231.4.8 mac=00:0F:7C:00:40:08 auth=none platform=A audio=0 fail=/cgi-bin/cmd/encoder?CHANNEL=1&VIDEO_FPS_NUM:error\n"
           "ip=10.231.4.9 mac=00:0F:7C:00:40:09 auth=none platform=B audio=0 res_cap=P1920x1080,P720x576,P352x288\n"
           "ip=10.231.4.10 mac=00:0F:7C:00:40:10 password=secret platform=B audio=0\n"
           "ip=10.231.4.11 mac=00:0F:7C:00:40:11 auth=none platform=B audio=1 audio_level=LEVELS "
           "fail=/cgi-bin/cmd/system?CHANNEL=1&AUDIO_IN_LEVEL:status500\n"
           "ip=10.231.4.12 mac=00:0F:7C:00:40:12 auth=none platform=T audio=0 fail=/cgi-bin/cmd/encoder?VIDEO_STREAM:refuse\n"
           "ip=10.231.4.13 mac=00:0F:7C:00:40:13 auth=none platform=B audio=0 "
           "fail=/cgi-bin/cmd/encoder?CHANNEL=1&VIDEO_ENCODER:status404\n"
           "ip=10.231.4.14 mac=00:0F:7C:00:40:14 auth=none platform=B audio=0 "
           "fail=/cgi-bin/cmd/encoder?CHANNEL=1&VIDEO_RESOLUTION=:refuse\n"
           "ip=10.231.4.15 mac=00:0F:7C:00:40:15 auth=none platform=W audio=0 "
           "fail=/cgi-bin/cmd/encoder?CHANNEL=1&VIDEO_MPEG4_QUALITY:error\n"
           "ip=10.231.4.16 mac=00:0F:7C:00:40:16 auth=none platform=B audio=0 "
           "fail=/cgi-bin/cmd/encoder?CHANNEL=1&VIDEO_MAX_BITRATE:empty\n"
           "ip=10.231.4.17 mac=00:0F:7C:00:40:17 auth=none platform=B audio=0 VIDEO_RESOLUTION=N1920x1080 "
           "fail=/cgi-bin/cmd/encoder?CHANNEL=1&MOTION_CONFIG=:refuse\n"
           "ip=10.231.4.18 mac=00:0F:7C:00:40:18 auth=none platform=B audio=0 "
           "fail=/cgi-bin/cmd/encoder?CHANNEL=1&VIDEO_RESOLUTION:status500\n";
  }
  static std::vector<std::string> Addresses() {
    return {kK,           kW,           kBusy,          kGarbled,        kD,
            kUnknown,     kEptz,        kNoFps,         kPal,            kLoginRefused,
            kAudioRefused, kStreamGone, kEncoderRefused, kResolutionGone, kQualityRefused,
            kBitrateEmpty, kWindowsGone, kSizeRefused};
  }

 protected:
  void Begin() override {
    m_context = testlab::TestContext(&HttpDeviceRequests(), &m_clock, &m_report);
    AvSettings& av = m_records.av;
    av.Enable = true;
    av.AudioEnable = true;
    av.AudioVolume = 50;
    av.AudioSensitive = L"HIGH";
    av.channels[0].Encoder = L"MPEG4";
    av.channels[0].MaxBitrate = L"UNLIMITED";
    av.channels[0].Bitrate = L"4M";
    av.channels[0].Resolution = 2;  // 720P
    av.channels[0].FPS = 2;         // a quarter: 5 of 1,5,10,15,30
    av.channels[0].Quality = 70;
    av.channels[0].GOP = 25;
    MotionSettings& m = m_records.motion;
    m.Enable = true;
    m.windows[0].State = true;  // the whole image
    m.windows[1].State = true;
    m.windows[1].Type = kMotionCoordinates;
    m.windows[1].Range = MotionRect{0, 0, 320, 240};
    m.windows[2].State = true;
    m.windows[2].Type = kMotionKeepCurrent;
    m.StatePIR = true;
  }

  // The targets one device got since the test began, in order.
  std::vector<std::string> Sent(const char* ip) const {
    std::vector<std::string> out;
    const std::string head = std::string("http ") + ip + " GET ";
    for (const std::string& l : LogLinesSince(head)) out.push_back(l.substr(l.find(head) + head.size()));
    return out;
  }

  int Run(const char* ip, RowHandle row, std::vector<int> channels = {}) {
    DeviceJob job;
    job.address = W(ip);
    job.row = row;
    job.channels = std::move(channels);
    job.settings = std::make_shared<const DeviceSettings>(m_records);
    return RunDeviceSettings(m_context, job);
  }

  DeviceSettings m_records;
  testlab::RecordingClock m_clock{100};
  testlab::RecordingReport m_report;
  BatchContext m_context;
};

const std::string S = "/cgi-bin/cmd/system?";
const std::string E = "/cgi-bin/cmd/encoder?";

TEST_F(AvMotionNetns, EachPlatformGetsItsOwnForm) {
  EXPECT_EQ(Run(kK, 1), 512);
  EXPECT_EQ(Sent(kK), (std::vector<std::string>{
                          S + "SYSTEM_INFO", S + "CHANNEL=1&V2_AUDIO_ENABLED=1",
                          S + "CHANNEL=1&AUDIO_IN_LEVEL=HIGH&AUDIO_OUT_VOLUME=50", E + "VIDEO_STREAM=SINGLE",
                          S + "CHANNEL=1&VIDEO_RESOLUTION_CAP", E + "CHANNEL=1&VIDEO_ENCODER=MPEG4&VIDEO_RESOLUTION=N1280x720",
                          S + "CHANNEL=1&VIDEO_FPS_CAP", E + "CHANNEL=1&VIDEO_FPS_NUM=5",
                          E + "CHANNEL=1&VIDEO_MAX_BITRATE=UNLIMITED&VIDEO_BITRATE=4M",
                          // motion: the device's size is now the one just set; window 3 kept
                          S + "SYSTEM_INFO", E + "CHANNEL=1&VIDEO_RESOLUTION", E + "CHANNEL=1&MOTION_CONFIG",
                          E + "MOTION_ENABLED=0x01",
                          E + "CHANNEL=1&MOTION_CONFIG=1,1,0,0,1279,719,70,1,10&MOTION_CONFIG=2,1,0,0,320,240,70,1,10"
                              "&MOTION_CONFIG=3,1,100,50,600,400,70,1,10&PIR_MD_CONFIG=1,70,1"}));

  EXPECT_EQ(Run(kW, 2), 512);
  EXPECT_EQ(Sent(kW), (std::vector<std::string>{
                          S + "SYSTEM_INFO", E + "CHANNEL=1&VIDEO_ENCODER=MPEG4", S + "CHANNEL=1&VIDEO_RESOLUTION_CAP",
                          E + "CHANNEL=1&VIDEO_RESOLUTION=N1280x720", S + "CHANNEL=1&VIDEO_FPS_CAP",
                          E + "CHANNEL=1&VIDEO_FPS_NUM=5", E + "CHANNEL=1&VIDEO_MPEG4_QUALITY=HIGH&VIDEO_GOP=25",
                          E + "CHANNEL=1&VIDEO_BITRATE=3M", S + "SYSTEM_INFO", E + "CHANNEL=1&VIDEO_RESOLUTION",
                          E + "CHANNEL=1&MOTION_CONFIG", E + "MOTION_ENABLED=0x01",
                          E + "CHANNEL=1&MOTION_CONFIG=1,1,0,0,1279,719,70,1,10&MOTION_CONFIG=2,1,0,0,320,240,70,1,10"
                              "&MOTION_CONFIG=3,1,0,0,0,0,70,1,10"}));

  // Platform D takes H264 for the MPEG4 chosen; both channel rows get the first stream, and
  // each keeps its own third window.
  EXPECT_EQ(Run(kD, 3, {1, 2}), 512);
  const std::vector<std::string> d = Sent(kD);
  for (const char* ch : {"CHANNEL=1", "CHANNEL=2"}) {
    EXPECT_EQ(std::count(d.begin(), d.end(), E + ch + "&VIDEO_ENCODER=H264"), 1) << ch;
    EXPECT_EQ(std::count(d.begin(), d.end(), E + ch + "&VIDEO_RESOLUTION=N1280x720"), 1) << ch;
    EXPECT_EQ(std::count(d.begin(), d.end(), E + ch + "&MOTION_CONFIG"), 1) << ch;
  }
  EXPECT_EQ(d.back(), E + "CHANNEL=2&MOTION_CONFIG=1,1,0,0,1279,719,70,1,10&MOTION_CONFIG=2,1,0,0,320,240,70,1,10"
                          "&MOTION_CONFIG=3,1,5,6,7,8,70,1,10");
  EXPECT_EQ(std::count(d.begin(), d.end(),
                       E + "CHANNEL=1&MOTION_CONFIG=1,1,0,0,1279,719,70,1,10&MOTION_CONFIG=2,1,0,0,320,240,70,1,10"
                           "&MOTION_CONFIG=3,1,1,2,3,4,70,1,10"),
            1);

  // A PAL device without 720P gets the closest size it lists.
  EXPECT_EQ(Run(kPal, 4), 512);
  const std::vector<std::string> pal = Sent(kPal);
  EXPECT_EQ(std::count(pal.begin(), pal.end(), E + "CHANNEL=1&VIDEO_RESOLUTION=P720x576"), 1);
  EXPECT_EQ(pal.back().find(E + "CHANNEL=1&MOTION_CONFIG=1,1,0,0,719,575,"), 0u) << pal.back();
}

TEST_F(AvMotionNetns, BusyDeviceIsAskedAgain) {
  EXPECT_EQ(Run(kBusy, 10), 512);
  const std::vector<std::string> sent = Sent(kBusy);
  EXPECT_EQ(std::count(sent.begin(), sent.end(), S + "CHANNEL=1&VIDEO_RESOLUTION_CAP"), 3);
  EXPECT_EQ(std::count(sent.begin(), sent.end(), S + "CHANNEL=1&VIDEO_FPS_CAP"), 3);
  EXPECT_EQ(m_clock.Count("capability busy=3000"), 4);
  EXPECT_EQ(std::count(sent.begin(), sent.end(), E + "VIDEO_STREAM=SINGLE"), 1);
  EXPECT_EQ(std::count(sent.begin(), sent.end(), E + "CHANNEL=1&VIDEO_RESOLUTION=N1280x720"), 1);
}

TEST_F(AvMotionNetns, FirstFailureEndsTheDevice) {
  struct Case {
    const char* ip;
    int result;
    std::string last;  // the last request the device got
    std::size_t count;
  };
  const std::vector<Case> cases = {
      {kGarbled, 533, S + "CHANNEL=1&VIDEO_RESOLUTION_CAP", 3},  // no empty resolution sent, no motion
      {kUnknown, 530, S + "SYSTEM_INFO", 1},
      {kNoFps, 534, E + "CHANNEL=1&VIDEO_FPS_NUM=5", 6},
  };
  RowHandle row = 20;
  for (const Case& c : cases) {
    EXPECT_EQ(Run(c.ip, row), c.result) << c.ip;
    EXPECT_EQ(m_report.Of(row), (std::vector<int>{539, c.result})) << c.ip;
    const std::vector<std::string> sent = Sent(c.ip);
    ASSERT_EQ(sent.size(), c.count) << c.ip;
    EXPECT_EQ(sent.back(), c.last) << c.ip;
    ++row;
  }
  // EPTZ streaming: the video settings go, the motion windows are left alone.
  EXPECT_EQ(Run(kEptz, 30), 529);
  const std::vector<std::string> eptz = Sent(kEptz);
  EXPECT_EQ(eptz.back(), S + "SYSTEM_INFO");
  for (const std::string& r : eptz) EXPECT_EQ(r.find("MOTION"), std::string::npos) << r;
}

// Whatever way a request fails (a refused login, a 4xx or 5xx status, "ERROR", an empty answer,
// a device gone mid-way), the device's row ends with the id of the step it failed in, and
// nothing is sent after the failed request.
TEST_F(AvMotionNetns, EachFailureEndsInItsStepsId) {
  struct Case {
    const char* ip;
    bool motionOnly;  // the audio/video page switched off
    int result;
    std::string last;  // the failed request, the last one the device got
  };
  const std::string c1 = "CHANNEL=1&";
  const std::vector<Case> cases = {
      {kLoginRefused, false, 530, S + "SYSTEM_INFO"},
      {kAudioRefused, false, 530, S + c1 + "AUDIO_IN_LEVEL=HIGH&AUDIO_OUT_VOLUME=50"},
      {kStreamGone, false, 531, E + "VIDEO_STREAM=SINGLE"},
      {kEncoderRefused, false, 532, E + c1 + "VIDEO_ENCODER=MPEG4"},
      {kResolutionGone, false, 533, E + c1 + "VIDEO_RESOLUTION=N1280x720"},
      {kQualityRefused, false, 536, E + c1 + "VIDEO_MPEG4_QUALITY=HIGH&VIDEO_GOP=25"},
      {kBitrateEmpty, false, 535, E + c1 + "VIDEO_MAX_BITRATE=UNLIMITED&VIDEO_BITRATE=4M"},
      {kWindowsGone, false, 529,
       E + c1 + "MOTION_CONFIG=1,1,0,0,1279,719,70,1,10&MOTION_CONFIG=2,1,0,0,320,240,70,1,10&MOTION_CONFIG=3,1,0,0,0,0,70,1,10"},
      {kSizeRefused, true, 529, E + c1 + "VIDEO_RESOLUTION"},
  };
  RowHandle row = 40;
  for (const Case& c : cases) {
    m_records.av.Enable = !c.motionOnly;
    EXPECT_EQ(Run(c.ip, row), c.result) << c.ip;
    EXPECT_EQ(m_report.Of(row), (std::vector<int>{539, c.result})) << c.ip;
    const std::vector<std::string> sent = Sent(c.ip);
    ASSERT_FALSE(sent.empty()) << c.ip;
    EXPECT_EQ(sent.back(), c.last) << c.ip;
    if (c.motionOnly) {
      for (const std::string& r : sent) EXPECT_EQ(r.find("MOTION"), std::string::npos) << c.ip << " " << r;
    }
    ++row;
  }
}

TEST_F(AvMotionNetns, WholeBatchOfFourDevices) {
  testlab::FakeBatchUi ui;
  const auto engine = testlab::SettingsEngine(ui, m_records, nullptr, &m_clock, &m_report);
  const char* ips[] = {kK, kW, kGarbled, kPal};
  RowHandle row = 40;
  for (const char* ip : ips) ui.selection.rows.push_back(testlab::Row(row++, W(ip), L"", false, L"K7W-320-1.01.06"));
  EXPECT_TRUE(engine->Execute(1005));
  EXPECT_EQ(m_report.Of(40), (std::vector<int>{539, 512}));
  EXPECT_EQ(m_report.Of(41), (std::vector<int>{539, 512}));
  EXPECT_EQ(m_report.Of(42), (std::vector<int>{539, 533}));
  EXPECT_EQ(m_report.Of(43), (std::vector<int>{539, 512}));
}

}  // namespace
