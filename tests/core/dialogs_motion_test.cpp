// The motion-detection settings without a network: the record and its section, the window
// rules, the readers of the device's answers, the MOTION_CONFIG parts, and a device's whole
// sequence per channel with its failures.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/settings_file/settings_file.h"
#include "dialogs/device_settings/device_job.h"
#include "dialogs/device_settings/motion_apply.h"
#include "tests/support/batch_fakes.h"
#include "tests/support/settings_worker_fixture.h"

namespace {

using testlab::ScriptedDevices;

TEST(MotionSettingsRecord, WrittenInOrderAndReadBack) {
  MotionSettings s;
  s.Enable = true;
  for (int i = 0; i < 3; ++i) {
    MotionWindow& w = s.windows[i];
    w.State = i != 1;
    w.Sensitive = 10 + i;
    w.Timer = 200 + i;
    w.Threshold = 50 + i;
    w.Type = i;
    w.Range = MotionRect{i, 10 + i, 100 + i, 200 + i};
  }
  s.StatePIR = true;
  s.SensitivePIR = 33;
  s.TimerPIR = 44;
  IniDocument doc;
  SaveMotionSettings(doc, s);
  std::vector<std::wstring> keys;
  for (const auto& e : doc.Entries(L"MT_DATA")) keys.push_back(e.first);
  EXPECT_EQ(keys, (std::vector<std::wstring>{
                      L"Enable",     L"State1",     L"State2",     L"State3",     L"StatePIR",   L"Sensitive1",
                      L"Sensitive2", L"Sensitive3", L"SensitivePIR", L"Timer1",   L"Timer2",     L"Timer3",
                      L"TimerPIR",   L"Threshold1", L"Threshold2", L"Threshold3", L"Type1",      L"Type2",
                      L"Type3",      L"Range1_SX",  L"Range1_SY",  L"Range1_EX",  L"Range1_EY",  L"Range2_SX",
                      L"Range2_SY",  L"Range2_EX",  L"Range2_EY",  L"Range3_SX",  L"Range3_SY",  L"Range3_EX",
                      L"Range3_EY"}));
  EXPECT_EQ(doc.Get(L"MT_DATA", L"Range3_EY"), L"202");

  IniDocument file;
  file.Parse(doc.Serialize({L"MT_DATA"}));
  MotionSettings back;
  LoadMotionSettings(file, back);
  EXPECT_FALSE(back.Enable);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(back.windows[i].State, s.windows[i].State);
    EXPECT_EQ(back.windows[i].Sensitive, s.windows[i].Sensitive);
    EXPECT_EQ(back.windows[i].Timer, s.windows[i].Timer);
    EXPECT_EQ(back.windows[i].Threshold, s.windows[i].Threshold);
    EXPECT_EQ(back.windows[i].Type, s.windows[i].Type);
    EXPECT_EQ(back.windows[i].Range, s.windows[i].Range);
  }
  EXPECT_TRUE(back.StatePIR);
  EXPECT_EQ(back.SensitivePIR, 33);
  EXPECT_EQ(back.TimerPIR, 44);

  MotionSettings d;
  d.windows[0].State = true;
  IniDocument odd;
  odd.Parse("[MT_DATA]\r\nState2=2\r\nStatePIR=1\r\nRange1_SX=-5\r\n"
            "Sensitive1=101\r\nTimer2=301\r\nThreshold3=-1\r\nSensitivePIR=4294967296\r\nTimerPIR=-2\r\n"
            "Type1=3\r\nType2=-1\r\nRange2_EX=1000000\r\nRange3_SY=-100000\r\nRange3_EY=999999\r\n");
  LoadMotionSettings(odd, d);
  // Out of range: the defaults.
  EXPECT_EQ(d.windows[0].Sensitive, 70);
  EXPECT_EQ(d.windows[1].Timer, 1);
  EXPECT_EQ(d.windows[2].Threshold, 10);
  EXPECT_EQ(d.SensitivePIR, 70);
  EXPECT_EQ(d.TimerPIR, 1);
  EXPECT_EQ(d.windows[0].Type, kMotionFullImage);
  EXPECT_EQ(d.windows[1].Type, kMotionFullImage);
  EXPECT_EQ(d.windows[1].Range.right, 0);
  EXPECT_EQ(d.windows[2].Range.top, 0);
  EXPECT_EQ(d.windows[2].Range.bottom, 999999);
  EXPECT_FALSE(d.windows[0].State);
  EXPECT_FALSE(d.windows[1].State);  // only 1 sets a window on
  EXPECT_TRUE(d.StatePIR);
  EXPECT_EQ(d.windows[0].Range.left, -5);
  EXPECT_EQ(d.windows[2].Sensitive, 70);
  EXPECT_EQ(d.windows[2].Timer, 1);
  EXPECT_EQ(d.windows[2].Threshold, 10);
}

TEST(MotionWindows, RegionRules) {
  struct Case {
    MotionRect r;
    bool valid;
  } cases[] = {
      {{0, 0, 16, 15}, false},  // 16 + 15 is not more than 31
      {{0, 0, 16, 16}, true},
      {{100, 100, 132, 100}, true},
      {{100, 100, 131, 100}, false},
      {{50, 10, 40, 200}, false},  // end X before start X
      {{10, 50, 200, 40}, false},
      {{-10, -10, 30, 30}, true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IsRegionValid(c.r), c.valid) << c.r.left << "," << c.r.top << "," << c.r.right << "," << c.r.bottom;

  MotionSettings s;
  s.windows[0].Range = MotionRect{0, 0, 5, 5};  // bad, but in full-image mode
  s.windows[2].Type = kMotionKeepCurrent;
  EXPECT_EQ(FirstInvalidWindow(s), -1);
  s.windows[1].Type = kMotionCoordinates;  // (0, 0, 0, 0): bad, whether the window is on or off
  EXPECT_EQ(FirstInvalidWindow(s), 1);
  s.windows[1].Range = MotionRect{0, 0, 320, 240};
  EXPECT_EQ(FirstInvalidWindow(s), -1);
}

TEST(MotionWindows, ReadingTheDevicesAnswers) {
  struct Case {
    const char* reply;
    bool ok;
    MotionRect image;
  } images[] = {
      {"VIDEO_RESOLUTION='N1920x1080'\n", true, {0, 0, 1919, 1079}},
      {"VIDEO_RESOLUTION='P720x576'\n", true, {0, 0, 719, 575}},
      {"VIDEO_RESOLUTION='1280x720'\n", true, {0, 0, 1279, 719}},
      {"VIDEO_RESOLUTION='N'\n", false, {}},
      {"VIDEO_RESOLUTION='Nx1080'\n", false, {}},
      {"VIDEO_RESOLUTION='N0x0'\n", false, {}},
      {"VIDEO_RESOLUTION=N1920x1080\n", false, {}},
      {"", false, {}},
      // Numbers beyond any image are refused, never wrapped round.
      {"VIDEO_RESOLUTION='N4294968296x1080'\n", false, {}},
      {"VIDEO_RESOLUTION='N1920x4294967297'\n", false, {}},
      {"VIDEO_RESOLUTION='N65536x1080'\n", false, {}},
      {"VIDEO_RESOLUTION='N65535x65535'\n", true, {0, 0, 65534, 65534}},
      {"VIDEO_RESOLUTION='N1920x-1080'\n", false, {}},
  };
  for (const Case& c : images) {
    MotionRect r{9, 9, 9, 9};
    EXPECT_EQ(ParseImageRect(c.reply, &r), c.ok) << c.reply;
    if (c.ok) {
      EXPECT_EQ(r, c.image) << c.reply;
    }
  }

  MotionRect current[3];
  EXPECT_EQ(ParseCurrentWindows("MOTION_CONFIG='1,1,10,20,300,400,70,1,10'\nMOTION_CONFIG='2,0,0,0,0,0,70,1,10'\n"
                                "MOTION_CONFIG='3,1,5,6,7,8,1,2,3'\n",
                                current),
            7u);
  EXPECT_EQ(current[0], (MotionRect{10, 20, 300, 400}));
  EXPECT_EQ(current[2], (MotionRect{5, 6, 7, 8}));
  MotionRect some[3];
  EXPECT_EQ(ParseCurrentWindows("MOTION_CONFIG='1,1,10,20'\nMOTION_CONFIG='3,1,5,6,7,8,1,2,3'\n", some), 4u);
  EXPECT_EQ(some[0], MotionRect());
  EXPECT_EQ(ParseCurrentWindows("ERROR", some), 0u);
  // A window with a corner outside the largest image, or a number that would wrap, is not read.
  MotionRect odd[3];
  EXPECT_EQ(ParseCurrentWindows("MOTION_CONFIG='1,1,4294967306,0,100,100,70,1,10'\n"
                                "MOTION_CONFIG='2,1,-5,0,100,100,70,1,10'\n"
                                "MOTION_CONFIG='3,1,0,0,100,100,99999999999,1,10'\n",
                                odd),
            0u);
  EXPECT_EQ(odd[0], MotionRect());
}

TEST(MotionWindows, ConfigPartPerWindowMode) {
  MotionSettings s;
  const MotionRect image{0, 0, 1919, 1079};
  const MotionRect current[3] = {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}};
  struct Case {
    bool on;
    int type;
    const wchar_t* part;  // window 2, sensitivity 60, timer 5, threshold 20
  } cases[] = {
      {true, kMotionFullImage, L"MOTION_CONFIG=2,1,0,0,1919,1079,60,5,20"},
      {false, kMotionFullImage, L"MOTION_CONFIG=2,0,0,0,1919,1079,60,5,20"},
      {true, kMotionCoordinates, L"MOTION_CONFIG=2,1,100,50,400,300,60,5,20"},
      {false, kMotionCoordinates, L"MOTION_CONFIG=2,0,0,0,0,0,60,5,20"},
      {true, kMotionKeepCurrent, L"MOTION_CONFIG=2,1,5,6,7,8,60,5,20"},
      {false, kMotionKeepCurrent, L"MOTION_CONFIG=2,0,0,0,0,0,60,5,20"},
      {true, 7, L"MOTION_CONFIG=2,1,0,0,0,0,60,5,20"},
  };
  for (const Case& c : cases) {
    MotionWindow& w = s.windows[1];
    w.State = c.on;
    w.Type = c.type;
    w.Sensitive = 60;
    w.Timer = 5;
    w.Threshold = 20;
    w.Range = MotionRect{100, 50, 400, 300};
    EXPECT_EQ(BuildMotionConfig(1, s, image, current), c.part) << c.part;
  }
}

// ---- whole devices ---------------------------------------------------------

const std::wstring kInfo = L"/cgi-bin/cmd/system?SYSTEM_INFO";
const std::wstring E = L"/cgi-bin/cmd/encoder?";
const wchar_t kEnabled[] = L"/cgi-bin/cmd/encoder?MOTION_ENABLED=0x01";

struct MotionDevices : testlab::SettingsWorkerTest {
  void SetUp() override {
    MotionSettings& m = records.motion;
    m.Enable = true;
    m.windows[0].State = true;  // full image
    m.windows[1].State = true;
    m.windows[1].Type = kMotionCoordinates;
    m.windows[1].Range = MotionRect{10, 20, 330, 260};
    m.windows[2].State = true;
    m.windows[2].Type = kMotionKeepCurrent;
    m.StatePIR = true;
    m.SensitivePIR = 90;
    m.TimerPIR = 30;
  }
  // A device answering its resolution and, per channel, windows that tell the channel.
  void Device(const std::wstring& ip, const std::string& info = "Platform = K\n") {
    devices.rules.push_back({ip, kInfo, 1, info});
    for (int ch = 1; ch <= 2; ++ch) {
      const std::wstring c = L"CHANNEL=" + std::to_wstring(ch);
      devices.rules.push_back({ip, E + c + L"&VIDEO_RESOLUTION", 1, "VIDEO_RESOLUTION='N1920x1080'\n"});
      const std::string n = std::to_string(ch);
      devices.rules.push_back({ip, E + c + L"&MOTION_CONFIG", 1,
                               "MOTION_CONFIG='1,1,0,0,9,9,70,1,10'\nMOTION_CONFIG='2,1,0,0,9,9,70,1,10'\n"
                               "MOTION_CONFIG='3,1," + n + "," + n + ",200,100,70,1,10'\n"});
    }
  }
  DeviceJob Job(const std::wstring& ip, std::vector<int> channels = {}) { return JobOf(ip, 1, L"", std::move(channels)); }
  static std::wstring Set(int ch, const std::wstring& pir = L"") {
    const std::wstring n = std::to_wstring(ch);
    return E + L"CHANNEL=" + n + L"&MOTION_CONFIG=1,1,0,0,1919,1079,70,1,10&MOTION_CONFIG=2,1,10,20,330,260,70,1,10" +
           L"&MOTION_CONFIG=3,1," + n + L"," + n + L",200,100,70,1,10" + pir;
  }
  static std::vector<std::wstring> Sequence(int ch, const std::wstring& pir = L"") {
    const std::wstring c = L"CHANNEL=" + std::to_wstring(ch);
    return {kInfo, E + c + L"&VIDEO_RESOLUTION", E + c + L"&MOTION_CONFIG", kEnabled, Set(ch, pir)};
  }
};

TEST_F(MotionDevices, OneRequestSetsAllThreeWindows) {
  Device(L"10.0.6.1");
  EXPECT_EQ(ApplyMotionToDevice(context, Job(L"10.0.6.1")), 0);
  EXPECT_EQ(devices.RequestsOf(L"10.0.6.1"), Sequence(1));
  EXPECT_EQ(clock.Count("motion enabled=500"), 1);

  // With a PIR sensor its settings go along.
  Device(L"10.0.6.2", "Platform = K\nMD_SENSOR = PIR\n");
  EXPECT_EQ(ApplyMotionToDevice(context, Job(L"10.0.6.2")), 0);
  EXPECT_EQ(devices.RequestsOf(L"10.0.6.2"), Sequence(1, L"&PIR_MD_CONFIG=1,90,30"));
}

TEST_F(MotionDevices, EveryChannelRowWithItsOwnCurrentWindows) {
  Device(L"10.0.6.3");
  EXPECT_EQ(ApplyMotionToDevice(context, Job(L"10.0.6.3", {1, 2})), 0);
  std::vector<std::wstring> both = Sequence(1);
  const std::vector<std::wstring> second = Sequence(2);
  both.insert(both.end(), second.begin(), second.end());
  EXPECT_EQ(devices.RequestsOf(L"10.0.6.3"), both);

  // Channel 1 fails: channel 2 is never asked.
  Device(L"10.0.6.4");
  devices.rules.insert(devices.rules.begin(), {L"10.0.6.4", E + L"CHANNEL=1&MOTION_CONFIG=1", -2});
  EXPECT_EQ(ApplyMotionToDevice(context, Job(L"10.0.6.4", {1, 2})), 529);
  for (const std::wstring& r : devices.RequestsOf(L"10.0.6.4")) EXPECT_EQ(r.find(L"CHANNEL=2"), std::wstring::npos) << r;
}

TEST_F(MotionDevices, NothingIsWrittenWhenTheDeviceCannotBeRead) {
  struct Case {
    const char* name;
    std::vector<ScriptedDevices::Rule> rules;  // before the device's usual answers
    std::string info;
    std::vector<std::wstring> requests;
    int result;
  };
  const std::wstring res = E + L"CHANNEL=1&VIDEO_RESOLUTION";
  const std::wstring cfg = E + L"CHANNEL=1&MOTION_CONFIG";
  const std::vector<Case> cases = {
      {"EPTZ streaming", {}, "STREAMING MODE = EPTZ Stream\n", {kInfo}, 529},
      {"MD_PRESET streaming", {}, "STREAMING MODE = MD_PRESET Stream\n", {kInfo}, 529},
      {"no resolution", {{L"", res, -1}}, "Platform = K\n", {kInfo, res}, 529},
      {"resolution without a size", {{L"", res, 20, "VIDEO_RESOLUTION=''\n"}}, "Platform = K\n", {kInfo, res}, 529},
      {"a window to keep that cannot be read", {{L"", cfg, -1}}, "Platform = K\n", {kInfo, res, cfg}, 529},
      {"a size that would wrap to the whole image", {{L"", res, 20, "VIDEO_RESOLUTION='N4294968296x1080'\n"}},
       "Platform = K\n", {kInfo, res}, 529},
      {"a window to keep beyond any image",
       {{L"", cfg, 20, "MOTION_CONFIG='1,1,0,0,9,9,70,1,10'\nMOTION_CONFIG='2,1,0,0,9,9,70,1,10'\n"
                       "MOTION_CONFIG='3,1,0,0,4294967496,100,70,1,10'\n"}},
       "Platform = K\n", {kInfo, res, cfg}, 529},
      {"no system information: no PIR, goes on", {{L"", kInfo, -1}}, "", Sequence(1), 0},
      {"final request refused", {{L"", E + L"CHANNEL=1&MOTION_CONFIG=", -3}}, "Platform = K\n", Sequence(1), 529},
      {"detection switch refused: not checked", {{L"", kEnabled, -2}}, "Platform = K\n", Sequence(1), 0},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::wstring ip = L"10.0.7." + std::to_wstring(++n);
    for (ScriptedDevices::Rule r : c.rules) {
      r.host = ip;
      devices.rules.push_back(r);
    }
    Device(ip, c.info);
    EXPECT_EQ(ApplyMotionToDevice(context, Job(ip)), c.result) << c.name;
    EXPECT_EQ(devices.RequestsOf(ip), c.requests) << c.name;
  }

  // Without a window to keep, a device that does not tell its windows still gets the others.
  records.motion.windows[2].Type = kMotionFullImage;
  devices.rules.push_back({L"10.0.7.50", E + L"CHANNEL=1&MOTION_CONFIG", -1, "", 1});
  Device(L"10.0.7.50");
  EXPECT_EQ(ApplyMotionToDevice(context, Job(L"10.0.7.50")), 0);
  EXPECT_NE(devices.RequestsOf(L"10.0.7.50").back().find(L"&MOTION_CONFIG=3,1,0,0,1919,1079,"), std::wstring::npos);
}

}  // namespace
