// The language dialog, the about box and the device web page, under Wine: every text of both
// dialogs fitting in all 13 languages (screenshots in English, Hungarian and Japanese), the
// language switch and what it tells the frame, and the page a device's link opens (read from
// the file the browser would get; nothing is started).
#include <gtest/gtest.h>

#include <windows.h>
#include <aclapi.h>

#include <set>
#include <string>
#include <vector>

#include "app/shell/dlg_about_win.h"
#include "app/shell/dlg_language_win.h"
#include "app/shell/languages.h"
#include "app/settings_file/settings_file.h"
#include "device/http_auth.h"
#include "device/http_port_map.h"
#include "device/login.h"
#include "kit/browser.h"
#include "kit/jhtmldlg.h"
#include "kit/kit_messages.h"
#include "kit/lang.h"
#include "port/text.h"
#include "tests/win/kit_controls_support.h"
#include "tests/win/label_fit.h"

namespace {

using kittest::Script;

const LANGID kLanguages[] = {1033, 1028, 2052, 1041, 1029, 1038, 1045, 1048, 1049, 1034, 1036, 1040, 1043};

bool Shows(LANGID lang) { return lang == 1033 || lang == 1038 || lang == 1041; }

void Shot(CWnd& w, const std::wstring& name) { EXPECT_TRUE(kittest::SaveWindowOnTop(w, name)) << labelfit::Utf8(name); }

// ---- the language dialog ---------------------------------------------------------------

struct LanguageDialog : ::testing::Test {
  kittest::RecordingParent frame;
  Dlg_Language dialog;
  void SetUp() override {
    SetLanguage(1033);
    ASSERT_TRUE(frame.Make(600, 400, WS_POPUP | WS_VISIBLE));
    ASSERT_TRUE(dialog.CreateHidden(&frame));
    EXPECT_FALSE(dialog.IsWindowVisible());  // made hidden: the hot key shows it
  }
  void TearDown() override { SetLanguage(1033); }
  int LanguageChanges() const {
    int n = 0;
    for (const auto& e : frame.log) n += e.msg == WM_LANGUAGE_CHANGED;
    return n;
  }
  void Choose(LANGID lang) {
    for (int i = 0; i < dialog.m_Languages.GetCount(); ++i)
      if (dialog.m_Languages.GetItemData(i) == lang) dialog.m_Languages.SetCurSel(i);
  }
  void Apply() {
    dialog.SendMessage(WM_COMMAND, MAKEWPARAM(Dlg_Language::IDC_APPLY, BN_CLICKED),
                       reinterpret_cast<LPARAM>(dialog.m_Apply.m_hWnd));
  }
};

TEST_F(LanguageDialog, EveryTextFitsInEveryLanguage) {
  for (LANGID lang : kLanguages) {
    SetLanguage(lang);
    dialog.ShowOver(&frame);
    kittest::Pump();
    ASSERT_TRUE(dialog.IsWindowVisible());
    CString caption;
    dialog.GetWindowText(caption);
    EXPECT_STREQ(caption, LoadLangString(Dlg_Language::IDD)) << lang;
    EXPECT_STREQ(dialog.m_Apply.m_Caption, LoadLangString(1002)) << lang;
    // Every name in its own language, in the list's order; the shown language chosen.
    ASSERT_EQ(dialog.m_Languages.GetCount(), static_cast<int>(kInterfaceLanguageCount));
    for (std::size_t i = 0; i < kInterfaceLanguageCount; ++i) {
      CString name;
      dialog.m_Languages.GetLBText(static_cast<int>(i), name);
      EXPECT_STREQ(name, kInterfaceLanguages[i].name);
    }
    EXPECT_EQ(dialog.ChosenLanguage(), lang);
    const std::vector<std::string> cut = labelfit::CutTexts(dialog);
    EXPECT_TRUE(cut.empty()) << lang << labelfit::Join(cut);
    if (Shows(lang)) Shot(dialog, L"language_dialog_" + std::to_wstring(lang));
  }
}

// Apply in Japanese: the button's caption is Japanese at once, before the frame relabels
// anything; the frame is told; the dialog hides and can be shown again.
TEST_F(LanguageDialog, ApplySwitchesTellsTheFrameAndHides) {
  dialog.ShowOver(&frame);
  Choose(1041);
  Apply();
  EXPECT_EQ(g_LanguageId, 1041);
  EXPECT_STREQ(dialog.m_Apply.m_Caption, L"\u9069\u7528");  // 適用
  EXPECT_FALSE(dialog.IsWindowVisible());
  EXPECT_EQ(LanguageChanges(), 0);  // posted: it comes after the dialog is done
  kittest::Pump();
  EXPECT_EQ(LanguageChanges(), 1);

  // "Español" sets 1034, whose texts come from the Spanish table.
  dialog.ShowOver(&frame);
  EXPECT_EQ(dialog.ChosenLanguage(), 1041);
  Choose(1034);
  Apply();
  kittest::Pump();
  EXPECT_EQ(g_LanguageId, 1034);
  EXPECT_STREQ(LoadLangString(1002), L"Aplicar");
  EXPECT_EQ(LanguageChanges(), 2);

  // Escape hides it without a change.
  dialog.ShowOver(&frame);
  Choose(1049);
  dialog.SendMessage(WM_COMMAND, IDCANCEL, 0);
  kittest::Pump();
  EXPECT_FALSE(dialog.IsWindowVisible());
  EXPECT_EQ(g_LanguageId, 1034);
  EXPECT_EQ(LanguageChanges(), 2);
  // Shown again, it offers the language in use, not the one left chosen.
  dialog.ShowOver(&frame);
  EXPECT_EQ(dialog.ChosenLanguage(), 1034);
}

// No language saved yet: the list offers the language whose texts are shown (the user's own,
// or English), so that Apply without a choice changes nothing.
TEST_F(LanguageDialog, WithNoLanguageSavedTheShownOneIsChosen) {
  SetLanguage(LANGID_USER_DEFAULT);
  dialog.ShowOver(&frame);
  const LANGID shown = kInterfaceLanguages[LanguageEntryFor(LANGID_USER_DEFAULT, ::GetUserDefaultUILanguage())].langId;
  EXPECT_EQ(dialog.ChosenLanguage(), shown);
  EXPECT_STREQ(LoadLangStringIn(1002, shown), LoadLangString(1002));
  Apply();
  EXPECT_EQ(g_LanguageId, shown);
}

// ---- the about box -----------------------------------------------------------------------

// Only the caption changes with the language: the box is shown in three of them.
TEST(AboutBox, VersionFromTheResourceAndEveryTextFits) {
  for (LANGID lang : {1033, 1038, 1041}) {
    SetLanguage(lang);
    Dlg_About about;
    bool seen = false;
    Script script([&](int) {
      if (!about.m_hWnd || !about.IsWindowVisible()) return true;
      seen = true;
      EXPECT_STREQ(about.m_Version, L"Dorvik V1.0.00");  // file version 1.0.0.0
      CString caption;
      about.GetWindowText(caption);
      EXPECT_STREQ(caption, LoadLangString(324)) << lang;
      CWnd* icon = about.GetDlgItem(Dlg_About::IDC_ICON_IMAGE);
      EXPECT_TRUE(icon && icon->IsWindowVisible());
      EXPECT_TRUE(icon && icon->SendMessage(STM_GETICON));
      const std::vector<std::string> cut = labelfit::CutTexts(about);
      EXPECT_TRUE(cut.empty()) << lang << labelfit::Join(cut);
      // The version line is drawn where the box puts it.
      std::vector<DrawnText> log = labelfit::PaintedTexts(about.m_hWnd);
      bool drawn = false;
      for (const DrawnText& t : log)
        drawn = drawn || (t.text == L"Dorvik V1.0.00" && t.room.left == Dlg_About::kTextX && t.room.top == Dlg_About::kTextY);
      EXPECT_TRUE(drawn) << lang;
      Shot(about, L"about_" + std::to_wstring(lang));
      about.EndDialog(IDOK);
      return false;
    });
    about.DoModal();
    EXPECT_TRUE(seen) << lang;
  }
  SetLanguage(1033);
}

// ---- the device web page -----------------------------------------------------------------

struct DevicePage : ::testing::Test {
  std::vector<std::wstring> opened;
  std::vector<std::string> pages;
  bool launcherWorks = true;
  void SetUp() override {
    SetBrowserLauncher([this](const std::wstring& target) {
      opened.push_back(target);
      std::string bytes;
      ReadWholeFile(target, bytes);
      pages.push_back(bytes);
      return launcherWorks;
    });
    g_HttpPortMap.Clear();
    g_RecorderIps.Clear();
  }
  void TearDown() override {
    SetBrowserLauncher(nullptr);
    g_HttpPortMap.Clear();
    g_RecorderIps.Clear();
    SetUserLogin(L"admin", L"740912");
  }
  static bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
};

TEST_F(DevicePage, CameraAndRecorderPagesWithTheirLogin) {
  g_HttpPortMap.Set(L"10.9.9.1", 8081);
  g_RecorderIps.Add(L"10.9.9.2");
  SetUserLogin(L"ad\"min", L"p'w\"\\\u00E9</script>");
  JHtmlDlg html;
  html.CallScript(L"10.9.9.1");
  ASSERT_EQ(pages.size(), 1u);
  const std::string& camera = pages[0];
  // The page of the resource, whole: both forms and both functions.
  for (const char* part : {"name=\"frmConfig2\"", "name=\"LOGIN_ACCOUNT\"", "name=\"LOGIN_PASSWORD\"",
                           "name=\"NVQConfig2\"", "id=\"accountInput\"", "function click_link(",
                           "function NVQ_click_link(", "/cgi-bin/videoconfiguration.cgi", "/index.html#name="})
    EXPECT_NE(camera.find(part), std::string::npos) << part;
  EXPECT_NE(camera.find("click_link(\"10.9.9.1\", \"8081\", \"ad\\\"min\", "
                        "\"p\\'w\\\"\\\\\\u00e9\\u003c/script\\u003e\");</script>"),
            std::string::npos)
      << camera;
  EXPECT_EQ(camera.find("<!--DORVIK:CALL-->"), std::string::npos);
  const std::wstring first = opened[0];
  EXPECT_EQ(first, html.PagePath());
  EXPECT_EQ(first.substr(first.size() - 5), L".html");
  wchar_t temp[MAX_PATH + 1];
  ::GetTempPathW(MAX_PATH + 1, temp);
  EXPECT_EQ(first.rfind(temp, 0), 0u);

  // A recorder: the token, and port 80 when none is known.
  html.CallScript(L"10.9.9.2");
  ASSERT_EQ(pages.size(), 2u);
  const std::string token = http::Base64Encode(port::ToLocal8(L"ad\"min:p'w\"\\\u00E9</script>"));
  EXPECT_NE(pages[1].find("NVQ_click_link(\"10.9.9.2\", \"80\", \"ad\\\"min\", \"" + token + "\");"), std::string::npos)
      << pages[1];
}

// What the browser is given besides the call: the mark that lets a local page run its script
// as a page of the internet, at the top; and the system's ANSI code page as the page's and the
// login form's character set, so that the form posts the bytes every other request sends.
TEST_F(DevicePage, ThePagePostsTheLoginInTheAnsiCodePage) {
  JHtmlDlg html;
  html.CallScript(L"10.9.9.1");
  ASSERT_EQ(pages.size(), 1u);
  const std::string& page = pages[0];
  const std::size_t mark = page.find("<!-- saved from url=(0014)about:internet -->\r\n");
  EXPECT_NE(mark, std::string::npos);
  EXPECT_LT(mark, page.find("<html>"));
  std::string charset;
  switch (::GetACP()) {
    case 1252: charset = "windows-1252"; break;
    case 932: charset = "shift_jis"; break;
    case 65001: charset = "utf-8"; break;
    default: charset = "windows-" + std::to_string(::GetACP()); break;
  }
  EXPECT_NE(page.find("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=" + charset + "\">"),
            std::string::npos)
      << page;
  EXPECT_LT(page.find("charset="), 1024u);  // where a browser looks for it
  const std::size_t form = page.find("<form name=\"frmConfig2\"");
  ASSERT_NE(form, std::string::npos);
  EXPECT_NE(page.substr(form, page.find('>', form) - form).find("accept-charset=\"" + charset + "\""), std::string::npos)
      << page;
  EXPECT_EQ(page.find("utf-8") == std::string::npos, charset != "utf-8");
  EXPECT_EQ(page.find("DORVIK-"), std::string::npos);
}

// Two pages opened one after the other (a quick double click, two devices): the first is still
// there for a browser that reads it late. Every page stays until the opener goes.
TEST_F(DevicePage, EveryPageStaysUntilTheProgramCloses) {
  std::vector<std::wstring> written;
  {
    JHtmlDlg html;
    for (const wchar_t* ip : {L"10.9.9.1", L"10.9.9.1", L"10.9.9.2"}) html.CallScript(ip);
    ASSERT_EQ(opened.size(), 3u);
    written = opened;
    EXPECT_EQ(html.PagePath(), written[2]);
    EXPECT_EQ(std::set<std::wstring>(written.begin(), written.end()).size(), 3u);
    for (const std::wstring& page : written) EXPECT_TRUE(Exists(page)) << port::ToLocal8(page);
  }
  for (const std::wstring& page : written) EXPECT_FALSE(Exists(page)) << port::ToLocal8(page);
}

// Pages of a run that ended without closing are removed when the next opener is made; those of
// a copy that still runs (here: this process) stay.
TEST_F(DevicePage, PagesOfAnEndedRunGoAtTheNextStart) {
  wchar_t folder[MAX_PATH + 1];
  ASSERT_GT(::GetTempPathW(MAX_PATH + 1, folder), 0u);
  // A process id that no process has now: one of a program that was started and has ended.
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  wchar_t command[] = L"cmd.exe /c exit 0";
  ASSERT_TRUE(::CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi));
  ::WaitForSingleObject(pi.hProcess, 30000);
  const DWORD ended = pi.dwProcessId;
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  auto make = [&](const std::wstring& name) {
    const std::wstring path = std::wstring(folder) + name;
    HANDLE f = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(f, INVALID_HANDLE_VALUE);
    ::CloseHandle(f);
    return path;
  };
  const std::wstring left = make(L"Dorvik_page_" + std::to_wstring(ended) + L"_3.html");
  const std::wstring running = make(L"Dorvik_page_" + std::to_wstring(::GetCurrentProcessId()) + L"_900.html");
  const std::wstring other = make(L"Dorvik_page_notes.html");
  {
    JHtmlDlg html;
    EXPECT_FALSE(Exists(left));
    EXPECT_TRUE(Exists(running));
    EXPECT_TRUE(Exists(other));
  }
  ::DeleteFileW(running.c_str());
  ::DeleteFileW(other.c_str());
}

// The page holds the password: only the user may read it, it is gone at once when no browser
// could be started, and the others go with the opener (at the program's close).
TEST_F(DevicePage, ThePageIsTheUsersOnlyAndNeverLeftBehind) {
  std::wstring last;
  {
    JHtmlDlg html;
    html.CallScript(L"10.9.9.3");
    ASSERT_EQ(opened.size(), 1u);
    last = opened[0];
    PSECURITY_DESCRIPTOR sd = nullptr;
    PACL dacl = nullptr;
    ASSERT_EQ(::GetNamedSecurityInfoW(last.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                      nullptr, &sd),
              static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_TRUE(dacl);
    // Allowed to the user alone (Wine keeps a file's access list as its Unix mode and adds the
    // system itself, which it always grants).
    HANDLE token = nullptr;
    ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token));
    BYTE user[256];
    DWORD size = 0;
    ASSERT_TRUE(::GetTokenInformation(token, TokenUser, user, sizeof user, &size));
    ::CloseHandle(token);
    PSID me = reinterpret_cast<TOKEN_USER*>(user)->User.Sid;
    BYTE systemSid[SECURITY_MAX_SID_SIZE];
    DWORD systemSize = sizeof systemSid;
    ASSERT_TRUE(::CreateWellKnownSid(WinLocalSystemSid, nullptr, systemSid, &systemSize));
    int mine = 0;
    for (WORD i = 0; i < dacl->AceCount; ++i) {
      ACCESS_ALLOWED_ACE* ace = nullptr;
      ASSERT_TRUE(::GetAce(dacl, i, reinterpret_cast<void**>(&ace)));
      EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
      PSID who = reinterpret_cast<PSID>(&ace->SidStart);
      mine += ::EqualSid(who, me) ? 1 : 0;
      EXPECT_TRUE(::EqualSid(who, me) || ::EqualSid(who, systemSid)) << "entry " << i;
    }
    EXPECT_EQ(mine, 1);
    ::LocalFree(sd);

    launcherWorks = false;
    html.CallScript(L"10.9.9.4");
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_TRUE(Exists(opened[0]));
    EXPECT_FALSE(Exists(opened[1]));
    EXPECT_TRUE(html.PagePath().empty());

    launcherWorks = true;
    html.CallScript(L"10.9.9.5");
    last = html.PagePath();
    EXPECT_TRUE(Exists(last));
  }
  EXPECT_FALSE(Exists(opened[0]));
  EXPECT_FALSE(Exists(last));
}

}  // namespace

KITTEST_MAIN()
