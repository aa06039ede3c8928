#include "kit/jipaddressctrl.h"

#include "kit/palette.h"
#include "port/net.h"
#include "port/text.h"

namespace {
const COLORREF kBackground = RGB(0xD6, 0xE0, 0xE8);
const COLORREF kText = RGB(0x44, 0x44, 0x44);
const int kDotX[3] = {36, 72, 108};
}  // namespace

JIPAddressCtrl::JIPAddressCtrl() : JObject(this) {}

JIPAddressCtrl::~JIPAddressCtrl() = default;

void JIPAddressCtrl::DrawSkin(CDC* dc) {
  CRect client;
  GetClientRect(&client);
  dc->FillSolidRect(&client, kBackground);
  int middle = (client.top + client.bottom) / 2;
  for (int x : kDotX) dc->FillSolidRect(x, middle - 1, 2, 2, RGB(0, 0, 0));
}

HBRUSH JIPAddressCtrl::OnCtlColor(CDC* dc, CWnd*, UINT) {
  dc->SelectObject(&g_Font);
  dc->SetBkColor(kBackground);
  dc->SetTextColor(kText);
  return (HBRUSH)g_BrushSkin.GetSafeHandle();
}

void JIPAddressCtrl::OnPaint() {
  CPaintDC paint(this);
  CDC* mem = PrepareMemDC();
  if (!mem) return;
  CRect client;
  GetClientRect(&client);
  paint.BitBlt(0, 0, client.Width(), client.Height(), mem, 0, 0, SRCCOPY);
  ReleaseMemDC();
}

LRESULT JIPAddressCtrl::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_ERASEBKGND:
      return TRUE;
    default:
      return CIPAddressCtrl::WindowProc(msg, wParam, lParam);
  }
}

std::wstring JIPAddressCtrl::AddressText() const {
  DWORD a = 0;
  if (m_hWnd) GetAddress(a);
  return port::FromLocal8(port::FormatIPv4(static_cast<std::uint32_t>(a)));
}
