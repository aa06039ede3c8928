#include "kit/keyed_blt.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// The source's pixels as top-down 32-bit rows (0x00RRGGBB), through a DIB section: a
// bitmap selected into a DC is not to be read with GetDIBits.
bool CopyPixels(HDC source, int sx, int sy, int w, int h, std::vector<std::uint32_t>* out) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP dib = ::CreateDIBSection(source, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!dib || !bits) {
    if (dib) ::DeleteObject(dib);
    return false;
  }
  bool ok = false;
  if (HDC copy = ::CreateCompatibleDC(source)) {
    HGDIOBJ old = ::SelectObject(copy, dib);
    ok = ::BitBlt(copy, 0, 0, w, h, source, sx, sy, SRCCOPY) != FALSE;
    ::GdiFlush();
    if (ok) {
      const auto* px = static_cast<const std::uint32_t*>(bits);
      out->assign(px, px + static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    }
    ::SelectObject(copy, old);
    ::DeleteDC(copy);
  }
  ::DeleteObject(dib);
  return ok;
}

// The key's pixels as rectangles in the target's device units, runs of a row joined with
// the same run of the row above.
std::vector<RECT> KeyRects(const std::vector<std::uint32_t>& px, int w, int h, std::uint32_t key, POINT at) {
  std::vector<RECT> done, open, next;
  for (int y = 0; y < h; ++y) {
    const std::uint32_t* row = px.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
    next.clear();
    std::size_t o = 0;
    for (int x = 0; x < w;) {
      if ((row[x] & 0x00FFFFFFu) != key) {
        ++x;
        continue;
      }
      const int start = x;
      while (x < w && (row[x] & 0x00FFFFFFu) == key) ++x;
      const LONG left = at.x + start, right = at.x + x;
      // Runs of both rows are in order: the open ones left of this run end here.
      while (o < open.size() && open[o].left < left) done.push_back(open[o++]);
      if (o < open.size() && open[o].left == left && open[o].right == right) {
        RECT grown = open[o++];
        ++grown.bottom;
        next.push_back(grown);
      } else {
        next.push_back({left, at.y + y, right, at.y + y + 1});
      }
    }
    while (o < open.size()) done.push_back(open[o++]);
    open.swap(next);
  }
  done.insert(done.end(), open.begin(), open.end());
  return done;
}

HRGN RegionOf(const std::vector<RECT>& rects) {
  std::vector<char> buffer(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
  auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
  data->rdh.dwSize = sizeof(RGNDATAHEADER);
  data->rdh.iType = RDH_RECTANGLES;
  data->rdh.nCount = static_cast<DWORD>(rects.size());
  data->rdh.nRgnSize = static_cast<DWORD>(rects.size() * sizeof(RECT));
  RECT bounds{0, 0, 0, 0};
  for (const RECT& r : rects) ::UnionRect(&bounds, &bounds, &r);
  data->rdh.rcBound = bounds;
  std::memcpy(data->Buffer, rects.data(), rects.size() * sizeof(RECT));
  return ::ExtCreateRegion(nullptr, static_cast<DWORD>(buffer.size()), data);
}

}  // namespace

BOOL KeyedBlt(HDC target, int x, int y, int w, int h, HDC source, int sx, int sy, COLORREF key) {
  if (!target || !source || w <= 0 || h <= 0) return FALSE;
  auto fallback = [&] { return ::TransparentBlt(target, x, y, w, h, source, sx, sy, w, h, key); };
  if (::GetDeviceCaps(target, BITSPIXEL) * ::GetDeviceCaps(target, PLANES) != 32 ||
      ::GetDeviceCaps(source, BITSPIXEL) * ::GetDeviceCaps(source, PLANES) != 32 ||
      ::GetMapMode(target) != MM_TEXT || ::GetGraphicsMode(target) != GM_COMPATIBLE || ::GetLayout(target) != 0)
    return fallback();
  std::vector<std::uint32_t> px;
  if (!CopyPixels(source, sx, sy, w, h, &px)) return fallback();
  POINT at{x, y};
  ::LPtoDP(target, &at, 1);
  const std::uint32_t rgb =
      (static_cast<std::uint32_t>(GetRValue(key)) << 16) | (static_cast<std::uint32_t>(GetGValue(key)) << 8) | GetBValue(key);
  const std::vector<RECT> keyed = KeyRects(px, w, h, rgb, at);
  if (keyed.empty()) return ::BitBlt(target, x, y, w, h, source, sx, sy, SRCCOPY);
  HRGN shown = ::CreateRectRgn(at.x, at.y, at.x + w, at.y + h);
  HRGN cut = RegionOf(keyed);
  BOOL ok = FALSE;
  HRGN before = ::CreateRectRgn(0, 0, 0, 0);
  if (shown && cut && before && ::CombineRgn(shown, shown, cut, RGN_DIFF) != ERROR) {
    // Within the target's own clipping, when it has one.
    const int had = ::GetClipRgn(target, before);
    if (had == 1) ::CombineRgn(shown, shown, before, RGN_AND);
    const int saved = ::SaveDC(target);
    if (had >= 0 && ::SelectClipRgn(target, shown) != ERROR)
      ok = ::BitBlt(target, x, y, w, h, source, sx, sy, SRCCOPY);
    ::RestoreDC(target, saved);
  } else {
    ok = fallback();
  }
  if (shown) ::DeleteObject(shown);
  if (cut) ::DeleteObject(cut);
  if (before) ::DeleteObject(before);
  return ok;
}
