// The device settings dialog under Wine: its size follows the shown page's enable box (on a
// click and on a tab switch), Apply with nothing enabled says so and stays, Apply fills the
// records from the date/time and URL pages, the date lists follow the chosen month and rule
// type; every text fits its room in all 13 languages, with screenshots of each page.
#include "tests/win/device_set_harness.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "dialogs/device_settings/date_time_layout.h"
#include "dialogs/device_settings/dlg_date_time_win.h"
#include "dialogs/device_settings/dlg_device_set_win.h"
#include "dialogs/device_settings/dlg_motion_win.h"
#include "dialogs/device_settings/dlg_url_win.h"
#include "kit/jtabctrl_images.h"
#include "kit/lang.h"

using namespace setharness;

namespace {

struct Sizes {
  CSize client, tabs, page;
  CPoint apply;
};

Sizes Measure(Dlg_DeviceSet& d, CWnd& page) {
  Sizes s;
  CRect r;
  d.GetClientRect(&r);
  s.client = r.Size();
  s.tabs = kittest::ChildRect(d, d.Tabs()).Size();
  s.page = kittest::ChildRect(d.Tabs(), page).Size();
  s.apply = kittest::ChildRect(d, *d.GetDlgItem(Dlg_DeviceSet::IDC_APPLY)).TopLeft();
  return s;
}

void ExpectTall(const Sizes& s, bool tall, const char* when) {
  EXPECT_EQ(s.client, CSize(653, tall ? 567 : 170)) << when;
  EXPECT_EQ(s.tabs, CSize(619, tall ? 507 : 110)) << when;
  EXPECT_EQ(s.page, CSize(617, tall ? 480 : 83)) << when;
  EXPECT_EQ(s.apply, CPoint(261, tall ? 533 : 140)) << when;
}

TEST(DeviceSetDialog, SizeFollowsTheShownPagesEnableBox) {
  DeviceSettings records;
  records.url.Enable = true;
  Dlg_DeviceSet d(records, CheckedPlatforms());
  std::vector<Sizes> seen;
  auto look = [&](int tab) {
    return [&, tab] {
      seen.push_back(Measure(d, *d.Pages()[static_cast<std::size_t>(tab)]));
      return true;
    };
  };
  auto& dt = PageOf<Dlg_DateTime>(d, kTabDateTime);
  RunWith(d, {look(kTabDateTime),                                         // opens on the disabled date/time
              [&] { Press(Control(dt, Dlg_DateTime::IDC_ENABLE)); return true; }, look(kTabDateTime),
              [&] { ShowTab(d, kTabUrl); return true; }, look(kTabUrl),   // the URL page is enabled
              [&] { ShowTab(d, kTabMotion); return true; }, look(kTabMotion),  // switched off
              [&] { ShowTab(d, kTabDateTime); return true; }, look(kTabDateTime),
              [&] { Press(Control(dt, Dlg_DateTime::IDC_ENABLE)); return true; }, look(kTabDateTime)});
  ASSERT_EQ(seen.size(), 6u);
  ExpectTall(seen[0], false, "opened");
  ExpectTall(seen[1], true, "date/time enabled");
  ExpectTall(seen[2], true, "URL tab");
  ExpectTall(seen[3], false, "motion tab");
  ExpectTall(seen[4], true, "back to date/time");
  ExpectTall(seen[5], false, "date/time disabled");
}

TEST(DeviceSetDialog, ApplyWithNothingEnabledSaysSoAndStays) {
  DeviceSettings records;
  Dlg_DeviceSet d(records, CheckedPlatforms());
  auto& url = PageOf<Dlg_URL>(d, kTabUrl);
  bool warned = false, stayed = false;
  const INT_PTR result = RunWith(d, {
      [&] { d.PostMessage(WM_COMMAND, MAKEWPARAM(Dlg_DeviceSet::IDC_APPLY, BN_CLICKED)); return true; },
      DismissWarning(&warned),
      [&] {
        stayed = !ShownWarning() && ::IsWindowVisible(d.m_hWnd);
        ShowTab(d, kTabUrl);
        Press(Control(url, Dlg_URL::IDC_ENABLE));
        d.PostMessage(WM_COMMAND, MAKEWPARAM(Dlg_DeviceSet::IDC_APPLY, BN_CLICKED));
        return true;
      }});
  EXPECT_TRUE(warned);
  EXPECT_TRUE(stayed);
  EXPECT_EQ(result, IDOK);
  EXPECT_TRUE(records.url.Enable);
  EXPECT_FALSE(records.dateTime.Enable);
}

TEST(DeviceSetDialog, ApplyFillsTheRecordsFromThePages) {
  DeviceSettings records;
  records.url.Command = L"OLD";
  records.dateTime.Sync = 999;  // an interval the list does not offer
  Dlg_DeviceSet d(records, CheckedPlatforms());
  auto& dt = PageOf<Dlg_DateTime>(d, kTabDateTime);
  auto& url = PageOf<Dlg_URL>(d, kTabUrl);
  int typed = 0;
  const INT_PTR result = RunWith(d, {
      [&] {
        Press(Control(dt, Dlg_DateTime::IDC_ENABLE));
        Press(Control(dt, Dlg_DateTime::IDC_MANUAL));
        Choose(dt, Dlg_DateTime::IDC_YEAR, 2026 - kFirstYear);
        Choose(dt, Dlg_DateTime::IDC_MONTH, 1);  // February
        Choose(dt, Dlg_DateTime::IDC_DAY, 27);
        Choose(dt, Dlg_DateTime::IDC_HOUR, 23);
        Choose(dt, Dlg_DateTime::IDC_MINUTE, 5);
        Choose(dt, Dlg_DateTime::IDC_SECOND, 59);
        Choose(dt, Dlg_DateTime::IDC_ZONE, 24);
        Press(Control(dt, Dlg_DateTime::IDC_DST));
        Choose(dt, Dlg_DateTime::IDC_RULE_TYPE + 1, 0);     // end rule by week
        Choose(dt, Dlg_DateTime::IDC_RULE_DAY + 1, 3);      // Last
        Choose(dt, Dlg_DateTime::IDC_RULE_WEEKDAY + 1, 6);  // Sunday
        Choose(dt, Dlg_DateTime::IDC_RULE_MONTH + 1, 9);    // October
        Choose(dt, Dlg_DateTime::IDC_RULE_HOUR + 1, 3);
        return true;
      },
      [&] {
        ShowTab(d, kTabUrl);
        Press(Control(url, Dlg_URL::IDC_ENABLE));
        Choose(url, Dlg_URL::IDC_CGI, 2);
        CWnd& edit = Control(url, Dlg_URL::IDC_COMMAND);
        edit.SetWindowText(L"");
        edit.SetFocus();
        // The field takes no more than the record holds.
        for (int i = 0; i < 300; ++i) edit.SendMessage(WM_CHAR, L'A' + i % 26, 1);
        typed = edit.GetWindowTextLength();
        return true;
      },
      [&] { d.PostMessage(WM_COMMAND, MAKEWPARAM(Dlg_DeviceSet::IDC_APPLY, BN_CLICKED)); return true; }});
  EXPECT_EQ(result, IDOK);
  const DateTimeSettings& s = records.dateTime;
  EXPECT_TRUE(s.Enable);
  EXPECT_FALSE(s.Server);
  EXPECT_TRUE(s.DLS);
  EXPECT_EQ(s.Year, 2026);
  EXPECT_EQ(s.Month, 2);
  EXPECT_EQ(s.Day, 28);
  EXPECT_EQ(s.Hour, 23);
  EXPECT_EQ(s.Minute, 5);
  EXPECT_EQ(s.Second, 59);
  EXPECT_EQ(s.TimeZone, 24);
  EXPECT_EQ(s.EType, 0);
  EXPECT_EQ(s.EDay, 4);
  EXPECT_EQ(s.EDayOfWeek, 7);
  EXPECT_EQ(s.EMonth, 10);
  EXPECT_EQ(s.EHour, 3);
  EXPECT_EQ(s.SType, 0);  // the start rule as it was
  EXPECT_EQ(s.SMonth, 7);
  EXPECT_EQ(s.ServerIP, L"192.168.0.2");
  EXPECT_EQ(s.Sync, 999);  // kept: no interval was chosen
  EXPECT_TRUE(records.url.Enable);
  EXPECT_EQ(records.url.CGI, 2);
  EXPECT_EQ(typed, 255);
  EXPECT_EQ(records.url.Command.size(), kUrlCommandChars);
}

TEST(DeviceSetDialog, DayListsFollowTheMonthAndTheRuleType) {
  DeviceSettings records;
  records.dateTime.Enable = true;
  records.dateTime.Server = false;
  records.dateTime.DLS = true;
  records.dateTime.Year = 2012;
  records.dateTime.Month = 2;
  records.dateTime.Day = 29;
  Dlg_DeviceSet d(records, CheckedPlatforms());
  auto& dt = PageOf<Dlg_DateTime>(d, kTabDateTime);
  struct Seen {
    int days = 0, daySel = -1, startDays = 0, endDays = 0;
    bool startWeekday = false, endWeekday = false, interval = false, year = false;
  };
  std::vector<Seen> seen;
  auto look = [&] {
    Seen s;
    s.days = Count(dt, Dlg_DateTime::IDC_DAY);
    s.daySel = static_cast<int>(Control(dt, Dlg_DateTime::IDC_DAY).SendMessage(CB_GETCURSEL));
    s.startDays = Count(dt, Dlg_DateTime::IDC_RULE_DAY);
    s.endDays = Count(dt, Dlg_DateTime::IDC_RULE_DAY + 1);
    s.startWeekday = Visible(dt, Dlg_DateTime::IDC_RULE_WEEKDAY);
    s.endWeekday = Visible(dt, Dlg_DateTime::IDC_RULE_WEEKDAY + 1);
    s.interval = Visible(dt, Dlg_DateTime::IDC_INTERVAL);
    s.year = Visible(dt, Dlg_DateTime::IDC_YEAR);
    seen.push_back(s);
    return true;
  };
  RunWith(d, {look,
              [&] { Choose(dt, Dlg_DateTime::IDC_YEAR, 2013 - kFirstYear); return true; }, look,
              [&] {
                Choose(dt, Dlg_DateTime::IDC_RULE_MONTH + 1, 1);  // the end rule (by day) in February
                Choose(dt, Dlg_DateTime::IDC_RULE_TYPE, 1);       // the start rule by day too
                return true;
              },
              look,
              [&] {
                Choose(dt, Dlg_DateTime::IDC_RULE_TYPE + 1, 0);
                Press(Control(dt, Dlg_DateTime::IDC_SNTP));
                return true;
              },
              look});
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[0].days, 29);  // 2012
  EXPECT_EQ(seen[0].daySel, 28);
  EXPECT_EQ(seen[0].startDays, 4);  // First ... Last
  EXPECT_EQ(seen[0].endDays, 31);   // March
  EXPECT_TRUE(seen[0].startWeekday);
  EXPECT_FALSE(seen[0].endWeekday);
  EXPECT_TRUE(seen[0].year);
  EXPECT_FALSE(seen[0].interval);
  EXPECT_EQ(seen[1].days, 28);  // 2013; the day starts again at 01
  EXPECT_EQ(seen[1].daySel, 0);
  EXPECT_EQ(seen[2].endDays, 29);  // a rule's February
  EXPECT_EQ(seen[2].startDays, 31);  // July
  EXPECT_FALSE(seen[2].startWeekday);
  EXPECT_EQ(seen[3].endDays, 4);
  EXPECT_TRUE(seen[3].endWeekday);
  EXPECT_TRUE(seen[3].interval);
  EXPECT_FALSE(seen[3].year);
}

// ---- every language --------------------------------------------------------------------

std::string Join(const std::vector<std::string>& lines) { return labelfit::Join(lines); }

TEST(DeviceSetDialog, EveryTextFitsInEveryLanguage) {
  LanguageGuard guard;
  for (LANGID lang : kLanguages) {
    SetLanguage(lang);
    const wchar_t* shot = ShotLanguage(lang);
    DeviceSettings records;
    records.dateTime.Enable = true;
    records.dateTime.DLS = true;
    records.url.Enable = true;
    records.url.Command = L"VIDEO_SATURATION=80";
    Dlg_DeviceSet d(records, CheckedPlatforms());
    auto& dt = PageOf<Dlg_DateTime>(d, kTabDateTime);
    auto& url = PageOf<Dlg_URL>(d, kTabUrl);
    std::vector<std::string> bad;
    auto check = [&](const char* view, const wchar_t* shotName) {
      return [&, view, shotName] {
        for (const std::string& m : labelfit::CutTexts(d)) bad.push_back(std::string(view) + ": " + m);
        if (shot) Shot(d, std::wstring(L"device_settings_") + shotName + L"_" + shot);
        return true;
      };
    };
    RunWith(d, {check("date/time, SNTP", L"date_time_sntp"),
                [&] {
                  Press(Control(dt, Dlg_DateTime::IDC_MANUAL));
                  Choose(dt, Dlg_DateTime::IDC_RULE_TYPE + 1, 0);  // both rules with their weekday
                  return true;
                },
                check("date/time, manual", L"date_time_manual"),
                [&] { ShowTab(d, kTabUrl); return true; },
                check("URL", L"url"),
                [&] {  // the help box (opened where screenshots are taken), whole on the screen
                  const CSize form = kittest::MeasureText(LoadLangString(607));
                  const CSize commands = kittest::MeasureText(LoadLangString(608));
                  CRect screen;
                  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &screen, 0);
                  if (std::max(form.cx, commands.cx) + 40 > screen.Width() || form.cy + commands.cy + 75 > screen.Height())
                    bad.push_back("the URL help is larger than the screen");
                  if (shot) url.PostMessage(WM_COMMAND, MAKEWPARAM(Dlg_URL::IDC_URL_HELP, BN_CLICKED));
                  return true;
                },
                [&] {
                  if (!shot) return true;
                  HWND help = ShownBox(Dlg_URL::IDD);
                  if (!help) return false;
                  Shot(*CWnd::FromHandle(help), std::wstring(L"device_settings_url_help_") + shot);
                  ::PostMessageW(help, WM_COMMAND, IDCANCEL, 0);
                  return true;
                },
                [&] { ShowTab(d, kTabMotion); return true; },
                check("motion", L"short")});
    EXPECT_TRUE(bad.empty()) << "language " << lang << Join(bad);
  }
}

// ---- boxes over the dialog, and the enable boxes -----------------------------------------

// A box opened from the dialog or one of its pages stands over the dialog, which takes no
// input while the box is up and takes it again once the box is closed.
TEST(DeviceSetDialog, EveryBoxHoldsTheDialogUntilItCloses) {
  struct Case {
    const char* what;
    UINT title;
    std::function<void(DeviceSettings&)> preset;
    std::function<void(Dlg_DeviceSet&)> open;
  };
  auto apply = [](Dlg_DeviceSet& d) { d.PostMessage(WM_COMMAND, MAKEWPARAM(Dlg_DeviceSet::IDC_APPLY, BN_CLICKED)); };
  const Case cases[] = {
      {"nothing enabled (561)", 564, [](DeviceSettings&) {}, apply},
      {"motion window out of shape (557)", 564,
       [](DeviceSettings& r) {
         r.motion.Enable = true;
         r.motion.windows[0].Type = kMotionCoordinates;  // (0, 0, 0, 0)
       },
       apply},
      {"motion help", Dlg_Motion::IDD, [](DeviceSettings&) {},
       [](Dlg_DeviceSet& d) {
         ShowTab(d, kTabMotion);
         PageOf<Dlg_Motion>(d, kTabMotion).PostMessage(WM_COMMAND, MAKEWPARAM(Dlg_Motion::IDC_MOTION_HELP, BN_CLICKED));
       }},
      {"URL help", Dlg_URL::IDD, [](DeviceSettings& r) { r.url.Enable = true; },
       [](Dlg_DeviceSet& d) {
         ShowTab(d, kTabUrl);
         PageOf<Dlg_URL>(d, kTabUrl).PostMessage(WM_COMMAND, MAKEWPARAM(Dlg_URL::IDC_URL_HELP, BN_CLICKED));
       }},
  };
  for (const Case& c : cases) {
    DeviceSettings records;
    c.preset(records);
    Dlg_DeviceSet d(records, CheckedPlatforms());
    HWND box = nullptr, owner = nullptr, dialog = nullptr;
    bool heldWhileShown = false, freeAfter = false;
    RunWith(d, {[&] { c.open(d); return true; },
                [&] {
                  if (!(box = ShownBox(c.title))) return false;
                  owner = ::GetWindow(box, GW_OWNER);
                  dialog = d.m_hWnd;
                  heldWhileShown = !::IsWindowEnabled(d.m_hWnd);
                  ::PostMessageW(box, WM_CLOSE, 0, 0);
                  return true;
                },
                [&] {
                  if (ShownBox(c.title)) return false;
                  freeAfter = ::IsWindowEnabled(d.m_hWnd) != FALSE;
                  return true;
                }});
    ASSERT_NE(box, nullptr) << c.what;
    EXPECT_EQ(owner, dialog) << c.what;
    EXPECT_TRUE(heldWhileShown) << c.what;
    EXPECT_TRUE(freeAfter) << c.what;
  }
}

// A press on a page's enable box that is released off the box flips the box all the same:
// the dialog's size and the page's contents follow it, as for any other press.
TEST(DeviceSetDialog, EnableBoxPressedAndReleasedOffItStillAgreesWithThePage) {
  DeviceSettings records;
  Dlg_DeviceSet d(records, CheckedPlatforms());
  auto& dt = PageOf<Dlg_DateTime>(d, kTabDateTime);
  auto pressOff = [&](CWnd& box) {
    CRect r;
    box.GetClientRect(&r);
    box.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    box.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(r.right + 40, r.bottom + 40));
  };
  struct Seen {
    bool checked, zoneShown;
    Sizes sizes;
  };
  std::vector<Seen> seen;
  auto look = [&] {
    seen.push_back({Checked(dt, Dlg_DateTime::IDC_ENABLE), Visible(dt, Dlg_DateTime::IDC_ZONE), Measure(d, dt)});
    return true;
  };
  RunWith(d, {[&] { pressOff(Control(dt, Dlg_DateTime::IDC_ENABLE)); return true; }, look,
              [&] { pressOff(Control(dt, Dlg_DateTime::IDC_ENABLE)); return true; }, look,
              [&] { Press(Control(dt, Dlg_DateTime::IDC_ENABLE)); return true; }, look});
  ASSERT_EQ(seen.size(), 3u);
  const bool want[3] = {true, false, true};
  for (std::size_t i = 0; i < seen.size(); ++i) {
    EXPECT_EQ(seen[i].checked, want[i]) << i;
    EXPECT_EQ(seen[i].zoneShown, want[i]) << i;
    ExpectTall(seen[i].sizes, want[i], want[i] ? "box on" : "box off");
  }
}

// A switched-off page shows its enable box (and its title) and nothing that the short layout
// cuts, in every language.
TEST(DeviceSetDialog, SwitchedOffPagesShowNothingCut) {
  LanguageGuard guard;
  for (LANGID lang : kLanguages) {
    SetLanguage(lang);
    const wchar_t* shot = ShotLanguage(lang);
    DeviceSettings records;  // every page off, with what would show most when on
    records.dateTime.DLS = true;
    records.url.Command = L"VIDEO_SATURATION=80";
    Dlg_DeviceSet d(records, CheckedPlatforms());
    std::vector<std::string> bad;
    const wchar_t* names[4] = {L"date_time", L"motion", L"av", L"url"};
    std::vector<std::function<bool()>> steps;
    for (int tab = 0; tab < 4; ++tab) {
      steps.push_back([&, tab] { ShowTab(d, tab); return true; });
      steps.push_back([&, tab] {
        CWnd& page = *d.Pages()[static_cast<std::size_t>(tab)];
        const Sizes s = Measure(d, page);
        if (!(s.page == CSize(617, 83))) bad.push_back(labelfit::Utf8(names[tab]) + ": not the short layout");
        for (const std::string& m : labelfit::CutTexts(d)) bad.push_back(labelfit::Utf8(names[tab]) + ": " + m);
        if (shot) Shot(d, std::wstring(L"device_settings_off_") + names[tab] + L"_" + shot);
        return true;
      });
    }
    RunWith(d, steps);
    EXPECT_TRUE(bad.empty()) << "language " << lang << Join(bad);
  }
}

}  // namespace

KITTEST_MAIN()
