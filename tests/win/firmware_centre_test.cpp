// The firmware check centre on screen, under Wine, with stand-in lists and devices: the groups
// it shows for devices of three platforms (rows, their heights, device buttons and release-notes
// links), every text fitting in all 13 languages (screenshots in English, Hungarian and
// Japanese), Apply handing back the ticked groups' devices, the message when nothing is
// outdated, scrolling, and the links and device buttons opening their pages.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/firmware_centre/dlg_dlcenter_win.h"
#include "device/http_port_map.h"
#include "kit/browser.h"
#include "kit/jhtmldlg.h"
#include "kit/jmessagebox.h"
#include "kit/lang.h"
#include "tests/support/firmware_fakes.h"
#include "tests/win/kit_controls_support.h"
#include "tests/win/label_fit.h"

namespace {

using kittest::ChildRect;
using kittest::Script;

const LANGID kLanguages[] = {1033, 1028, 2052, 1041, 1029, 1038, 1045, 1048, 1049, 1034, 1036, 1040, 1043};
const fwlist::Sites kSites{L"http://first.test", L"http://second.test"};
const std::string kList =
    "R7_FW_VER=V6.09.05\r\nR7_FW_LOG=id=70\r\n0231_FW_VER=V1.00.05\r\n0231_FW_LOG=id=231\r\n"
    "R5_FW_VER=V7.01.05\r\nR5_FW_LOG=id=50\r\nC_FW_VER=A2.00.12\r\n";

std::string Info(const std::string& firmware) { return "Firmware Version = " + firmware + "\n"; }

BatchSelection Rows(const std::vector<std::wstring>& ips) {
  BatchSelection s;
  RowHandle row = 1;
  for (const std::wstring& ip : ips) {
    BatchRow r;
    r.row = row++;
    r.ip = ip;
    s.rows.push_back(r);
  }
  return s;
}

void Press(CWnd& b) {
  b.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  b.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
}

struct Centre : ::testing::Test {
  testlab::FakeFetcher fetcher;
  testlab::FakeDevices devices;
  std::vector<std::wstring> opened;
  FirmwareCentreServices services;

  void SetUp() override {
    SetLanguage(1033);
    fetcher.lists[fwlist::FirstListUrl(kSites.first)] = kList;
    fetcher.lists[fwlist::SecondListUrl(kSites.second)] = kList;
    // Devices of three platforms: three R5, one R7 with the ISP code 0231, one C.
    devices.Reply(L"10.9.1.1", "SYSTEM_INFO", Info("CAM-V7.01.02"));
    devices.Reply(L"10.9.1.2", "SYSTEM_INFO", Info("CAM-V7.01.03"));
    devices.Reply(L"10.9.1.5", "SYSTEM_INFO", Info("CAM-V7.00.09"));
    devices.Reply(L"10.9.1.3", "SYSTEM_INFO", Info("K7W-V6.08.30"));
    devices.Reply(L"10.9.1.3", "SYSTEM_LOG", "ISP Firmware Version ISP-F-0231-V1.00.05\n");
    devices.Reply(L"10.9.1.4", "SYSTEM_INFO", Info("A2.00.11"));
    services.fetcher = &fetcher;
    services.io = &devices;
    services.sites = &kSites;
    SetBrowserLauncher([this](const std::wstring& target) {
      opened.push_back(target);
      return true;
    });
  }
  void TearDown() override {
    SetBrowserLauncher(nullptr);
    SetLanguage(1033);
  }
  // Runs the check and shows the centre; `look` runs once it is on screen and ends it.
  INT_PTR Show(DlgDLCenter& c, std::function<void(DlgDLCenter&)> look) {
    if (!c.RunCheck()) {
      ADD_FAILURE() << "the check failed";
      return -1;
    }
    bool seen = false;
    Script script([&](int) {
      if (!c.m_hWnd || !c.IsWindowVisible()) return true;
      seen = true;
      look(c);
      if (c.m_hWnd) c.EndDialog(IDCANCEL);
      return false;
    });
    const INT_PTR r = c.DoModal();
    EXPECT_TRUE(seen);
    return r;
  }
};

TEST_F(Centre, GroupsOfOutdatedDevices) {
  DlgDLCenter c(Rows({L"10.9.1.1", L"10.9.1.2", L"10.9.1.3", L"10.9.1.4", L"10.9.1.5"}), Login{L"admin", L"740912"},
                nullptr, services);
  Show(c, [&](DlgDLCenter& d) {
    // In the order of the result lists: R7 with ISP 0231 (11), R5 (14), C (17).
    ASSERT_EQ(d.Rows().size(), 3u);
    const Dlg_RGroup& isp = *d.Rows()[0];
    const Dlg_RGroup& r5 = *d.Rows()[1];
    const Dlg_RGroup& c17 = *d.Rows()[2];
    EXPECT_EQ(isp.Addresses(), std::vector<std::wstring>{L"10.9.1.3"});
    std::vector<std::wstring> r5Addresses = r5.Addresses();
    std::sort(r5Addresses.begin(), r5Addresses.end());
    EXPECT_EQ(r5Addresses, (std::vector<std::wstring>{L"10.9.1.1", L"10.9.1.2", L"10.9.1.5"}));
    EXPECT_EQ(c17.Addresses(), std::vector<std::wstring>{L"10.9.1.4"});
    // Rows one below the other: 14 px a device and 40; three devices make 82.
    EXPECT_EQ(ChildRect(d.m_Container, isp), CRect(0, 0, DlgDLCenter::kClientWidth - 17, 54));
    EXPECT_EQ(ChildRect(d.m_Container, r5), CRect(0, 54, DlgDLCenter::kClientWidth - 17, 54 + 82));
    EXPECT_EQ(ChildRect(d.m_Container, c17).top, 54 + 82);
    EXPECT_FALSE(d.m_Container.m_ScrollBar.IsWindowVisible());
    // A device button per address from (60, 20), one below the other.
    ASSERT_EQ(r5.m_Devices.size(), 3u);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(ChildRect(r5, *r5.m_Devices[i]), CRect(60, 20 + 20 * i, 164, 39 + 20 * i));
      EXPECT_STREQ(r5.m_Devices[i]->m_Caption, r5.Addresses()[i].c_str());
    }
    EXPECT_EQ(ChildRect(isp, isp.m_Check), CRect(30, 22, 44, 36));
    // Links: one at (210, 20) without ISP notes, two at (210, 12) and (210, 32) with them.
    EXPECT_EQ(ChildRect(r5, r5.m_FwLog).TopLeft(), CPoint(210, 20));
    EXPECT_FALSE(r5.m_IspLog.IsWindowVisible());
    EXPECT_EQ(ChildRect(isp, isp.m_FwLog).TopLeft(), CPoint(210, 12));
    EXPECT_EQ(ChildRect(isp, isp.m_IspLog).TopLeft(), CPoint(210, 32));
    EXPECT_EQ(isp.FwLogUrl(), L"http://second.test/Fennrow/DownloadCenter/Ajax/DownloadFile.ashx?id=70");
    EXPECT_EQ(isp.IspLogUrl(), L"http://second.test/Fennrow/DownloadCenter/Ajax/DownloadFile.ashx?id=231");
    EXPECT_EQ(c17.FwLogUrl(), L"http://second.test/Fennrow/DownloadCenter/Ajax/DownloadFile.ashx?");
  });
}

TEST_F(Centre, EveryTextFitsInEveryLanguage) {
  for (LANGID lang : kLanguages) {
    SetLanguage(lang);
    // A check cancels its fetches when it ends: each one gets a fetcher of its own.
    testlab::FakeFetcher lists;
    lists.lists = fetcher.lists;
    services.fetcher = &lists;
    DlgDLCenter c(Rows({L"10.9.1.1", L"10.9.1.2", L"10.9.1.3", L"10.9.1.4", L"10.9.1.5"}), Login{}, nullptr, services);
    Show(c, [&](DlgDLCenter& d) {
      CString caption;
      d.GetWindowText(caption);
      EXPECT_STREQ(caption, LoadLangString(368)) << lang;
      EXPECT_STREQ(d.m_Apply.m_Caption, LoadLangString(1002)) << lang;
      EXPECT_STREQ(d.Rows()[0]->m_FwLog.m_Caption, LoadLangString(1760)) << lang;
      EXPECT_STREQ(d.Rows()[0]->m_IspLog.m_Caption, LoadLangString(1761)) << lang;
      const std::vector<std::string> cut = labelfit::CutTexts(d);
      EXPECT_TRUE(cut.empty()) << lang << labelfit::Join(cut);
      if (lang == 1033 || lang == 1038 || lang == 1041) {
        EXPECT_TRUE(kittest::SaveWindowOnTop(d, L"firmware_centre_" + std::to_wstring(lang)));
      }
    });
  }
}

// Four devices in three groups, as the user sees them in English and in Japanese (screenshots
// firmware_centre_four_<language>): each device's button in its group, nothing cut.
TEST_F(Centre, FourDevicesOnScreen) {
  for (LANGID lang : {static_cast<LANGID>(1033), static_cast<LANGID>(1041)}) {
    SetLanguage(lang);
    testlab::FakeFetcher lists;
    lists.lists = fetcher.lists;
    services.fetcher = &lists;
    DlgDLCenter c(Rows({L"10.9.1.1", L"10.9.1.3", L"10.9.1.4", L"10.9.1.5"}), Login{}, nullptr, services);
    Show(c, [&](DlgDLCenter& d) {
      ASSERT_EQ(d.Rows().size(), 3u) << lang;
      std::size_t buttons = 0;
      for (const auto& row : d.Rows()) buttons += row->m_Devices.size();
      EXPECT_EQ(buttons, 4u) << lang;
      const std::vector<std::string> cut = labelfit::CutTexts(d);
      EXPECT_TRUE(cut.empty()) << lang << labelfit::Join(cut);
      EXPECT_TRUE(kittest::SaveWindowOnTop(d, L"firmware_centre_four_" + std::to_wstring(lang)));
    });
  }
}

// Apply hands back the devices of the ticked groups, row by row; the tick box only toggles.
TEST_F(Centre, ApplyHandsBackTheTickedGroups) {
  g_pHtmlDlg = new JHtmlDlg();
  DlgDLCenter c(Rows({L"10.9.1.1", L"10.9.1.2", L"10.9.1.3", L"10.9.1.4", L"10.9.1.5"}), Login{}, nullptr, services);
  EXPECT_TRUE(c.RunCheck());
  std::vector<std::wstring> r5;
  Script script([&](int) {
    if (!c.m_hWnd || !c.IsWindowVisible()) return true;
    Press(c.Rows()[2]->m_Check);
    Press(c.Rows()[1]->m_Check);
    Press(c.Rows()[0]->m_Check);
    Press(c.Rows()[0]->m_Check);  // and off again
    EXPECT_TRUE(opened.empty());
    r5 = c.Rows()[1]->Addresses();
    // A device's button opens its web page; a link its release notes.
    Press(*c.Rows()[2]->m_Devices[0]);
    c.Rows()[0]->SendMessage(WM_COMMAND, MAKEWPARAM(Dlg_RGroup::IDC_ISP_LOG, BN_CLICKED),
                             reinterpret_cast<LPARAM>(c.Rows()[0]->m_IspLog.m_hWnd));
    c.SendMessage(WM_COMMAND, MAKEWPARAM(DlgDLCenter::IDC_APPLY, BN_CLICKED), reinterpret_cast<LPARAM>(c.m_Apply.m_hWnd));
    return false;
  });
  EXPECT_EQ(c.DoModal(), IDOK);
  std::vector<std::wstring> expected = r5;
  expected.push_back(L"10.9.1.4");
  EXPECT_EQ(c.Chosen(), expected);
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[0].substr(opened[0].size() - 5), L".html");  // the page of 10.9.1.4
  EXPECT_EQ(opened[1], L"http://second.test/Fennrow/DownloadCenter/Ajax/DownloadFile.ashx?id=231");
  delete g_pHtmlDlg;
  g_pHtmlDlg = nullptr;
}

TEST_F(Centre, NothingOutdatedSaysSoAndCloses) {
  DlgDLCenter c(Rows({L"10.9.1.9"}), Login{}, nullptr, services);  // does not answer
  EXPECT_TRUE(c.RunCheck());
  CString text, title;
  Script script([&](int) {
    for (HWND w = ::GetWindow(::GetDesktopWindow(), GW_CHILD); w; w = ::GetWindow(w, GW_HWNDNEXT))
      if (auto* box = dynamic_cast<JMessageBox*>(CWnd::FromHandlePermanent(w)))
        if (box->IsWindowVisible()) {
          text = box->m_Text;
          box->GetWindowText(title);
          box->PostMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
          return false;
        }
    return true;
  });
  EXPECT_EQ(c.DoModal(), IDCANCEL);
  EXPECT_STREQ(text, L"No Upgrade available");
  EXPECT_STREQ(title, L"Warning");
  EXPECT_TRUE(c.Rows().empty());
}

TEST_F(Centre, WithoutTheSitesTheCheckCannotStart) {
  const fwlist::Sites none;
  services.sites = &none;
  DlgDLCenter c(Rows({L"10.9.1.1"}), Login{}, nullptr, services);
  EXPECT_FALSE(c.RunCheck());
  EXPECT_TRUE(fetcher.urls.empty());
  EXPECT_TRUE(devices.Paths().empty());
  // A list that cannot be had: the check runs and fails.
  services.sites = &kSites;
  testlab::FakeFetcher none2;
  services.fetcher = &none2;
  DlgDLCenter again(Rows({L"10.9.1.1"}), Login{}, nullptr, services);
  EXPECT_FALSE(again.RunCheck());
  EXPECT_EQ(none2.urls.size(), 1u);
  EXPECT_TRUE(devices.Paths().empty());
}

TEST_F(Centre, ManyDevicesScrollWithTheWheel) {
  std::vector<std::wstring> ips;
  for (int i = 1; i <= 20; ++i) {
    ips.push_back(L"10.9.2." + std::to_wstring(i));
    devices.Reply(ips.back(), "SYSTEM_INFO", Info("CAM-V7.01.01"));
  }
  DlgDLCenter c(Rows(ips), Login{}, nullptr, services);
  Show(c, [&](DlgDLCenter& d) {
    ASSERT_EQ(d.Rows().size(), 1u);
    const Dlg_RGroup& row = *d.Rows()[0];
    EXPECT_EQ(row.m_Devices.size(), 20u);
    // Every device button inside its row.
    CRect client;
    row.GetClientRect(&client);
    EXPECT_LE(ChildRect(row, *row.m_Devices.back()).bottom, client.bottom);
    EXPECT_TRUE(d.m_Container.m_ScrollBar.IsWindowVisible());
    d.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    EXPECT_EQ(ChildRect(d.m_Container, row).top, -30);
    d.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    d.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    EXPECT_EQ(ChildRect(d.m_Container, row).top, 0);
  });
}

}  // namespace

KITTEST_MAIN()
