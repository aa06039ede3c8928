#include "dialogs/device_settings/settings_page_win.h"

#include <algorithm>

#include "dialogs/device_settings/date_time_layout.h"
#include "kit/lang.h"
#include "kit/palette.h"

namespace {
const UINT kCheckImages[4] = {328, 328, 327, 329};  // normal, hover, pressed (checked), disabled
const UINT kRadioImages[4] = {333, 333, 332, 333};
constexpr int kMarkSize = 14;
constexpr int kListRows = 12;

void SetMarkImages(JButton& b, const UINT (&images)[4]) {
  // A space keeps the caption clear of the mark.
  b.SetWindowText(L" " + LoadLangString(static_cast<UINT>(b.GetDlgCtrlID())));
  b.SetImages(images[0], images[1], images[2], images[3], kMarkSize, kMarkSize);
}
}  // namespace

SettingsPage::SettingsPage(UINT templateId, UINT enableBoxId)
    : Dlg_Base(templateId, nullptr),
      m_Template(WS_CHILD | DS_CONTROL | WS_CLIPCHILDREN, 0, 0, 400, 300),
      m_EnableBoxId(enableBoxId) {}

BOOL SettingsPage::CreatePage(CWnd* tabs) { return CreateIndirect(m_Template.Get(), tabs); }

BOOL SettingsPage::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (LOWORD(wParam) == m_EnableBoxId && HIWORD(wParam) == BN_CLICKED) {
    OnEnableChanged();
    PostEnableState();
    return TRUE;
  }
  return Dlg_Base::OnCommand(wParam, lParam);
}

void SettingsPage::PostEnableState() {
  HWND tabs = m_hWnd ? ::GetParent(m_hWnd) : nullptr;
  HWND dialog = tabs ? ::GetParent(tabs) : nullptr;
  if (dialog) ::PostMessageW(dialog, WM_PAGE_ENABLE, reinterpret_cast<WPARAM>(this), IsEnabled() ? 1 : 0);
}

void SettingsPage::ShowContent(bool show, std::initializer_list<const CWnd*> keep,
                               std::initializer_list<const CWnd*> never) {
  for (HWND c = ::GetWindow(m_hWnd, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
    bool kept = false, hidden = false;
    for (const CWnd* k : keep) kept = kept || k->m_hWnd == c;
    for (const CWnd* n : never) hidden = hidden || (n && n->m_hWnd == c);
    if (!kept) ::ShowWindow(c, show && !hidden ? SW_SHOWNA : SW_HIDE);
  }
  ResetChildRegion();
  for (HWND c = ::GetWindow(m_hWnd, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) AddChildToRegion(CWnd::FromHandle(c));
  RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void SettingsPage::DrawSkin(CDC* dc) {
  for (const PageLabel& l : Labels()) {
    dc->SetTextColor(l.colour);
    CRect room = l.room;
    dc->DrawText(l.text, &room, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  }
  dc->SetTextColor(SKIN_TEXT_COLOUR);
}

void DrawTitleRule(CDC* dc, const CRect& title) {
  dc->FillSolidRect(title.left, title.bottom + 4, title.Width(), 1, kPageRuleColour);
}

void MoveControl(CWnd& w, int x, int y) {
  w.SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

CSize ControlSize(const CWnd& w) {
  CRect r;
  w.GetWindowRect(&r);
  return r.Size();
}

void MoveInLine(CWnd& w, int x, int lineY) { MoveControl(w, x, lineY + (kPageControlHeight - ControlSize(w).cy) / 2); }

CString NumberText(int v) {
  CString s;
  s.Format(L"%d", v);
  return s;
}

void SetCheckBoxImages(JButton& box) { SetMarkImages(box, kCheckImages); }
void SetRadioImages(JButton& radio) { SetMarkImages(radio, kRadioImages); }

void PlaceCombo(CComboBox& combo, int x, int y, int w, int h) {
  // The window's height is the closed field's and the dropped list's together.
  const int rows = std::min(std::max(combo.GetCount(), 1), kListRows);
  combo.SetItemHeight(-1, static_cast<UINT>(h - 6));
  combo.SetItemHeight(0, static_cast<UINT>(h - 3));
  combo.MoveWindow(x, y, w, h + rows * (h - 3) + 2, FALSE);
}

namespace {
SIZE Measure(const CString& text) {
  HDC dc = ::GetDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, g_Font.GetSafeHandle());
  RECT r{0, 0, 0, 0};
  ::DrawTextW(dc, text, text.GetLength(), &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  ::SelectObject(dc, old);
  ::ReleaseDC(nullptr, dc);
  return SIZE{r.right - r.left, r.bottom - r.top};
}
}  // namespace

int TextWidth(const CString& text) { return Measure(text).cx; }
int TextHeight() { return Measure(L"Ag").cy; }

int WidestText(UINT first, int count) {
  int w = 0;
  for (int i = 0; i < count; ++i) w = std::max(w, TextWidth(LoadLangString(first + static_cast<UINT>(i))));
  return w;
}

int WidestItem(const CComboBox& combo) {
  int w = 0;
  for (int i = 0; i < combo.GetCount(); ++i) {
    CString item;
    combo.GetLBText(i, item);
    w = std::max(w, TextWidth(item));
  }
  return w;
}

void AddItem(CComboBox& combo, const CString& text, int value) {
  const int at = combo.AddString(text);
  if (at >= 0) combo.SetItemData(at, static_cast<DWORD_PTR>(static_cast<INT_PTR>(value)));
}

void SelectValue(CComboBox& combo, int value) {
  for (int i = 0; i < combo.GetCount(); ++i)
    if (static_cast<int>(static_cast<INT_PTR>(combo.GetItemData(i))) == value) {
      combo.SetCurSel(i);
      return;
    }
  combo.SetCurSel(-1);
}

int SelectedValue(const CComboBox& combo, int none) {
  const int sel = combo.GetCurSel();
  return sel < 0 ? none : static_cast<int>(static_cast<INT_PTR>(combo.GetItemData(sel)));
}
