#include "app/shell/dlg_language_win.h"

#include <algorithm>

#include "app/shell/languages.h"
#include "kit/kit_messages.h"
#include "kit/lang.h"
#include "kit/palette.h"

namespace {

constexpr int kMargin = 20;
constexpr int kItemHeight = 20;
constexpr int kDropHeight = 300;
constexpr int kArrowRoom = 40;  // the drop arrow and the text's margins in the face
constexpr int kMinListWidth = 180;
constexpr int kButtonWidth = 109, kButtonHeight = 26;

}  // namespace

Dlg_Language::Dlg_Language()
    : Dlg_Base(IDD, nullptr), m_Template(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0, 160, 80) {
  m_FollowsLanguage = true;  // it sets the language
  m_Template.AddControl(L"COMBOBOX", L"", IDC_LANGUAGES,
                        CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | WS_VSCROLL | WS_TABSTOP, 10, 10,
                        120, 150);
  m_Template.AddControl(L"BUTTON", L"", IDC_APPLY, BS_OWNERDRAW | WS_TABSTOP, 40, 40, 70, 16);
}

BOOL Dlg_Language::CreateHidden(CWnd* frame) {
  m_pFrame = frame;
  return CreateIndirect(m_Template.Get(), frame);
}

void Dlg_Language::DoDataExchange(CDataExchange* dx) {
  Dlg_Base::DoDataExchange(dx);
  DDX_Control(dx, IDC_LANGUAGES, m_Languages);
  DDX_Control(dx, IDC_APPLY, m_Apply);
}

BOOL Dlg_Language::OnInitDialog() {
  Dlg_Base::OnInitDialog();
  m_Languages.SetFont(&g_Font);
  for (const InterfaceLanguage& l : kInterfaceLanguages) {
    const int i = m_Languages.AddString(l.name);
    m_Languages.SetItemData(i, l.langId);
  }
  m_Languages.SetItemHeight(-1, kItemHeight);
  m_Languages.SetItemHeight(0, kItemHeight);
  m_Apply.m_BackColour = SKIN_WHITE;
  ChooseCurrentLanguage();
  Layout();
  return TRUE;
}

void Dlg_Language::ChooseCurrentLanguage() {
  m_Languages.SetCurSel(
      static_cast<int>(LanguageEntryFor(g_LanguageId, ::GetUserDefaultUILanguage())));
}

LANGID Dlg_Language::ChosenLanguage() const {
  const int sel = m_Languages.GetCurSel();
  return sel < 0 ? 0 : static_cast<LANGID>(m_Languages.GetItemData(sel));
}

void Dlg_Language::Layout() {
  SetWindowText(LoadLangString(IDD));
  m_Apply.SetWindowText(LoadLangString(IDC_APPLY));
  m_Apply.SetImages(335, 338, 337, 336, kButtonWidth, kButtonHeight);

  int widest = 0;
  {
    CClientDC dc(this);
    CFont* old = dc.SelectObject(&g_Font);
    for (const InterfaceLanguage& l : kInterfaceLanguages)
      widest = std::max(widest, static_cast<int>(dc.GetTextExtent(CString(l.name)).cx));
    dc.SelectObject(old);
  }
  CRect apply;
  m_Apply.GetWindowRect(&apply);
  const int listWidth = std::max({kMinListWidth, widest + kArrowRoom, static_cast<int>(apply.Width())});
  m_Languages.MoveWindow(kMargin, kMargin, listWidth, kDropHeight, FALSE);
  CRect list;
  m_Languages.GetWindowRect(&list);
  const int clientWidth = kMargin + listWidth + kMargin;
  const int applyTop = kMargin + list.Height() + 16;
  m_Apply.SetWindowPos(nullptr, (clientWidth - apply.Width()) / 2, applyTop, 0, 0, SWP_NOSIZE | SWP_NOZORDER);

  CRect window, client;
  GetWindowRect(&window);
  GetClientRect(&client);
  SetWindowPos(nullptr, 0, 0, clientWidth + window.Width() - client.Width(),
               applyTop + apply.Height() + kMargin + window.Height() - client.Height(), SWP_NOMOVE | SWP_NOZORDER);
  ResetChildRegion();
  AddChildToRegion(&m_Apply);
  AddChildToRegion(&m_Languages);
  Invalidate(TRUE);
}

void Dlg_Language::ShowOver(CWnd* frame) {
  ChooseCurrentLanguage();
  Layout();
  CenterWindow(frame ? frame : m_pFrame);
  ShowWindow(SW_SHOW);
  ::SetForegroundWindow(m_hWnd);
  m_Languages.SetFocus();
}

BOOL Dlg_Language::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDC_APPLY) {
    OnBnClickedOk();
    return TRUE;
  }
  return Dlg_Base::OnCommand(wParam, lParam);
}

void Dlg_Language::OnBnClickedOk() {
  const LANGID chosen = ChosenLanguage();
  if (chosen == 0) return;
  SetLanguage(chosen);
  // The caption in the new language at once, before the frame relabels the main window.
  Layout();
  if (m_pFrame && m_pFrame->m_hWnd) m_pFrame->PostMessage(WM_LANGUAGE_CHANGED, 0, 0);
  EndDialog(IDOK);
}
