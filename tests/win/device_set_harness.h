// Driving the device settings dialog in a Windows test: steps run inside its modal loop, the
// clicks and choices a user makes on its pages, the boxes it shows, and its screenshots.
#pragma once
#include "tests/win/kit_controls_support.h"

#include <functional>
#include <string>
#include <vector>

#include "dialogs/device_settings/dlg_device_set_win.h"
#include "kit/jbutton.h"
#include "kit/lang.h"
#include "tests/win/label_fit.h"
#include "tests/win/window_shot.h"

namespace setharness {

// The 13 languages of the program.
const LANGID kLanguages[] = {1033, 1028, 2052, 1041, 1029, 1038, 1045, 1048, 1049, 0x0C0A, 0x040C, 0x0410, 0x0413};
constexpr int kTabDateTime = 0, kTabMotion = 1, kTabAv = 2, kTabUrl = 3;

// Screenshots are taken in English, in a language with long words and in a CJK one: the
// name's suffix for those, null for the others.
inline const wchar_t* ShotLanguage(LANGID lang) {
  return lang == 1033 ? L"en" : lang == 1038 ? L"hu" : lang == 1041 ? L"ja" : nullptr;
}

struct LanguageGuard {
  LANGID saved = g_LanguageId;
  ~LanguageGuard() { SetLanguage(saved); }
};

// Steps run one after the other inside the dialog's modal loop; a step returns false while it
// waits for something. The dialog is cancelled when the steps are done or time is up.
inline INT_PTR RunWith(Dlg_DeviceSet& dialog, std::vector<std::function<bool()>> steps) {
  std::size_t next = 0;
  int settle = 0;
  kittest::Script script([&](int) {
    if (!dialog.m_hWnd || !::IsWindowVisible(dialog.m_hWnd)) return true;
    if (settle > 0) {  // posted resizes and repaints land first
      --settle;
      return true;
    }
    if (next < steps.size()) {
      if (steps[next]()) {
        ++next;
        settle = 2;
      }
      return true;
    }
    dialog.PostMessage(WM_COMMAND, IDCANCEL);
    return false;
  }, 600);
  return dialog.DoModal();
}

template <typename Page>
Page& PageOf(Dlg_DeviceSet& d, int tab) {
  return *dynamic_cast<Page*>(d.Pages()[static_cast<std::size_t>(tab)].get());
}

inline void Press(CWnd& w) {
  w.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  w.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
}

inline void ShowTab(Dlg_DeviceSet& d, int tab) { Press(*d.Tabs().GetTabButton(tab)); }

inline CWnd& Control(CWnd& page, UINT id) { return *page.GetDlgItem(static_cast<int>(id)); }

// Chooses a list's entry as a user does: the selection, then its notification.
inline void Choose(CWnd& page, UINT id, int index) {
  CWnd& combo = Control(page, id);
  combo.SendMessage(CB_SETCURSEL, static_cast<WPARAM>(index));
  page.SendMessage(WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo.m_hWnd));
}

inline int Count(CWnd& page, UINT id) { return static_cast<int>(Control(page, id).SendMessage(CB_GETCOUNT)); }

inline bool Visible(CWnd& page, UINT id) { return (Control(page, id).GetStyle() & WS_VISIBLE) != 0; }

inline bool Enabled(CWnd& page, UINT id) { return Control(page, id).IsWindowEnabled() != FALSE; }

// A skinned check box's or radio button's state.
inline bool Checked(CWnd& page, UINT id) {
  auto* b = dynamic_cast<JButton*>(CWnd::FromHandlePermanent(Control(page, id).m_hWnd));
  return b && b->m_Checked;
}

// The texts of a list's entries, in order.
inline std::vector<std::wstring> Items(CWnd& page, UINT id) {
  std::vector<std::wstring> out;
  CWnd& combo = Control(page, id);
  for (int i = 0; i < Count(page, id); ++i) {
    wchar_t text[128] = L"";
    combo.SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
    out.push_back(text);
  }
  return out;
}

// The chosen entry's text, empty when none.
inline std::wstring Chosen(CWnd& page, UINT id) {
  CWnd& combo = Control(page, id);
  const int sel = static_cast<int>(combo.SendMessage(CB_GETCURSEL));
  if (sel < 0) return std::wstring();
  wchar_t text[128] = L"";
  combo.SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(sel), reinterpret_cast<LPARAM>(text));
  return text;
}

struct FindTitle {
  CString title;
  HWND found = nullptr;
};

inline BOOL CALLBACK MatchTitle(HWND h, LPARAM p) {
  auto* f = reinterpret_cast<FindTitle*>(p);
  wchar_t text[128] = L"";
  ::GetWindowTextW(h, text, 128);
  if (::IsWindowVisible(h) && f->title == text) f->found = h;
  return TRUE;
}

// A box of this program with that title while it is shown.
inline HWND ShownBox(UINT titleId) {
  FindTitle f{LoadLangString(titleId)};
  ::EnumThreadWindows(::GetCurrentThreadId(), &MatchTitle, reinterpret_cast<LPARAM>(&f));
  return f.found;
}

// The warning box ("Warning").
inline HWND ShownWarning() { return ShownBox(564); }

// A step that waits for the warning box and closes it with OK; `seen` tells it came.
inline std::function<bool()> DismissWarning(bool* seen) {
  return [seen] {
    HWND box = ShownWarning();
    if (!box) return false;
    *seen = true;
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    return true;
  };
}

// The window's client area saved as a screenshot of the test run.
inline void Shot(CWnd& w, const std::wstring& name) {
  w.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  CRect client;
  w.GetClientRect(&client);
  wintest::ScreenShot shot(w, client);
  EXPECT_TRUE(shot.SavePng(name.c_str())) << labelfit::Utf8(name);
}

}  // namespace setharness
