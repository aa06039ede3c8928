// Helpers of the skinned-control tests: GDI+ and fonts, solid test images put into
// the image cache, memory surfaces whose pixels can be read, a parent window that
// records what its children send, scripted steps while a modal box runs, and
// screenshots saved beside the test executable.
#pragma once
#include <windows.h>
#include <objidl.h>
#include <commctrl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "fx/fx.h"
#include "kit/palette.h"
#include "kit/png_cache.h"
#include "tests/win/window_shot.h"

// Readable rectangles, points and sizes in failure messages.
inline void PrintTo(const CRect& r, std::ostream* os) {
  *os << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
}
inline void PrintTo(const CPoint& p, std::ostream* os) { *os << "(" << p.x << "," << p.y << ")"; }
inline void PrintTo(const CSize& s, std::ostream* os) { *os << s.cx << "x" << s.cy; }

namespace kittest {

// GDI+, common controls and the skin fonts for the whole test program.
class Environment : public ::testing::Environment {
 public:
  void SetUp() override {
    Gdiplus::GdiplusStartupInput in;
    Gdiplus::GdiplusStartup(&token_, &in, nullptr);
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES};
    ::InitCommonControlsEx(&icc);
    CreateSkinFonts();
  }
  void TearDown() override {
    FreePngCache();
    Gdiplus::GdiplusShutdown(token_);
  }

 private:
  ULONG_PTR token_ = 0;
};

// Puts a solid image of one colour into the cache under `id` for the life of the
// object; the entry that was there before comes back afterwards.
class SolidImage {
 public:
  SolidImage(UINT id, COLORREF colour, int w = 600, int h = 40) : id_(id) {
    auto* bmp = new Gdiplus::Bitmap(w, h, PixelFormat32bppARGB);
    {
      Gdiplus::Graphics g(bmp);
      Gdiplus::SolidBrush brush(Gdiplus::Color(255, GetRValue(colour), GetGValue(colour),
                                               GetBValue(colour)));
      g.FillRectangle(&brush, 0, 0, w, h);
    }
    std::lock_guard<std::mutex> l(g_PngCacheLock);
    auto it = g_PngCache.find(id);
    had_ = it != g_PngCache.end();
    if (had_) old_ = it->second;
    g_PngCache[id] = bmp;
    mine_ = bmp;
  }
  // An entry that holds no image: the resource counts as missing.
  static void PutNull(UINT id, Gdiplus::Image** saved, bool* had) {
    std::lock_guard<std::mutex> l(g_PngCacheLock);
    auto it = g_PngCache.find(id);
    *had = it != g_PngCache.end();
    *saved = *had ? it->second : nullptr;
    g_PngCache[id] = nullptr;
  }
  static void Restore(UINT id, Gdiplus::Image* saved, bool had) {
    std::lock_guard<std::mutex> l(g_PngCacheLock);
    if (had)
      g_PngCache[id] = saved;
    else
      g_PngCache.erase(id);
  }
  ~SolidImage() {
    Restore(id_, old_, had_);
    delete mine_;
  }

 private:
  UINT id_;
  bool had_ = false;
  Gdiplus::Image* old_ = nullptr;
  Gdiplus::Image* mine_ = nullptr;
};

// A 32-bit memory surface with readable pixels.
class Surface {
 public:
  Surface(int w, int h) : w_(w), h_(h) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    dc_ = ::CreateCompatibleDC(nullptr);
    bmp_ = ::CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    old_ = ::SelectObject(dc_, bmp_);
    Fill(RGB(0x12, 0x34, 0x56));
  }
  ~Surface() {
    ::SelectObject(dc_, old_);
    ::DeleteObject(bmp_);
    ::DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  void Fill(COLORREF c) {
    ::GdiFlush();
    for (int i = 0; i < w_ * h_; ++i) bits_[i] = RGB(GetBValue(c), GetGValue(c), GetRValue(c));
  }
  COLORREF At(int x, int y) const {
    ::GdiFlush();
    DWORD v = bits_[y * w_ + x];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  }
  // Whether two surfaces of one size hold the same pixels.
  bool SameAs(const Surface& o) const {
    ::GdiFlush();
    return w_ == o.w_ && h_ == o.h_ && std::memcmp(bits_, o.bits_, sizeof(DWORD) * w_ * h_) == 0;
  }
  // Whether a colour occurs anywhere in the rectangle.
  bool Contains(const RECT& r, COLORREF c) const {
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x)
        if (At(x, y) == c) return true;
    return false;
  }

 private:
  int w_, h_;
  HDC dc_ = nullptr;
  HBITMAP bmp_ = nullptr;
  HGDIOBJ old_ = nullptr;
  DWORD* bits_ = nullptr;
};

// A top-level window that records the messages its children send it (hidden unless
// asked: showing a top-level window under Wine takes a while).
class RecordingParent : public CWnd {
 public:
  struct Entry {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
  };
  BOOL Make(int w = 400, int h = 300, DWORD style = WS_POPUP) {
    return CreateEx(0, nullptr, L"kit test", style | WS_CLIPCHILDREN, CRect(40, 40, 40 + w, 40 + h),
                    nullptr, 0);
  }
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_COMMAND || (msg >= WM_USER && msg < WM_USER + 0x100))
      log.push_back({msg, wParam, lParam});
    return CWnd::WindowProc(msg, wParam, lParam);
  }
  std::vector<Entry> log;
};

inline void Pump() {
  MSG m;
  while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&m);
    ::DispatchMessageW(&m);
  }
}

// Pumps messages for about `ms` milliseconds.
inline void PumpFor(int ms) {
  DWORD end = ::GetTickCount() + (DWORD)ms;
  while ((int)(end - ::GetTickCount()) > 0) {
    Pump();
    ::Sleep(10);
  }
  Pump();
}

// Runs `step(n)` every 50 ms on this thread (from inside any modal loop) until it
// returns false or `maxSteps` have run.
class Script {
 public:
  Script(std::function<bool(int)> step, int maxSteps = 400) : step_(std::move(step)), max_(maxSteps) {
    current_ = this;
    id_ = ::SetTimer(nullptr, 0, 50, &Script::Tick);
  }
  ~Script() {
    if (id_) ::KillTimer(nullptr, id_);
    current_ = nullptr;
  }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    Script* s = current_;
    if (!s || s->busy_ || s->done_) return;
    s->busy_ = true;
    bool more = s->n_ < s->max_ && s->step_(s->n_++);
    s->busy_ = false;
    if (!more) {
      s->done_ = true;
      ::KillTimer(nullptr, s->id_);
      s->id_ = 0;
    }
  }
  static inline Script* current_ = nullptr;
  std::function<bool(int)> step_;
  int max_;
  int n_ = 0;
  bool busy_ = false;
  bool done_ = false;
  UINT_PTR id_ = 0;
};

inline std::wstring ExeDir() {
  wchar_t path[MAX_PATH];
  DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p(path, n);
  size_t cut = p.find_last_of(L"\\/");
  return cut == std::wstring::npos ? L"." : p.substr(0, cut);
}

// Saves the whole screen (or only `area`, in screen coordinates) as a PNG under
// <exe folder>\screenshots\<name>.png.
inline bool SaveScreenshot(const wchar_t* name, const RECT* area = nullptr) {
  int x = 0, y = 0, w = ::GetSystemMetrics(SM_CXSCREEN), h = ::GetSystemMetrics(SM_CYSCREEN);
  if (area) {
    x = area->left;
    y = area->top;
    w = area->right - area->left;
    h = area->bottom - area->top;
  }
  HDC screen = ::GetDC(nullptr);
  HDC mem = ::CreateCompatibleDC(screen);
  HBITMAP bmp = ::CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = ::SelectObject(mem, bmp);
  ::BitBlt(mem, 0, 0, w, h, screen, x, y, SRCCOPY);
  ::SelectObject(mem, old);
  const bool ok = wintest::SaveScreenshotPng(bmp, name);
  ::DeleteObject(bmp);
  ::DeleteDC(mem);
  ::ReleaseDC(nullptr, screen);
  return ok;
}

// Paints shown windows with their controls and saves them as <name>.png: the rectangle that
// holds them all, each window (frame included) read from its own surface and put down in turn,
// so the later ones lie over the earlier ones. Windows of other tests on the same display cannot
// cover what is saved.
inline bool SaveWindowsOnTop(const std::vector<CWnd*>& windows, const std::wstring& name) {
  CRect all(0, 0, 0, 0);
  for (CWnd* w : windows) {
    ::SetWindowPos(w->m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    w->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    CRect r;
    w->GetWindowRect(&r);
    ::UnionRect(&all, &all, &r);
  }
  PumpFor(300);
  if (all.IsRectEmpty()) return false;
  HDC screen = ::GetDC(nullptr);
  HDC mem = ::CreateCompatibleDC(screen);
  HBITMAP bmp = ::CreateCompatibleBitmap(screen, all.Width(), all.Height());
  ::ReleaseDC(nullptr, screen);
  HGDIOBJ old = ::SelectObject(mem, bmp);
  ::PatBlt(mem, 0, 0, all.Width(), all.Height(), WHITENESS);
  for (CWnd* w : windows) {
    CRect r;
    w->GetWindowRect(&r);
    HDC src = ::GetDCEx(w->m_hWnd, nullptr, DCX_WINDOW | DCX_CACHE);
    ::BitBlt(mem, r.left - all.left, r.top - all.top, r.Width(), r.Height(), src, 0, 0, SRCCOPY);
    ::ReleaseDC(w->m_hWnd, src);
  }
  ::SelectObject(mem, old);
  const bool ok = wintest::SaveScreenshotPng(bmp, name.c_str());
  ::DeleteObject(bmp);
  ::DeleteDC(mem);
  return ok;
}

inline bool SaveWindowOnTop(CWnd& w, const std::wstring& name) { return SaveWindowsOnTop({&w}, name); }

// The rectangle of a child in its parent's client coordinates.
inline CRect ChildRect(const CWnd& parent, const CWnd& child) {
  CRect r;
  child.GetWindowRect(&r);
  parent.ScreenToClient(&r);
  return r;
}

inline CSize MeasureText(const CString& text) {
  HDC dc = ::GetDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, g_Font.GetSafeHandle());
  RECT r{0, 0, 0, 0};
  ::DrawTextW(dc, text, text.GetLength(), &r, DT_CALCRECT | DT_NOPREFIX);
  ::SelectObject(dc, old);
  ::ReleaseDC(nullptr, dc);
  return CSize(r.right - r.left, r.bottom - r.top);
}

}  // namespace kittest

// Each test file's main: the environment above, then every test.
#define KITTEST_MAIN()                                              \
  int wmain(int argc, wchar_t** argv) {                             \
    ::testing::InitGoogleTest(&argc, argv);                         \
    ::testing::AddGlobalTestEnvironment(new kittest::Environment);  \
    return RUN_ALL_TESTS();                                         \
  }
