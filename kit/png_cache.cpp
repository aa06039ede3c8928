#include "kit/png_cache.h"

#include <objidl.h>
#include <gdiplus.h>

#include "fx/gdi.h"

std::map<UINT, Gdiplus::Image*> g_PngCache;
std::vector<HGLOBAL> g_ResourceCopies;
std::mutex g_PngCacheLock;

Gdiplus::Image* LoadPngResource(UINT id, const wchar_t* type) {
  std::lock_guard<std::mutex> guard(g_PngCacheLock);
  auto found = g_PngCache.find(id);
  if (found != g_PngCache.end()) return found->second;

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

void DrawPng(CDC* dc, UINT id, const RECT* rect) {
  if (!dc || !dc->m_hDC || !rect) return;
  Gdiplus::Graphics graphics(dc->m_hDC);
  Gdiplus::Image* image = LoadPngResource(id, L"PNG");
  if (!image) return;
  graphics.DrawImage(image, (INT)rect->left, (INT)rect->top, (INT)(rect->right - rect->left),
                     (INT)(rect->bottom - rect->top));
}

void FreePngCache() {
  std::lock_guard<std::mutex> guard(g_PngCacheLock);
  for (auto& entry : g_PngCache) delete entry.second;
  g_PngCache.clear();
  for (HGLOBAL block : g_ResourceCopies) ::GlobalFree(block);
  g_ResourceCopies.clear();
}
