#include "kit/jmessagebox.h"

#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "kit/gif_clock.h"
#include "kit/lang.h"
#include "kit/palette.h"
#include "kit/png_cache.h"

MessageBoxLines g_MessageBoxTexts;
MessageBoxLines g_MessageBoxShownTexts;

namespace {
// The animation image is one cached object: boxes that animate at the same time take
// turns choosing its frame and drawing it.
std::mutex g_GifDrawLock;

const UINT kButtonImages[4] = {335, 338, 337, 336};  // normal, hover, pressed, disabled
const int kButtonHeight = 23;
const int kCaptionMargin = 20;  // room on both sides of a button's caption

void PlaceButton(JButton& b, bool show, jmsgbox::Point at) {
  if (!b.m_hWnd) return;
  if (show) b.SetWindowPos(nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  b.ShowWindow(show ? SW_SHOW : SW_HIDE);
}
}  // namespace

JMessageBox::JMessageBox(UINT textId, UINT titleId, int type, CWnd* parent, int extraLines)
    : Dlg_Base(IDD, parent),
      m_Text(textId ? LoadLangString(textId) : CString()),
      m_TitleId(titleId),
      m_Type(type),
      m_ExtraLines(jmsgbox::ClampLines(extraLines)),
      m_pParent(parent),
      m_Template(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER, 0, 0, 160, 60) {
  // The box's own template: OK (1), Cancel (2) and the stop button (1013), hidden.
  // Their captions are empty, so each shows the string under its control id.
  m_Template.AddControl(L"BUTTON", L"", IDOK, BS_OWNERDRAW | WS_TABSTOP, 10, 40, 50, 14);
  m_Template.AddControl(L"BUTTON", L"", IDCANCEL, BS_OWNERDRAW | WS_TABSTOP, 70, 40, 50, 14);
  m_Template.AddControl(L"BUTTON", L"", IDC_STOP, BS_OWNERDRAW | WS_TABSTOP, 40, 40, 50, 14);
  InitModalIndirect(m_Template.Get(), parent);
  m_Layout = jmsgbox::ComputeLayout(type, 0, 0, m_ExtraLines);
}

JMessageBox::~JMessageBox() { StopAnimation(); }

void JMessageBox::DoDataExchange(CDataExchange* dx) {
  Dlg_Base::DoDataExchange(dx);
  DDX_Control(dx, IDOK, m_Ok);
  DDX_Control(dx, IDCANCEL, m_Cancel);
  DDX_Control(dx, IDC_STOP, m_Stop);
}

BOOL JMessageBox::OnInitDialog() {
  Dlg_Base::OnInitDialog();
  SetWindowText(m_TitleId ? LoadLangString(m_TitleId) : CString());

  CRect text(0, 0, 0, 0);
  {
    CClientDC dc(this);
    CFont* old = dc.SelectObject(&g_Font);
    dc.DrawText(m_Text, &text, DT_CALCRECT | DT_NOPREFIX);
    // Live lines already written count from the start.
    for (int i = 0; i < m_ExtraLines; ++i)
      m_LineWidth = std::max<int>(m_LineWidth, dc.GetTextExtent(g_MessageBoxTexts.Get(i).c_str()).cx);
    // The stop button grows with a caption that needs more than its usual width.
    if (m_Type == jmsgbox::TYPE_WAIT_STOP)
      m_StopWidth = dc.GetTextExtent(LoadLangString(IDC_STOP)).cx + kCaptionMargin;
    dc.SelectObject(old);
  }
  m_TextSize = CSize(text.Width(), text.Height());

  if (m_Layout.waitBox) ModifyStyle(WS_SYSMENU, 0, SWP_FRAMECHANGED);
  ApplyLayout();

  for (JButton* b : {&m_Ok, &m_Cancel, &m_Stop})
    if (b->m_hWnd)
      b->SetImages(kButtonImages[0], kButtonImages[1], kButtonImages[2], kButtonImages[3],
                   b == &m_Stop ? m_Layout.stopWidth : jmsgbox::kButtonWidth, kButtonHeight, -1, false);

  // Every shown button stays visible through the skin.
  if (m_Layout.showOk) AddChildToRegion(&m_Ok);
  if (m_Layout.showCancel) AddChildToRegion(&m_Cancel);
  if (m_Layout.showStop) AddChildToRegion(&m_Stop);

  // Started last, so the thread sees the final client size.
  if (m_Layout.waitBox) StartAnimation();
  return TRUE;
}

void JMessageBox::ApplyLayout() {
  const int before = m_Layout.windowWidth;
  const bool shown = IsWindowVisible() != FALSE;
  m_Layout = jmsgbox::ComputeLayout(m_Type, m_TextSize.cx, m_TextSize.cy, m_ExtraLines, m_LineWidth,
                                    m_StopWidth);
  PlaceButton(m_Ok, m_Layout.showOk, m_Layout.ok);
  PlaceButton(m_Cancel, m_Layout.showCancel, m_Layout.cancel);
  PlaceButton(m_Stop, m_Layout.showStop, m_Layout.stop);
  if (shown) {
    CRect r;
    GetWindowRect(&r);
    SetWindowPos(nullptr, r.left - (m_Layout.windowWidth - before) / 2, r.top, m_Layout.windowWidth,
                 m_Layout.windowHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  } else {
    SetWindowPos(nullptr, 0, 0, m_Layout.windowWidth, m_Layout.windowHeight, SWP_NOMOVE | SWP_NOZORDER);
  }
}

void JMessageBox::DrawSkin(CDC* dc) {
  CRect client;
  GetClientRect(&client);
  dc->FillSolidRect(&client, SKIN_WHITE);
  CRect r(client.left + 20, client.top + 10, client.right - 20, client.bottom - 40 - 10);
  dc->DrawText(m_Text, &r, DT_NOPREFIX);
}

void JMessageBox::OnOK() {
  if (m_Layout.waitBox) return;  // Enter never ends a wait box
  StopAnimation();
  EndDialog(IDOK);
}

void JMessageBox::OnCancel() {
  if (m_Layout.waitBox) return;  // nor does Escape
  StopAnimation();
  EndDialog(IDCANCEL);
}

void JMessageBox::OnButton3() {
  if (m_Stop.m_hWnd) m_Stop.EnableWindow(FALSE);
  if (Dlg_Base* parent = dynamic_cast<Dlg_Base*>(m_pParent)) parent->StopScan();
}

void JMessageBox::OnClose() {
  StopAnimation();
  EndDialog(IDCANCEL);
}

BOOL JMessageBox::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (LOWORD(wParam) == IDC_STOP && HIWORD(wParam) == BN_CLICKED) {
    OnButton3();
    return TRUE;
  }
  return Dlg_Base::OnCommand(wParam, lParam);
}

LRESULT JMessageBox::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_SYSCOMMAND:
      // Without a system menu a wait box still hears Alt+F4: only the program closes it.
      if (m_Layout.waitBox && (wParam & 0xFFF0) == SC_CLOSE) return 0;
      return Dlg_Base::WindowProc(msg, wParam, lParam);
    case WM_DESTROY:
      StopAnimation();
      return Dlg_Base::WindowProc(msg, wParam, lParam);
    case WM_WIDEN_LINES:
      if (static_cast<int>(wParam) > m_LineWidth) {
        m_LineWidth = static_cast<int>(wParam);
        ApplyLayout();
      }
      return 0;
    default:
      return Dlg_Base::WindowProc(msg, wParam, lParam);
  }
}

void JMessageBox::StartAnimation() {
  if (m_AnimationThread) return;
  m_Running = true;
  m_Wake.Reset();
  m_AnimationThread = ::CreateThread(nullptr, 0, &JMessageBox::GifThreadProc, this, 0, nullptr);
}

void JMessageBox::StopAnimation() {
  m_Running = false;
  m_Wake.Set();
  if (m_AnimationThread) {
    ::WaitForSingleObject(m_AnimationThread, INFINITE);
    ::CloseHandle(m_AnimationThread);
    m_AnimationThread = nullptr;
  }
}

DWORD WINAPI JMessageBox::GifThreadProc(void* box) {
  static_cast<JMessageBox*>(box)->Animate();
  return 0;
}

void JMessageBox::Animate() {
  HWND hwnd = m_hWnd;
  if (!hwnd) return;

  // The image and its timing; a missing GIF, no frames or a short delay list only
  // leave frames undrawn or use the default pause.
  Gdiplus::Image* gif = LoadPngResource(kGifResource, L"GIF");
  GUID dimension = Gdiplus::FrameDimensionTime;
  unsigned frames = 0;
  std::vector<std::uint32_t> delays;
  if (gif) {
    UINT dims = gif->GetFrameDimensionsCount();
    if (dims > 0) {
      std::vector<GUID> ids(dims);
      if (gif->GetFrameDimensionsList(ids.data(), dims) == Gdiplus::Ok) {
        dimension = ids[0];
        frames = gif->GetFrameCount(&dimension);
      }
    }
    UINT size = gif->GetPropertyItemSize(PropertyTagFrameDelay);
    if (size >= sizeof(Gdiplus::PropertyItem)) {
      std::vector<unsigned char> buf(size);
      auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(buf.data());
      if (gif->GetPropertyItem(PropertyTagFrameDelay, size, item) == Gdiplus::Ok &&
          item->value) {
        size_t available = size - (size_t)((unsigned char*)item->value - buf.data());
        size_t length = item->length < available ? item->length : available;
        delays = GifClock::ParseDelays(item->value, length);
      }
    }
  }
  GifClock clock(frames, delays);

  HDC dc = ::GetDC(hwnd);
  if (!dc) return;
  HGDIOBJ oldFont = ::SelectObject(dc, g_Font.GetSafeHandle());
  ::SetBkMode(dc, TRANSPARENT);
  int asked = 0;  // the widest line the box was asked to grow for
  const int type = m_Layout.type;  // read once: the box's own thread relays it out later
  {
    Gdiplus::Graphics graphics(dc);
    while (m_Running) {
      // The box may have grown for a wide line since the last frame.
      RECT client;
      ::GetClientRect(hwnd, &client);
      const int cw = client.right - client.left, ch = client.bottom - client.top;
      const int x = client.left + cw / 2 - 10;
      const int y = type == jmsgbox::TYPE_WAIT_STOP ? client.top + 30 : client.top + ch / 2 + 10;
      if (gif) {
        std::lock_guard<std::mutex> l(g_GifDrawLock);
        if (clock.HasFrames()) gif->SelectActiveFrame(&dimension, clock.Current());
        graphics.DrawImage(gif, x, y, (INT)gif->GetWidth(), (INT)gif->GetHeight());
      }
      unsigned next = clock.Advance();
      for (int i = 0; i < m_ExtraLines && type == jmsgbox::TYPE_WAIT_STOP; ++i) {
        std::wstring line = g_MessageBoxTexts.Get(i);
        if (line.empty()) continue;
        RECT r = {client.left + 20, client.top + 60 + jmsgbox::kLineHeight * i, client.right - 20,
                  client.top + 75 + jmsgbox::kLineHeight * i};
        SIZE extent{0, 0};
        ::GetTextExtentPoint32W(dc, line.c_str(), (int)line.size(), &extent);
        if (extent.cx > r.right - r.left && extent.cx > asked) {
          // Too wide for its place: the box (on its own thread) grows to show it whole.
          asked = extent.cx;
          ::PostMessageW(hwnd, WM_WIDEN_LINES, static_cast<WPARAM>(extent.cx), 0);
        }
        if (line != g_MessageBoxShownTexts.Get(i)) {
          g_MessageBoxShownTexts.Set(i, line);
          HBRUSH white = (HBRUSH)::GetStockObject(WHITE_BRUSH);
          ::FillRect(dc, &r, white);
        }
        ::DrawTextW(dc, line.c_str(), (int)line.size(), &r, DT_NOPREFIX);
      }
      m_Wake.Wait(clock.HasFrames() ? clock.DelayMs(next) : GifClock::kDefaultDelayMs);
    }
  }
  ::SelectObject(dc, oldFont);
  ::ReleaseDC(hwnd, dc);
}
