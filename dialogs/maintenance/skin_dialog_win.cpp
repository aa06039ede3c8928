#include "dialogs/maintenance/skin_dialog_win.h"

#include "kit/lang.h"
#include "kit/palette.h"
#include "res/strings/ipset_strings.h"
#include "res/strings/kit_strings.h"

namespace {

const UINT kButtonImages[4] = {335, 338, 337, 336};  // normal, hover, pressed, disabled
const UINT kOptionImages[4] = {333, 333, 332, 333};
constexpr int kOptionImageSize = 14;
constexpr int kOptionTextGap = 5;

}  // namespace

SkinDialog::SkinDialog(UINT captionId)
    : Dlg_Base(captionId, nullptr),
      m_Template(new DialogTemplate(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER, 0, 0, 200, 100)) {}

SkinDialog::~SkinDialog() = default;

void SkinDialog::DoDataExchange(CDataExchange* dx) {
  Dlg_Base::DoDataExchange(dx);
  DDX_Control(dx, IDC_APPLY, m_Apply);
}

BOOL SkinDialog::OnInitDialog() {
  Dlg_Base::OnInitDialog();
  SkinPushButton(m_Apply, IDS_APPLY);  // "Apply", the caption of every Apply button
  return TRUE;
}

LRESULT SkinDialog::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_JBUTTON_CLICK) {
    // The group changes first; then the pressed option's own rule.
    LRESULT r = Dlg_Base::WindowProc(msg, wParam, lParam);
    JButton* sender = reinterpret_cast<JButton*>(wParam);
    for (JButton* option : m_RadioButtons)
      if (option == sender) OnOptionPressed(sender);
    return r;
  }
  return Dlg_Base::WindowProc(msg, wParam, lParam);
}

BOOL SkinDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (HIWORD(wParam) == BN_CLICKED) {
    const int id = LOWORD(wParam);
    if (id == static_cast<int>(IDC_APPLY)) {
      OnApply();
      return TRUE;
    }
    for (JButton* option : m_RadioButtons)
      if (option->m_hWnd && option->GetDlgCtrlID() == id) return TRUE;  // acted on when pressed
  }
  return Dlg_Base::OnCommand(wParam, lParam);
}

CString SkinDialog::LoadText(UINT id) { return LoadLangString(id); }

CSize SkinDialog::TextSize(const wchar_t* text) {
  CClientDC screen(nullptr);
  CDC* dc = g_pScreenDC && g_pScreenDC->m_hDC ? g_pScreenDC : &screen;
  CFont* old = g_Font.m_hObject ? dc->SelectObject(&g_Font) : nullptr;
  RECT r{0, 0, 0, 0};
  dc->DrawText(text ? text : L"", -1, &r, DT_CALCRECT | DT_NOPREFIX);
  if (old) dc->SelectObject(old);
  return CSize(r.right - r.left, r.bottom - r.top);
}

void SkinDialog::AddButton(WORD id) {
  m_Template->AddControl(L"BUTTON", L"", id, BS_OWNERDRAW | WS_TABSTOP, 0, 0, 50, 14);
}

void SkinDialog::AddEdit(WORD id, bool readOnly) {
  m_Template->AddControl(L"EDIT", L"", id, ES_AUTOHSCROLL | WS_TABSTOP | (readOnly ? ES_READONLY : 0), 0, 0, 100, 12);
}

void SkinDialog::AddCombo(WORD id) {
  m_Template->AddControl(L"COMBOBOX", L"", id,
                         CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | WS_VSCROLL | WS_TABSTOP, 0, 0, 100,
                         80);
}

void SkinDialog::UseTemplate() {
  AddButton(static_cast<WORD>(IDC_APPLY));
  InitModalIndirect(m_Template->Get());
}

BOOL SkinDialog::CreateHidden() { return CreateIndirect(m_Template->Get(), nullptr); }

void SkinDialog::SkinPushButton(JButton& button, UINT captionId) {
  button.SetWindowText(LoadText(captionId));
  button.SetImages(kButtonImages[0], kButtonImages[1], kButtonImages[2], kButtonImages[3], kButtonWidth, kButtonHeight);
}

void SkinDialog::SkinOption(JButton& option, UINT captionId, int group) {
  option.m_Style = jbutton::LAYOUT_IMAGE_TEXT;
  option.m_GroupId = group;
  option.SetWindowText(LoadText(captionId));
  option.SetImages(kOptionImages[0], kOptionImages[1], kOptionImages[2], kOptionImages[3], kOptionImageSize,
                   kOptionImageSize);
  // A little room between the image and the caption.
  option.SetWindowPos(nullptr, 0, 0, WidthOf(option) + kOptionTextGap, HeightOf(option),
                      SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  option.m_TextRect.OffsetRect(kOptionTextGap, 0);
  m_RadioButtons.push_back(&option);
}

void SkinDialog::CheckOption(JButton& on) {
  for (JButton* b : m_RadioButtons)
    if (b->m_GroupId == on.m_GroupId && b != &on && b->IsChecked()) b->SetChecked(false);
  on.SetChecked(true);
}

void SkinDialog::UseSkinFont(CWnd& control) {
  if (g_Font.m_hObject) control.SetFont(&g_Font);
}

void SkinDialog::Place(CWnd& control, int x, int y, int cx, int cy) {
  if (cx <= 0) cx = WidthOf(control);
  if (cy <= 0) cy = HeightOf(control);
  control.SetWindowPos(nullptr, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

int SkinDialog::WidthOf(CWnd& control) const {
  RECT r;
  control.GetWindowRect(&r);
  return r.right - r.left;
}

int SkinDialog::HeightOf(CWnd& control) const {
  RECT r;
  control.GetWindowRect(&r);
  return r.bottom - r.top;
}

int SkinDialog::PlacePathRow(CWnd& edit, JButton& browse, int x, int top, int width) {
  Place(edit, x, top + (kButtonHeight - kEditHeight) / 2, width, kEditHeight);
  Place(browse, x + width + kLabelGap, top);
  return x + width + kLabelGap + kButtonWidth;
}

void SkinDialog::EndLayout(int right, int bottom) {
  const int top = bottom + kRowGap + 4;
  Place(m_Apply, right - kButtonWidth, top);
  RECT r{0, 0, right + kMargin, top + kButtonHeight + kMargin};
  ::AdjustWindowRectEx(&r, GetStyle(), FALSE, GetExStyle());
  SetWindowPos(nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  Refresh();
}

void SkinDialog::Refresh() {
  ResetChildRegion();
  for (HWND c = ::GetWindow(m_hWnd, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT))
    AddChildToRegion(CWnd::FromHandle(c));  // the shown ones
  RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void SkinDialog::DrawLabel(CDC* dc, UINT textId, int right, int rowTop, int rowHeight) {
  const CString text = LoadText(textId);
  const CSize size = TextSize(text);
  dc->SetTextColor(SKIN_TEXT_COLOUR);
  DrawTextAt(dc, right, rowTop + (rowHeight - size.cy) / 2, text, true);
}
