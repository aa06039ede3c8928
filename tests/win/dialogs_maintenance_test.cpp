// The firmware, backup, restore and troubleshooting dialogs under Wine: their layout in all 13
// languages (every control inside the dialog, none over another, every caption within its
// button), what each offers for the devices it was given, the refusals it shows, and what it
// hands the batch on Apply. Screenshots of each in English, Hungarian and Japanese.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/settings_file/settings_file.h"
#include "dialogs/maintenance/dlg_backup_win.h"
#include "dialogs/maintenance/dlg_debug_win.h"
#include "dialogs/maintenance/dlg_firmware_win.h"
#include "dialogs/maintenance/dlg_restore_win.h"
#include "kit/jmessagebox.h"
#include "kit/lang.h"
#include "res/strings/maintenance_strings.h"
#include "tests/win/kit_controls_support.h"
#include "tests/win/label_fit.h"
#include "tests/win/window_shot.h"

namespace {

constexpr LANGID kLanguages[] = {1033, 1028, 2052, 1041, 1029, 1038, 1045, 1048, 1049,
                                 MAKELANGID(LANG_SPANISH, SUBLANG_NEUTRAL), MAKELANGID(LANG_FRENCH, SUBLANG_NEUTRAL),
                                 MAKELANGID(LANG_ITALIAN, SUBLANG_NEUTRAL), MAKELANGID(LANG_DUTCH, SUBLANG_NEUTRAL)};

struct LanguageGuard {
  LANGID saved = g_LanguageId;
  ~LanguageGuard() { SetLanguage(saved); }
};

std::string Narrow(const std::wstring& w) {
  std::string s;
  for (wchar_t c : w) s += c < 128 ? static_cast<char>(c) : '?';
  return s;
}

// The message box the dialog shows now, if any.
JMessageBox* OpenBox() {
  struct Find {
    static BOOL CALLBACK Each(HWND h, LPARAM p) {
      if (!::IsWindowVisible(h)) return TRUE;
      if (auto* box = dynamic_cast<JMessageBox*>(CWnd::FromHandlePermanent(h))) {
        *reinterpret_cast<JMessageBox**>(p) = box;
        return FALSE;
      }
      return TRUE;
    }
  };
  JMessageBox* box = nullptr;
  ::EnumThreadWindows(::GetCurrentThreadId(), &Find::Each, reinterpret_cast<LPARAM>(&box));
  return box;
}

// A press of a skinned button as the mouse makes it, and a click of a push button.
void Press(JButton& b) {
  b.PostMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  b.PostMessage(WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
}
void Click(CDialog& dlg, UINT id) {
  dlg.PostMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(dlg.GetDlgItem(id)->m_hWnd));
}

// Runs the dialog modally; `step(n)` runs every 50 ms once it is shown (and no message box
// is open unless the step expects one) until it returns false. A dialog the steps leave open
// is cancelled after about 15 s.
INT_PTR RunModal(SkinDialog& dlg, const std::function<bool(int)>& step) {
  int n = 0;
  kittest::Script script([&](int tick) {
    if (tick > 300) {
      ADD_FAILURE() << "the dialog was left open";
      if (JMessageBox* box = OpenBox()) box->PostMessage(WM_CLOSE);
      dlg.PostMessage(WM_COMMAND, IDCANCEL);
      return false;
    }
    if (!dlg.m_hWnd || !dlg.IsWindowVisible()) return true;
    return step(n++);
  }, 400);
  return dlg.DoModal();
}

// Every problem of the dialog's layout.
std::vector<std::string> LayoutProblems(CWnd& dlg) {
  std::vector<std::string> out;
  CRect client;
  dlg.GetClientRect(&client);
  if (client.Width() > 1000 || client.Height() > 700) out.push_back("larger than the screen");
  std::vector<std::pair<int, CRect>> shown;
  for (HWND c = ::GetWindow(dlg.m_hWnd, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
    if (!(::GetWindowLongW(c, GWL_STYLE) & WS_VISIBLE)) continue;
    CRect r;
    ::GetWindowRect(c, &r);
    ::MapWindowPoints(nullptr, dlg.m_hWnd, reinterpret_cast<POINT*>(&r), 2);
    const int id = ::GetDlgCtrlID(c);
    RECT inside;
    if (!::IntersectRect(&inside, &r, &client) || !::EqualRect(&inside, &r)) out.push_back("control " + std::to_string(id) + " leaves the dialog");
    for (const auto& o : shown) {
      RECT both;
      if (::IntersectRect(&both, &r, &o.second))
        out.push_back("controls " + std::to_string(id) + " and " + std::to_string(o.first) + " overlap");
    }
    shown.emplace_back(id, r);
    // A push button's caption fits its skin; an option button is as wide as its caption.
    if (auto* b = dynamic_cast<JButton*>(CWnd::FromHandlePermanent(c))) {
      const CSize text = SkinDialog::TextSize(b->m_Caption);
      if (text.cx > b->m_TextRect.Width() || text.cy > r.Height())
        out.push_back("caption of " + std::to_string(id) + " is cut: \"" + Narrow(b->m_Caption.GetString()) + "\"");
    }
  }
  return out;
}

// The dialog's client area as painted, saved as screenshots/<name>.png (read from the
// dialog's own surface: windows of tests that run beside this one cannot cover it).
void Shot(CWnd& dlg, const std::wstring& name) {
  dlg.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  kittest::PumpFor(200);
  CRect client;
  dlg.GetClientRect(&client);
  wintest::ScreenShot shot(dlg, client);
  EXPECT_TRUE(shot.SavePng(name.c_str())) << Narrow(name);
}

std::wstring ShotName(const wchar_t* dialog, LANGID lang) {
  const wchar_t* tag = lang == 1033 ? L"en" : lang == 1038 ? L"hu" : L"ja";
  return std::wstring(L"dialog_") + dialog + L"_" + tag;
}

BatchSelection Rows(std::vector<std::wstring> firmware) {
  BatchSelection s;
  RowHandle row = 1;
  for (const std::wstring& f : firmware) {
    BatchRow r;
    r.row = row;
    r.ip = L"10.0.0." + std::to_wstring(row++);
    r.firmware = f;
    s.rows.push_back(r);
  }
  return s;
}

// Everything the firmware dialog can show at once (in file mode).
FirmwareProbe FullProbe() {
  FirmwareProbe p;
  p.platform = L"K7W-411";
  p.ispPrefix = L"ISP-F-0100-V";
  p.hasFamilyModel = true;
  p.needsMd5 = true;
  p.ispKindsOffered = true;
  return p;
}

// ---- layouts -------------------------------------------------------------------------------

// Every problem of a dialog as shown: its own checks and the label fit (every text drawn
// within its room, inside the dialog and clear of the controls).
std::vector<std::string> Problems(SkinDialog& dlg) {
  std::vector<std::string> all = LayoutProblems(dlg);
  for (const std::string& cut : labelfit::CutTexts(dlg)) all.push_back(cut);
  return all;
}

// A dialog shown without the modal loop, checked, and gone again.
template <typename Dialog, typename Check>
void Shown(Dialog& dlg, const Check& check) {
  ASSERT_TRUE(dlg.CreateHidden());
  dlg.ShowWindow(SW_SHOWNOACTIVATE);
  kittest::PumpFor(20);
  check();
  dlg.DestroyWindow();
  kittest::Pump();
}

// Each dialog laid out in every language (what it shows depends on the devices: here
// everything it can show).
TEST(MaintenanceDialogs, LayoutInEveryLanguage) {
  LanguageGuard guard;
  const std::vector<std::string> none;
  for (LANGID lang : kLanguages) {
    SetLanguage(lang);
    const std::string in = " in " + std::to_string(lang);
    Dlg_Backup backup;
    Shown(backup, [&] { EXPECT_EQ(Problems(backup), none) << "backup" << in; });
    RestorePrep prep;  // devices of one model: one file may go to all
    prep.multiChannel = true;
    prep.modelCode = L"K7W-320";
    prep.profileKnown = false;
    Dlg_Restore restore(prep);
    Shown(restore, [&] {
      EXPECT_TRUE(restore.m_ChannelConfigs.IsWindowVisible());
      EXPECT_EQ(Problems(restore), none) << "restore" << in;
      restore.SendMessage(WM_JBUTTON_CLICK, reinterpret_cast<WPARAM>(&restore.m_OneFile));  // its other label
      EXPECT_EQ(Problems(restore), none) << "restore, one file" << in;
    });
    Dlg_Debug debug(L"K7W-700");
    Shown(debug, [&] {
      EXPECT_EQ(Problems(debug), none) << "troubleshooting" << in;
      debug.SendMessage(WM_JBUTTON_CLICK, reinterpret_cast<WPARAM>(&debug.m_Bootloader));
      EXPECT_EQ(Problems(debug), none) << "troubleshooting, boot loader" << in;
    });
    Dlg_Firmware firmware(FullProbe(), Rows({L"K7W-411-V5.04.07-QT"}));
    Shown(firmware, [&] {
      EXPECT_TRUE(firmware.m_OneChannel.IsWindowVisible());
      EXPECT_EQ(Problems(firmware), none) << "firmware" << in;
      firmware.SendMessage(WM_JBUTTON_CLICK, reinterpret_cast<WPARAM>(&firmware.m_FileMode));  // a press
      EXPECT_TRUE(firmware.m_Md5.IsWindowVisible());
      EXPECT_EQ(Problems(firmware), none) << "firmware, one file" << in;
      firmware.m_FileType.SetCurSel(kTypeIspImage);
      firmware.OnCbnSelchangeFileType();
      EXPECT_TRUE(firmware.m_IspType.IsWindowVisible());
      EXPECT_EQ(Problems(firmware), none) << "firmware, ISP" << in;
    });
  }
}

// Each dialog as the user sees it, in English, in Hungarian (long words) and in Japanese.
TEST(MaintenanceDialogs, Screenshots) {
  LanguageGuard guard;
  for (LANGID lang : {1033, 1038, 1041}) {
    SetLanguage(lang);
    auto shoot = [&](SkinDialog& dlg, const wchar_t* name, const std::function<void()>& before) {
      RunModal(dlg, [&](int n) {
        if (n == 0) {
          before();
          return true;
        }
        EXPECT_EQ(Problems(dlg), std::vector<std::string>()) << Narrow(name);
        Shot(dlg, ShotName(name, lang));
        dlg.EndDialog(IDCANCEL);
        return false;
      });
    };
    Dlg_Backup backup;
    shoot(backup, L"backup", [&] { backup.m_Path.SetWindowText(L"C:\\Backups\\Site 4\\"); });
    RestorePrep prep;
    prep.multiChannel = true;
    Dlg_Restore restore(prep);
    shoot(restore, L"restore", [&] { restore.m_Path.SetWindowText(L"C:\\Backups\\Site 4\\"); });
    Dlg_Debug debug(L"K7W-700");
    shoot(debug, L"troubleshooting", [] {});
    Dlg_Firmware folder(FullProbe(), Rows({L"K7W-411-V5.04.07-QT"}));
    shoot(folder, L"firmware_folder", [&] { folder.m_Path.SetWindowText(L"C:\\Firmware\\"); });
    Dlg_Firmware file(FullProbe(), Rows({L"K7W-411-V5.04.07-QT"}));
    shoot(file, L"firmware_file", [&] { Press(file.m_FileMode); });
  }
}

// ---- the firmware dialog -----------------------------------------------------------------------

TEST(MaintenanceDialogs, FirmwareOffersWhatFitsTheDevices) {
  LanguageGuard guard;
  SetLanguage(1033);
  FirmwareProbe plain;  // two platforms, nothing else
  plain.ispImageOffered = false;
  Dlg_Firmware dlg(plain, Rows({L"K7W-700-V6.09.05-LV", L"A1D-310-V9.00.01-AC"}));
  std::vector<unsigned> boxes;
  int phase = 0;
  RunModal(dlg, [&](int) {
    if (JMessageBox* box = OpenBox()) {
      boxes.push_back(box->m_Text == SkinDialog::LoadText(IDS_NOT_SAME_PLATFORM)        ? 551u
                      : box->m_Text == SkinDialog::LoadText(IDS_SELECT_FOLDER)          ? 547u
                      : box->m_Text == SkinDialog::LoadText(IDS_DOWNLOAD_CENTER_FAILED) ? 4u
                                                                                        : 0u);
      box->PostMessage(WM_COMMAND, IDOK);
      ++phase;
      return true;
    }
    switch (phase) {
      case 0:
        EXPECT_EQ(dlg.m_FileType.GetCount(), 1);  // no ISP image
        EXPECT_FALSE(dlg.m_IspType.IsWindowVisible());
        EXPECT_FALSE(dlg.m_OneChannel.IsWindowVisible());
        EXPECT_TRUE(dlg.m_NetworkMode.IsWindowVisible());
        EXPECT_TRUE(dlg.m_FolderMode.IsChecked());
        Press(dlg.m_FileMode);  // devices of two platforms: 551
        return true;
      case 1:
        EXPECT_TRUE(dlg.m_FolderMode.IsChecked());  // back in folder mode
        EXPECT_FALSE(dlg.m_FileMode.IsChecked());
        dlg.m_Path.SetWindowText(L"");
        Click(dlg, Dlg_Firmware::IDC_APPLY);  // no folder: 547
        return true;
      case 2:
        Press(dlg.m_NetworkMode);
        ++phase;
        return true;
      case 3:
        EXPECT_FALSE(dlg.m_FileType.IsWindowEnabled());
        Click(dlg, Dlg_Firmware::IDC_APPLY);  // no check centre to reach: 4
        return true;
      default:
        EXPECT_TRUE(dlg.IsWindowVisible());  // the dialog stays
        dlg.EndDialog(IDCANCEL);
        return false;
    }
  });
  EXPECT_EQ(boxes, (std::vector<unsigned>{551, 547, 4}));
}

TEST(MaintenanceDialogs, FirmwareFileModeChecksTheNamesAndRemembersTheFolder) {
  LanguageGuard guard;
  SetLanguage(1033);
  FirmwareProbe p;
  p.platform = L"K7W-320";
  p.needsMd5 = true;
  p.hasFamilyModel = true;
  {
    Dlg_Firmware dlg(p, Rows({L"K7W-320-V3.13.01-QT"}));
    int refused = 0;
    const INT_PTR result = RunModal(dlg, [&](int n) {
      if (JMessageBox* box = OpenBox()) {
        refused += box->m_Text == SkinDialog::LoadText(IDS_WRONG_UPLOAD_FILE);
        box->PostMessage(WM_COMMAND, IDOK);
        return true;
      }
      switch (n) {
        case 0:
          EXPECT_FALSE(dlg.m_NetworkMode.IsWindowVisible());  // MD5 devices have no network upgrade
          EXPECT_TRUE(dlg.m_OneChannel.IsWindowVisible());
          Press(dlg.m_FileMode);
          return true;
        case 1:
          EXPECT_TRUE(dlg.m_Md5.IsWindowVisible());
          dlg.m_Path.SetWindowText(L"C:\\fw\\K7W-320-V3.14.00-QT.upg");
          dlg.m_Md5.SetWindowText(L"C:\\fw\\K7W-320-V3.14.01-QT.md5");
          Click(dlg, Dlg_Firmware::IDC_APPLY);  // the MD5 file of another image
          return true;
        case 2:
          return true;
        case 3:
          EXPECT_EQ(refused, 1);
          dlg.m_Md5.SetWindowText(L"D:\\K7W-320-V3.14.00-QT.md5");
          Click(dlg, Dlg_Firmware::IDC_APPLY);
          return true;
        default:
          return dlg.IsWindowVisible() != FALSE;
      }
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dlg.Choice().mode, FirmwareMode::File);
    EXPECT_EQ(dlg.Choice().kind, 0u);
    EXPECT_FALSE(dlg.Choice().perChannel);
    EXPECT_EQ(dlg.Choice().filePath, L"C:\\fw\\K7W-320-V3.14.00-QT.upg");
    EXPECT_EQ(dlg.Choice().md5Path, L"D:\\K7W-320-V3.14.00-QT.md5");
  }
  // Folder mode: the folder given is the one remembered, and shown the next time.
  g_Settings.Document().ClearSection(L"FW_DATA");
  {
    Dlg_Firmware dlg(p, Rows({L"K7W-320-V3.13.01-QT"}));
    const INT_PTR result = RunModal(dlg, [&](int n) {
      if (n == 0) {
        EXPECT_EQ(std::wstring(dlg.m_Path.GetWindowTextString().GetString()), L"");
        dlg.m_Path.SetWindowText(L"E:\\firmware\\");
        Press(dlg.m_AllChannels);
        Click(dlg, Dlg_Firmware::IDC_APPLY);
      }
      return dlg.IsWindowVisible() != FALSE;
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dlg.Choice().folder, L"E:\\firmware\\");
    EXPECT_TRUE(dlg.Choice().perChannel);
  }
  EXPECT_EQ(LoadFirmwareFolder(g_Settings.Document()), L"E:\\firmware\\");
  {
    Dlg_Firmware dlg(p, Rows({L"K7W-320-V3.13.01-QT"}));
    RunModal(dlg, [&](int) {
      EXPECT_EQ(std::wstring(dlg.m_Path.GetWindowTextString().GetString()), L"E:\\firmware\\");
      dlg.EndDialog(IDCANCEL);
      return false;
    });
  }
}

// ---- restore, troubleshooting and backup ---------------------------------------------------

TEST(MaintenanceDialogs, RestoreChecksTheSingleFile) {
  LanguageGuard guard;
  SetLanguage(1033);
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring good = std::wstring(temp) + L"dvk_restore_good.ini", other = std::wstring(temp) + L"dvk_restore_other.ini";
  std::ofstream(good.c_str()) << "#INFO,K7W-320,1234\nX=1\n";
  std::ofstream(other.c_str()) << "#INFO,K7W-700,1234\nX=1\n";
  g_Settings.Document().ClearSection(L"RS_DATA");
  SaveRestorePath(g_Settings.Document(), L"C:\\conf\\");

  RestorePrep differ;  // devices of two models
  {
    Dlg_Restore dlg(differ);
    int refused = 0;
    RunModal(dlg, [&](int n) {
      if (JMessageBox* box = OpenBox()) {
        refused += box->m_Text == SkinDialog::LoadText(IDS_NOT_SAME_PLATFORM);
        box->PostMessage(WM_COMMAND, IDOK);
        return true;
      }
      if (n == 0) {
        EXPECT_FALSE(dlg.m_DeviceConfig.IsWindowVisible());  // no multi-channel device
        EXPECT_EQ(std::wstring(dlg.m_Path.GetWindowTextString().GetString()), L"C:\\conf\\");
        Press(dlg.m_OneFile);
        return true;
      }
      if (n < 3) return true;
      EXPECT_EQ(refused, 1);
      EXPECT_TRUE(dlg.m_FromFolder.IsChecked());
      EXPECT_FALSE(dlg.m_OneFile.IsChecked());
      dlg.EndDialog(IDCANCEL);
      return false;
    });
  }
  RestorePrep same;
  same.modelCode = L"K7W-320";
  same.profileId = "1234";
  Dlg_Restore dlg(same);
  int wrong = 0;
  const INT_PTR result = RunModal(dlg, [&](int n) {
    if (JMessageBox* box = OpenBox()) {
      wrong += box->m_Text == SkinDialog::LoadText(IDS_WRONG_UPLOAD_FILE);
      box->PostMessage(WM_COMMAND, IDOK);
      return true;
    }
    switch (n) {
      case 0:
        Press(dlg.m_OneFile);
        return true;
      case 1:
        EXPECT_EQ(std::wstring(dlg.m_Path.GetWindowTextString().GetString()), L"");
        dlg.m_Path.SetWindowText(other.c_str());
        Click(dlg, Dlg_Restore::IDC_APPLY);  // another model
        return true;
      case 2:
        return true;
      case 3:
        EXPECT_EQ(wrong, 1);
        dlg.m_Path.SetWindowText(good.c_str());
        Click(dlg, Dlg_Restore::IDC_APPLY);
        return true;
      default:
        return dlg.IsWindowVisible() != FALSE;
    }
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_TRUE(dlg.Choice().singleFile);
  EXPECT_EQ(dlg.Choice().path, good);
  EXPECT_EQ(LoadRestorePath(g_Settings.Document()), good);
  ::DeleteFileW(good.c_str());
  ::DeleteFileW(other.c_str());
}

TEST(MaintenanceDialogs, TroubleshootingTasks) {
  LanguageGuard guard;
  SetLanguage(1033);
  {
    Dlg_Debug dlg(L"");  // devices of different platforms
    std::vector<std::wstring> texts;
    RunModal(dlg, [&](int n) {
      if (JMessageBox* box = OpenBox()) {
        texts.push_back(box->m_Text.GetString());
        box->PostMessage(WM_COMMAND, IDOK);
        return true;
      }
      if (n == 0) {
        Press(dlg.m_Bootloader);
        return true;
      }
      if (n == 2) {
        EXPECT_TRUE(dlg.m_BlackBox.IsChecked());
        Click(dlg, Dlg_Debug::IDC_APPLY);  // no folder
        return true;
      }
      if (n < 4) return true;
      dlg.EndDialog(IDCANCEL);
      return false;
    });
    EXPECT_EQ(texts, (std::vector<std::wstring>{SkinDialog::LoadText(IDS_NOT_SAME_PLATFORM).GetString(),
                                                SkinDialog::LoadText(IDS_SELECT_FOLDER).GetString()}));
  }
  Dlg_Debug dlg(L"K7W-702");
  const INT_PTR result = RunModal(dlg, [&](int n) {
    if (n == 0) {
      Press(dlg.m_Bootloader);
      return true;
    }
    if (n == 1) {
      dlg.m_Path.SetWindowText(L"C:\\fw\\K7W-702-V6.10.01-LV.upg");
      Click(dlg, Dlg_Debug::IDC_APPLY);
    }
    return dlg.IsWindowVisible() != FALSE;
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(dlg.Mode(), kDebugBootloader);
  EXPECT_EQ(dlg.Path(), L"C:\\fw\\K7W-702-V6.10.01-LV.upg");
}

TEST(MaintenanceDialogs, BackupNeedsAFolderItCanWriteIn) {
  LanguageGuard guard;
  SetLanguage(1033);
  ::CreateDirectoryW(L"C:\\Backups", nullptr);
  // None chosen, one that is gone, and one on a drive that is not there: each is refused
  // before anything is asked, and the dialog stays.
  const std::vector<std::wstring> refused = {L"", L"C:\\Backups\\Gone since the last backup\\", L"Q:\\Backups\\"};
  std::size_t tried = 0;
  int boxes = 0;
  bool awaiting = false;  // the box of the last refused folder
  Dlg_Backup dlg;
  const INT_PTR result = RunModal(dlg, [&](int) {
    if (JMessageBox* box = OpenBox()) {
      boxes += box->m_Text == SkinDialog::LoadText(IDS_SELECT_FOLDER);
      awaiting = false;
      EXPECT_FALSE(dlg.IsWindowEnabled());  // the warning is the dialog's own: it waits for it
      box->PostMessage(WM_COMMAND, IDOK);
      return true;
    }
    if (awaiting || !dlg.IsWindowEnabled()) return true;
    dlg.m_Path.SetWindowText(tried < refused.size() ? refused[tried].c_str() : L"C:\\Backups\\");
    awaiting = tried++ < refused.size();
    Click(dlg, Dlg_Backup::IDC_APPLY);
    return true;
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(boxes, 3);
  EXPECT_EQ(dlg.Folder(), L"C:\\Backups\\");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new kittest::Environment);
  return RUN_ALL_TESTS();
}
