// Screenshots of a window for the Windows tests: its pixels as painted, read back and saved.
#pragma once
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cwchar>
#include <string>
#include <vector>

#include "fx/fx.h"

namespace wintest {

// Saves a bitmap (not selected into any DC) as <exe folder>\screenshots\<name>.png.
inline bool SaveScreenshotPng(HBITMAP bmp, const wchar_t* name) {
  wchar_t exe[MAX_PATH];
  std::wstring dir(exe, ::GetModuleFileNameW(nullptr, exe, MAX_PATH));
  dir = dir.substr(0, dir.find_last_of(L"\\/")) + L"\\screenshots";
  ::CreateDirectoryW(dir.c_str(), nullptr);
  Gdiplus::Bitmap image(bmp, nullptr);
  UINT count = 0, size = 0;
  Gdiplus::GetImageEncodersSize(&count, &size);
  std::vector<unsigned char> buf(size);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buf.data());
  if (!size || Gdiplus::GetImageEncoders(count, size, codecs) != Gdiplus::Ok) return false;
  for (UINT i = 0; i < count; ++i)
    if (wcscmp(codecs[i].MimeType, L"image/png") == 0)
      return image.Save((dir + L"\\" + name + L".png").c_str(), &codecs[i].Clsid, nullptr) == Gdiplus::Ok;
  return false;
}

// The pixels of a rectangle of a window as painted, children included. Read from the
// window's own surface, not from the screen, so that windows of other programs (tests run
// side by side on one display) cannot cover them.
class ScreenShot {
 public:
  ScreenShot(CWnd& w, const CRect& client) : m_rc(client) {
    HDC src = ::GetDCEx(w.m_hWnd, nullptr, DCX_CACHE);  // no DCX_CLIPCHILDREN
    m_dc = ::CreateCompatibleDC(src);
    m_bmp = ::CreateCompatibleBitmap(src, client.Width(), client.Height());
    m_old = ::SelectObject(m_dc, m_bmp);
    ::BitBlt(m_dc, 0, 0, client.Width(), client.Height(), src, client.left, client.top, SRCCOPY);
    ::ReleaseDC(w.m_hWnd, src);
  }
  ~ScreenShot() {
    ::SelectObject(m_dc, m_old);
    ::DeleteObject(m_bmp);
    ::DeleteDC(m_dc);
  }
  COLORREF Pixel(int x, int y) const { return ::GetPixel(m_dc, x - m_rc.left, y - m_rc.top); }
  // Pixels of one colour inside a rectangle given in the window's client coordinates.
  int Count(const CRect& r, COLORREF c) const {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x)
        if (::GetPixel(m_dc, x - m_rc.left, y - m_rc.top) == c) ++n;
    return n;
  }

  // Writes the captured pixels as <exe folder>\screenshots\<name>.png.
  bool SavePng(const wchar_t* name) {
    ::SelectObject(m_dc, m_old);  // a bitmap handed to GDI+ must not be selected
    const bool ok = SaveScreenshotPng(m_bmp, name);
    m_old = ::SelectObject(m_dc, m_bmp);
    return ok;
  }

 private:
  CRect m_rc;
  HDC m_dc;
  HBITMAP m_bmp;
  HGDIOBJ m_old;
};

}  // namespace wintest
