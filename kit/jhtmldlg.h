// JHtmlDlg: opens a device's own web interface in the user's browser with the login already
// posted. There is no web view inside the program: the page of resource 310 (two hidden login
// forms and the script functions "click_link" and "NVQ_click_link", kit/device_page.h) is
// filled for the device, written to a temporary file that only the user can read, and opened
// through the shell (kit/browser.h). The shell returns before the browser has read the file,
// and a browser may read it again (a reload, a second tab opened quickly), so every page stays
// until the object goes (at the program's close); a page goes at once when the browser cannot
// be started. Pages that a run which ended without closing left behind are removed when the
// next object is made.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

class JHtmlDlg {
 public:
  static constexpr UINT kPageResource = 310;

  // Removes the pages left behind by runs of the program that have ended.
  JHtmlDlg();
  // Removes every page it wrote.
  ~JHtmlDlg();
  JHtmlDlg(const JHtmlDlg&) = delete;
  JHtmlDlg& operator=(const JHtmlDlg&) = delete;

  // Opens the web page of the device at `ip`: the recorder login with its token when the
  // address is one of the recorders seen (g_RecorderIps), the camera login otherwise; the
  // device's HTTP port (80 when none is known); the user and password of the main window.
  // Nothing is reported: a page that cannot be made or opened leaves nothing behind.
  void CallScript(const std::wstring& ip);

  // The file of the page last opened (empty when it could not be opened).
  const std::wstring& PagePath() const { return m_PagePath; }

 private:
  bool WritePage(const std::string& text);

  std::wstring m_PagePath;
  std::vector<std::wstring> m_Pages;  // every page written and still there
  unsigned m_Count = 0;
};

// The program's one page opener: made before the application runs, deleted at the close.
extern JHtmlDlg* g_pHtmlDlg;
