#include "kit/jtabctrl.h"

#include "kit/jtabctrl_images.h"
#include "kit/keyed_blt.h"
#include "kit/lang.h"
#include "kit/palette.h"
#include "kit/png_cache.h"

namespace {
void SetTabImages(JButton* b, const jtab::ImageSet& set) {
  b->SetImages(set.normal, set.hover, set.pressed, set.disabled, jtab::kTabImageWidth,
               jtab::kTabHeight, -1, false);
}
}  // namespace

JTabCtrl::JTabCtrl() : JObject(this) {}

JTabCtrl::~JTabCtrl() {
  // The buttons are children of the strip: destroy them while their objects live.
  for (auto& t : m_Tabs)
    if (t.button && t.button->m_hWnd) t.button->DestroyWindow();
}

int JTabCtrl::GetSelected() const {
  for (size_t i = 0; i < m_Tabs.size(); ++i)
    if (m_Tabs[i].button->m_Checked) return (int)i;
  return -1;
}

void JTabCtrl::AddTab(CWnd* page, UINT captionId, UINT commandId) {
  Tab tab{std::make_unique<JButton>(jbutton::LAYOUT_TEXT), page, commandId};
  JButton* b = tab.button.get();
  b->Create(LoadLangString(captionId), WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, m_NextTabRect, this,
            0);
  b->m_PressedTextColour = RGB(0xFF, 0xFF, 0xFF);
  SetTabImages(b, m_Tabs.empty() ? jtab::kFirstTab : jtab::kOrdinaryTab);

  if (page && page->m_hWnd) {
    CRect strip, pageClient;
    GetClientRect(&strip);
    page->GetClientRect(&pageClient);
    page->MoveWindow(1, 26, strip.Width() - 2, pageClient.Height() - 2, TRUE);
  }

  CRect br;
  b->GetWindowRect(&br);
  m_NextTabRect.OffsetRect(br.Width(), 0);
  m_Tabs.push_back(std::move(tab));

  ResetChildRegion();
  for (auto& t : m_Tabs) AddChildToRegion(t.button.get());

  OnJButtonClick(m_Tabs.front().button.get());
  Invalidate(TRUE);
}

void JTabCtrl::OnJButtonClick(JButton* pressed) {
  int selectedIndex = -1;
  for (size_t i = 0; i < m_Tabs.size(); ++i)
    if (m_Tabs[i].button.get() == pressed) selectedIndex = (int)i;
  if (selectedIndex < 0) return;  // not one of our tabs

  for (size_t i = 0; i < m_Tabs.size(); ++i) {
    Tab& t = m_Tabs[i];
    bool selected = (int)i == selectedIndex;
    if (i + 1 < m_Tabs.size())
      SetTabImages(m_Tabs[i + 1].button.get(),
                   selected ? jtab::kRightOfSelected : jtab::kOrdinaryTab);
    if (!selected && t.page && t.page->m_hWnd) t.page->ShowWindow(SW_HIDE);
    t.button->m_Checked = selected;
    t.button->RedrawNow();
  }
  InvalidateRect(&m_NextTabRect, TRUE);

  Tab& sel = m_Tabs[(size_t)selectedIndex];
  if (sel.page && sel.page->m_hWnd) {
    sel.page->SendMessage(WM_COMMAND, MAKEWPARAM(LOWORD(sel.command), BN_CLICKED),
                          (LPARAM)sel.page->m_hWnd);
    sel.page->ShowWindow(SW_SHOW);
  }
}

void JTabCtrl::DrawSkin(CDC* dc) {
  CRect client;
  GetClientRect(&client);
  dc->FillSolidRect(&client, RGB(0xFF, 0xFF, 0xFF));
  if (!m_Tabs.empty()) {
    unsigned end = jtab::EndPieceFor(m_Tabs.back().button->m_Checked);
    DrawPng(dc, end, &m_NextTabRect);
  }
  dc->SelectObject(&g_PenDarkBlue);
  dc->Rectangle(0, jtab::kTabHeight, client.Width(), client.Height());
}

void JTabCtrl::OnPaint() {
  CPaintDC paint(this);
  CDC* mem = PrepareMemDC();
  if (!mem) return;
  CRect client;
  GetClientRect(&client);
  KeyedBlt(paint.m_hDC, 0, 0, client.Width(), client.Height(), mem->m_hDC, 0, 0, SKIN_KEY_COLOUR);
  ReleaseMemDC();
}

LRESULT JTabCtrl::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_JBUTTON_CLICK:
      OnJButtonClick(reinterpret_cast<JButton*>(wParam));
      return 0;
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_ERASEBKGND:
      return TRUE;
    default:
      return CWnd::WindowProc(msg, wParam, lParam);
  }
}
