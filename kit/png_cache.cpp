#include "kit/png_cache.h"

#include <objidl.h>
#include <gdiplus.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "fx/gdi.h"
#include "port/pace_log.h"

std::map<UINT, Gdiplus::Image*> g_PngCache;
std::vector<HGLOBAL> g_ResourceCopies;
std::mutex g_PngCacheLock;

Gdiplus::Image* LoadPngResource(UINT id, const wchar_t* type) {
  std::lock_guard<std::mutex> guard(g_PngCacheLock);
  auto found = g_PngCache.find(id);
  if (found != g_PngCache.end()) return found->second;
  port::pace::Scope timed(port::pace::kStep, id, true, "png-decode");

  HMODULE module = ::GetModuleHandleW(nullptr);
  HRSRC res = ::FindResourceW(module, MAKEINTRESOURCEW(id), type);
  if (!res) return nullptr;
  DWORD size = ::SizeofResource(module, res);
  if (size == 0) return nullptr;
  HGLOBAL loaded = ::LoadResource(module, res);
  const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
  if (!bytes) return nullptr;

  HGLOBAL copy = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
  if (!copy) return nullptr;
  void* dest = ::GlobalLock(copy);
  if (!dest) {
    ::GlobalFree(copy);
    return nullptr;
  }
  memcpy(dest, bytes, size);
  ::GlobalUnlock(copy);

  // The stream reads the copy in place and leaves the block to us.
  Gdiplus::Image* image = nullptr;
  IStream* stream = nullptr;
  if (SUCCEEDED(::CreateStreamOnHGlobal(copy, FALSE, &stream)) && stream) {
    image = Gdiplus::Image::FromStream(stream);
    stream->Release();
    if (image && image->GetLastStatus() != Gdiplus::Ok) {
      // Undecodable bytes are remembered as "no image", like a failed stream.
      delete image;
      image = nullptr;
    }
  }
  g_PngCache[id] = image;
  g_ResourceCopies.push_back(copy);
  return image;
}

namespace {

// Each image at each size it is drawn at, scaled once into a premultiplied 32-bit bitmap:
// GDI+ would convert and blend the image again at every paint, where AlphaBlend copies.
struct ScaledKey {
  UINT id;
  int w, h;
  bool operator<(const ScaledKey& o) const {
    return id != o.id ? id < o.id : w != o.w ? w < o.w : h < o.h;
  }
};
std::map<ScaledKey, HBITMAP> g_Scaled;  // null: the image could not be drawn
std::mutex g_ScaledLock;

HBITMAP ScaledPng(UINT id, int w, int h) {
  std::lock_guard<std::mutex> guard(g_ScaledLock);
  auto found = g_Scaled.find({id, w, h});
  if (found != g_Scaled.end()) return found->second;
  port::pace::Scope timed(port::pace::kStep, id, true, "png-scale");
  Gdiplus::Image* image = LoadPngResource(id, L"PNG");
  if (!image) return nullptr;  // as LoadPngResource: a missing resource is looked for again
  HBITMAP bitmap = nullptr;
  {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;  // top-down, as GDI+ writes it
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) {
      std::memset(bits, 0, static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4);
      Gdiplus::Bitmap target(w, h, w * 4, PixelFormat32bppPARGB, static_cast<BYTE*>(bits));
      Gdiplus::Graphics graphics(&target);
      if (graphics.DrawImage(image, 0, 0, w, h) != Gdiplus::Ok) {
        ::DeleteObject(bitmap);
        bitmap = nullptr;
      }
    } else if (bitmap) {
      ::DeleteObject(bitmap);
      bitmap = nullptr;
    }
  }
  g_Scaled[{id, w, h}] = bitmap;
  return bitmap;
}

}  // namespace

void DrawPng(CDC* dc, UINT id, const RECT* rect) {
  if (!dc || !dc->m_hDC || !rect) return;
  const int w = static_cast<int>(rect->right - rect->left), h = static_cast<int>(rect->bottom - rect->top);
  if (w <= 0 || h <= 0) return;
  HBITMAP bitmap = ScaledPng(id, w, h);
  if (!bitmap) return;
  HDC source = ::CreateCompatibleDC(dc->m_hDC);
  if (!source) return;
  HGDIOBJ old = ::SelectObject(source, bitmap);
  const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  ::AlphaBlend(dc->m_hDC, static_cast<int>(rect->left), static_cast<int>(rect->top), w, h, source, 0, 0, w, h, blend);
  ::SelectObject(source, old);
  ::DeleteDC(source);
}

namespace {
std::thread g_WarmUp;
std::atomic<bool> g_WarmUpStop{false};

BOOL CALLBACK NotePngName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR ids) {
  if (IS_INTRESOURCE(name))
    reinterpret_cast<std::vector<UINT>*>(ids)->push_back(static_cast<UINT>(reinterpret_cast<ULONG_PTR>(name)));
  return TRUE;
}
}  // namespace

void StartPngWarmUp(const std::vector<PngSize>& first, const std::vector<PngSize>& last) {
  if (g_WarmUp.joinable()) return;
  std::vector<UINT> ids;
  ::EnumResourceNamesW(::GetModuleHandleW(nullptr), L"PNG", NotePngName, reinterpret_cast<LONG_PTR>(&ids));
  g_WarmUpStop = false;
  g_WarmUp = std::thread([ids, first, last] {
    auto scale = [](const std::vector<PngSize>& sizes) {
      for (const PngSize& size : sizes) {
        if (g_WarmUpStop) return;
        if (size.w > 0 && size.h > 0 && size.w <= 4096 && size.h <= 4096) ScaledPng(size.id, size.w, size.h);
      }
    };
    scale(first);
    for (UINT id : ids) {
      if (g_WarmUpStop) return;
      Gdiplus::Image* image = LoadPngResource(id, L"PNG");
      if (!image) continue;
      UINT w = 0, h = 0;
      {
        // The image is used by one thread at a time: the scaling holds this lock.
        std::lock_guard<std::mutex> guard(g_ScaledLock);
        w = image->GetWidth();
        h = image->GetHeight();
      }
      if (w > 0 && h > 0 && w <= 4096 && h <= 4096) ScaledPng(id, static_cast<int>(w), static_cast<int>(h));
    }
    scale(last);
  });
}

void FreePngCache() {
  g_WarmUpStop = true;
  if (g_WarmUp.joinable()) g_WarmUp.join();
  {
    std::lock_guard<std::mutex> guard(g_ScaledLock);
    for (auto& entry : g_Scaled)
      if (entry.second) ::DeleteObject(entry.second);
    g_Scaled.clear();
  }
  std::lock_guard<std::mutex> guard(g_PngCacheLock);
  for (auto& entry : g_PngCache) delete entry.second;
  g_PngCache.clear();
  for (HGLOBAL block : g_ResourceCopies) ::GlobalFree(block);
  g_ResourceCopies.clear();
}
