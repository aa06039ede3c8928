// The video/audio and motion pages of the device settings dialog under Wine: which rows take
// input for each codec and bitrate mode, the codecs two streams may pair, the stream modes of
// the device families, the page giving back what it showed, the motion windows' rules on
// Apply; every text fits in all 13 languages, with screenshots of both pages.
#include "tests/win/device_set_harness.h"

#include <algorithm>
#include <string>
#include <vector>

#include "dialogs/device_settings/dlg_av_set_win.h"
#include "dialogs/device_settings/dlg_motion_win.h"

using namespace setharness;

namespace {

using Codecs = std::vector<std::wstring>;

UINT Id(AvRow row, int stream) { return kAvComboIds[row][stream]; }

CheckedPlatforms Platforms(const wchar_t* family, bool newFirmware) {
  CheckedPlatforms p;
  p.family = family;
  p.newFirmware = newFirmware;
  return p;
}

// Which of a stream's rows take input, top to bottom.
std::vector<bool> RowsEnabled(Dlg_AVSet& av, int stream) {
  std::vector<bool> out;
  for (int r = 0; r < AV_ROWS; ++r) out.push_back(Enabled(av, Id(static_cast<AvRow>(r), stream)));
  return out;
}

int IndexOf(Dlg_AVSet& av, UINT id, const wchar_t* text) {
  const auto items = Items(av, id);
  return static_cast<int>(std::find(items.begin(), items.end(), text) - items.begin());
}

TEST(AvPage, EnableMatrixFollowsCodecAndBitrateMode) {
  DeviceSettings records;
  records.av.Enable = true;
  Dlg_DeviceSet d(records, Platforms(L"K2A-010", false));
  auto& av = PageOf<Dlg_AVSet>(d, kTabAv);
  struct Seen {
    const char* what;
    std::vector<bool> rows;  // encoder, resolution, FPS, mode, max rate, rate, quality, GOP
  };
  std::vector<Seen> seen;
  auto look = [&](const char* what) {
    return [&, what] {
      seen.push_back({what, RowsEnabled(av, 0)});
      return true;
    };
  };
  RunWith(d, {[&] { ShowTab(d, kTabAv); return true; }, look("H264, constant, unlimited"),
              [&] { Choose(av, Id(AV_MAX_RATE, 0), IndexOf(av, Id(AV_MAX_RATE, 0), L"3M")); return true; },
              look("a 3M cap"),
              [&] { Choose(av, Id(AV_MODE, 0), 1); return true; }, look("variable"),
              [&] { Choose(av, Id(AV_ENCODER, 0), IndexOf(av, Id(AV_ENCODER, 0), L"MJPEG")); return true; },
              look("MJPEG"),
              [&] {
                Choose(av, Id(AV_ENCODER, 0), IndexOf(av, Id(AV_ENCODER, 0), L"MPEG4"));
                Choose(av, Id(AV_MODE, 0), 0);
                Choose(av, Id(AV_MAX_RATE, 0), 0);
                return true;
              },
              look("MPEG4, constant, unlimited again")});
  ASSERT_EQ(seen.size(), 5u);
  const std::vector<std::vector<bool>> expected = {
      {true, true, true, true, true, true, false, false},  {true, true, true, true, true, false, false, false},
      {true, true, true, true, false, false, true, true},  {true, true, true, false, false, false, true, false},
      {true, true, true, true, true, true, false, false},
  };
  for (std::size_t i = 0; i < seen.size(); ++i) EXPECT_EQ(seen[i].rows, expected[i]) << seen[i].what;
}

TEST(AvPage, StreamModesAndCodecPairingPerFamily) {
  // A three-stream family: the stored triple mode stays; stream 2's MPEG4 takes stream 1 off
  // H264; beside stream 3's MJPEG stream 2 may take any codec.
  {
    DeviceSettings records;
    records.av.Enable = true;
    records.av.StreamMode = 5;
    records.av.channels[0].Encoder = L"H264";
    records.av.channels[1].Encoder = L"MPEG4";
    records.av.channels[2].Encoder = L"MJPEG";
    Dlg_DeviceSet d(records, Platforms(L"K7W-702", false));
    auto& av = PageOf<Dlg_AVSet>(d, kTabAv);
    std::vector<Codecs> lists;
    bool triple = false, stream3 = false, sensitivity = false;
    RunWith(d, {[&] {
      ShowTab(d, kTabAv);
      for (int c = 0; c < 3; ++c) lists.push_back(Items(av, Id(AV_ENCODER, c)));
      lists.push_back({Chosen(av, Id(AV_ENCODER, 0)), Chosen(av, Id(AV_ENCODER, 1)), Chosen(av, Id(AV_ENCODER, 2))});
      triple = Visible(av, Dlg_AVSet::IDC_TRIPLE);
      stream3 = Enabled(av, Id(AV_RESOLUTION, 2));
      sensitivity = Enabled(av, Dlg_AVSet::IDC_SENSITIVITY);
      return true;
    }});
    ASSERT_EQ(lists.size(), 4u);
    EXPECT_EQ(lists[0], (Codecs{L"MPEG4", L"MJPEG"}));
    EXPECT_EQ(lists[1], (Codecs{L"H264", L"MPEG4", L"MJPEG"}));
    EXPECT_EQ(lists[2], (Codecs{L"MPEG4", L"MJPEG"}));
    EXPECT_EQ(lists[3], (Codecs{L"MPEG4", L"MPEG4", L"MJPEG"}));
    EXPECT_TRUE(triple);
    EXPECT_TRUE(stream3);
    EXPECT_TRUE(sensitivity);
  }
  // Another family: no third stream; with both first streams on H264, choosing dual leaves
  // stream 2 H264 and MJPEG; new firmware takes the input sensitivity away.
  {
    DeviceSettings records;
    records.av.Enable = true;
    Dlg_DeviceSet d(records, Platforms(L"K2A-010", true));
    auto& av = PageOf<Dlg_AVSet>(d, kTabAv);
    bool triple = true, stream2Before = true, sensitivity = true;
    COLORREF whereTripleStands = SKIN_KEY_COLOUR;
    Codecs stream2, stream1;
    RunWith(d, {[&] {
                  ShowTab(d, kTabAv);
                  triple = Visible(av, Dlg_AVSet::IDC_TRIPLE);
                  // The hidden button leaves no hole in the skin (a hole shows what was
                  // drawn there before).
                  CRect r;
                  Control(av, Dlg_AVSet::IDC_TRIPLE).GetWindowRect(&r);
                  av.ScreenToClient(&r);
                  if (CDC* mem = av.PrepareMemDC()) whereTripleStands = mem->GetPixel(r.CenterPoint().x, r.CenterPoint().y);
                  stream2Before = Enabled(av, Id(AV_ENCODER, 1));
                  sensitivity = Enabled(av, Dlg_AVSet::IDC_SENSITIVITY);
                  Press(Control(av, Dlg_AVSet::IDC_DUAL));
                  return true;
                },
                [&] {
                  stream2 = Items(av, Id(AV_ENCODER, 1));
                  // A new codec for stream 2 pairs stream 1 with it.
                  Choose(av, Id(AV_ENCODER, 1), IndexOf(av, Id(AV_ENCODER, 1), L"MJPEG"));
                  stream1 = Items(av, Id(AV_ENCODER, 0));
                  return true;
                }});
    EXPECT_FALSE(triple);
    EXPECT_NE(whereTripleStands, SKIN_KEY_COLOUR);
    EXPECT_NE(whereTripleStands, CLR_INVALID);
    EXPECT_FALSE(stream2Before);
    EXPECT_FALSE(sensitivity);
    EXPECT_EQ(stream2, (Codecs{L"H264", L"MJPEG"}));
    EXPECT_EQ(stream1, (Codecs{L"H264", L"MPEG4", L"MJPEG"}));
  }
}

TEST(AvPage, ApplyGivesBackWhatThePageShowed) {
  DeviceSettings records;
  AvSettings& s = records.av;
  s.Enable = true;
  s.AudioEnable = true;
  s.StreamMode = 2;
  s.AudioVolume = 40;
  s.AudioSensitive = L"LOW";
  s.channels[0] = AvChannelSettings{L"MPEG4", L"4M", L"1M", 9, 2, 50, 30};
  s.channels[1] = AvChannelSettings{L"MJPEG", L"UNLIMITED", L"750K", 4, 3, 80, 10};
  s.channels[2] = AvChannelSettings{L"H264", L"Illimité", L"9M", 0, 0, 0, 60};  // texts of no list
  const AvSettings before = s;
  // Twice: what one Apply stores, the next opening shows and gives back unchanged.
  for (int round = 0; round < 2; ++round) {
    Dlg_DeviceSet d(records, CheckedPlatforms());
    const INT_PTR result = RunWith(d, {[&] {
      d.PostMessage(WM_COMMAND, MAKEWPARAM(Dlg_DeviceSet::IDC_APPLY, BN_CLICKED));
      return true;
    }});
    EXPECT_EQ(result, IDOK) << round;
  }
  EXPECT_TRUE(s.Enable);
  EXPECT_TRUE(s.AudioEnable);
  EXPECT_EQ(s.StreamMode, 2);
  EXPECT_EQ(s.AudioVolume, 40);
  EXPECT_EQ(s.AudioSensitive, L"LOW");
  for (int c = 0; c < 2; ++c) {
    EXPECT_EQ(s.channels[c].Encoder, before.channels[c].Encoder) << c;
    EXPECT_EQ(s.channels[c].MaxBitrate, before.channels[c].MaxBitrate) << c;
    EXPECT_EQ(s.channels[c].Bitrate, before.channels[c].Bitrate) << c;
    EXPECT_EQ(s.channels[c].Resolution, before.channels[c].Resolution) << c;
    EXPECT_EQ(s.channels[c].FPS, before.channels[c].FPS) << c;
    EXPECT_EQ(s.channels[c].GOP, before.channels[c].GOP) << c;
  }
  EXPECT_EQ(s.channels[0].Quality, 50);  // variable bitrate
  EXPECT_EQ(s.channels[1].Quality, 80);  // MJPEG keeps its quality
  EXPECT_EQ(s.channels[2].Quality, 0);   // constant bitrate: no quality
  EXPECT_EQ(s.channels[2].MaxBitrate, L"UNLIMITED");
  EXPECT_EQ(s.channels[2].Bitrate, L"2M");
}

TEST(AvPage, StoredTripleModeOfAHandEditedFile) {
  DeviceSettings records;
  records.av.StreamMode = 3;
  records.av.Enable = true;
  Dlg_DeviceSet d(records, CheckedPlatforms());
  auto& av = PageOf<Dlg_AVSet>(d, kTabAv);
  bool anyChecked = true;
  const INT_PTR result = RunWith(d, {[&] {
    anyChecked = Checked(av, Dlg_AVSet::IDC_SINGLE) || Checked(av, Dlg_AVSet::IDC_DUAL) || Checked(av, Dlg_AVSet::IDC_TRIPLE);
    d.PostMessage(WM_COMMAND, MAKEWPARAM(Dlg_DeviceSet::IDC_APPLY, BN_CLICKED));
    return true;
  }});
  EXPECT_FALSE(anyChecked);
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(records.av.StreamMode, 5);
}

// A stored triple stream shows as single for devices without a third stream, but the record
// keeps it until the dialog is confirmed.
TEST(AvPage, StoredTripleStreamChangesOnlyWhenConfirmed) {
  CheckedPlatforms other;
  other.family = L"K2A-010";
  for (bool confirm : {false, true}) {
    DeviceSettings records;
    records.av.StreamMode = 5;
    records.av.Enable = true;
    Dlg_DeviceSet d(records, other);
    auto& av = PageOf<Dlg_AVSet>(d, kTabAv);
    bool single = false, tripleShown = true;
    const INT_PTR result = RunWith(d, {[&] {
      ShowTab(d, kTabAv);
      return true;
    }, [&] {
      single = Checked(av, Dlg_AVSet::IDC_SINGLE) && !Checked(av, Dlg_AVSet::IDC_TRIPLE);
      tripleShown = Visible(av, Dlg_AVSet::IDC_TRIPLE);
      if (confirm) d.PostMessage(WM_COMMAND, MAKEWPARAM(Dlg_DeviceSet::IDC_APPLY, BN_CLICKED));
      return true;
    }});
    EXPECT_TRUE(single) << confirm;
    EXPECT_FALSE(tripleShown) << confirm;
    EXPECT_EQ(result, confirm ? IDOK : IDCANCEL);
    EXPECT_EQ(records.av.StreamMode, confirm ? 1 : 5) << confirm;
  }
}

// ---- motion ----------------------------------------------------------------------------

void Type(Dlg_Motion& m, int window, const std::vector<const wchar_t*>& values) {
  for (int k = 0; k < 4; ++k) Control(m, Dlg_Motion::IDC_START_X + static_cast<UINT>(window + 3 * k)).SetWindowText(values[k]);
}

TEST(MotionPage, WindowOutOfShapeKeepsTheDialogOpen) {
  DeviceSettings records;
  records.motion.windows[1].Sensitive = 33;
  Dlg_DeviceSet d(records, CheckedPlatforms());
  auto& m = PageOf<Dlg_Motion>(d, kTabMotion);
  bool warned = false, stayed = false;
  std::vector<std::wstring> emptied;
  const INT_PTR result = RunWith(d, {
      [&] {
        ShowTab(d, kTabMotion);
        Press(Control(m, Dlg_Motion::IDC_ENABLE));
        Press(Control(m, Dlg_Motion::IDC_ALL_WINDOWS));  // all three windows on
        Press(Control(m, Dlg_Motion::IDC_COORDINATES + 1));
        Type(m, 1, {L"0", L"0", L"16", L"15"});  // 16 + 15 is not beyond 31
        d.PostMessage(WM_COMMAND, MAKEWPARAM(Dlg_DeviceSet::IDC_APPLY, BN_CLICKED));
        return true;
      },
      DismissWarning(&warned),
      [&] {
        stayed = !ShownWarning() && ::IsWindowVisible(d.m_hWnd) && !records.motion.Enable;
        // Window 3: coordinates typed, then the whole image: its fields are emptied.
        Type(m, 2, {L"1", L"2", L"3", L"4"});
        Press(Control(m, Dlg_Motion::IDC_FULL_IMAGE + 2));
        for (int k = 0; k < 4; ++k)
          emptied.push_back(Control(m, Dlg_Motion::IDC_START_X + static_cast<UINT>(2 + 3 * k)).GetWindowTextString().GetString());
        Type(m, 1, {L"0", L"0", L"16", L"16"});
        Press(Control(m, Dlg_Motion::IDC_KEEP));
        Press(Control(m, Dlg_Motion::IDC_PIR));
        d.PostMessage(WM_COMMAND, MAKEWPARAM(Dlg_DeviceSet::IDC_APPLY, BN_CLICKED));
        return true;
      }});
  EXPECT_TRUE(warned);
  EXPECT_TRUE(stayed);
  EXPECT_EQ(emptied, (std::vector<std::wstring>{L"", L"", L"", L""}));
  EXPECT_EQ(result, IDOK);
  const MotionSettings& s = records.motion;
  EXPECT_TRUE(s.Enable);
  for (const MotionWindow& w : s.windows) EXPECT_TRUE(w.State);
  EXPECT_EQ(s.windows[0].Type, kMotionKeepCurrent);
  EXPECT_EQ(s.windows[1].Type, kMotionCoordinates);
  EXPECT_EQ(s.windows[1].Range, (MotionRect{0, 0, 16, 16}));
  EXPECT_EQ(s.windows[1].Sensitive, 33);
  EXPECT_EQ(s.windows[2].Type, kMotionFullImage);
  EXPECT_TRUE(s.StatePIR);
}

TEST(MotionPage, DisabledPageNeverHoldsTheDialog) {
  DeviceSettings records;
  records.motion.windows[0].Type = kMotionCoordinates;  // (0, 0, 0, 0): out of shape
  records.motion.windows[0].State = true;
  records.url.Enable = true;
  Dlg_DeviceSet d(records, CheckedPlatforms());
  const INT_PTR result = RunWith(d, {[&] {
    d.PostMessage(WM_COMMAND, MAKEWPARAM(Dlg_DeviceSet::IDC_APPLY, BN_CLICKED));
    return true;
  }});
  EXPECT_EQ(result, IDOK);
  EXPECT_FALSE(records.motion.Enable);
}

// ---- every language --------------------------------------------------------------------

TEST(AvMotionPages, EveryTextFitsInEveryLanguage) {
  LanguageGuard guard;
  for (LANGID lang : kLanguages) {
    SetLanguage(lang);
    const wchar_t* shot = ShotLanguage(lang);
    DeviceSettings records;
    records.av.Enable = true;
    records.av.StreamMode = 5;
    records.av.channels[1].Encoder = L"MJPEG";
    records.motion.Enable = true;
    records.motion.windows[0].State = true;
    records.motion.windows[1].Type = kMotionCoordinates;
    records.motion.windows[1].Range = MotionRect{120, 80, 1800, 1000};
    records.motion.windows[2].Type = kMotionKeepCurrent;
    Dlg_DeviceSet d(records, Platforms(L"K7W-701", false));
    auto& m = PageOf<Dlg_Motion>(d, kTabMotion);
    std::vector<std::string> bad;
    auto check = [&](const char* view, const wchar_t* shotName) {
      return [&, view, shotName] {
        for (const std::string& c : labelfit::CutTexts(d)) bad.push_back(std::string(view) + ": " + c);
        if (shot) Shot(d, std::wstring(L"device_settings_") + shotName + L"_" + shot);
        return true;
      };
    };
    RunWith(d, {[&] { ShowTab(d, kTabAv); return true; }, check("video/audio", L"av"),
                [&] { ShowTab(d, kTabMotion); return true; }, check("motion", L"motion"),
                [&] {  // the help box, whole on the screen
                  m.PostMessage(WM_COMMAND, MAKEWPARAM(Dlg_Motion::IDC_MOTION_HELP, BN_CLICKED));
                  return true;
                },
                [&] {
                  HWND help = ShownBox(Dlg_Motion::IDD);
                  if (!help) return false;
                  CRect r, screen;
                  ::GetWindowRect(help, &r);
                  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &screen, 0);
                  if (r.Width() > screen.Width() || r.Height() > screen.Height())
                    bad.push_back("the motion help is larger than the screen");
                  for (const std::string& c : labelfit::CutTexts(*CWnd::FromHandle(help))) bad.push_back("help: " + c);
                  if (shot) Shot(*CWnd::FromHandle(help), std::wstring(L"device_settings_motion_help_") + shot);
                  ::PostMessageW(help, WM_COMMAND, IDCANCEL, 0);
                  return true;
                },
                [&] {  // switched off, the page shows its enable box and title only
                  ShowTab(d, kTabAv);
                  Press(Control(PageOf<Dlg_AVSet>(d, kTabAv), Dlg_AVSet::IDC_ENABLE));
                  return true;
                },
                check("video/audio, off", L"av_off")});
    EXPECT_TRUE(bad.empty()) << "language " << lang << labelfit::Join(bad);
  }
}

}  // namespace

KITTEST_MAIN()
