// Skin images from the program's resources (PNG, and the GIF animation),
// each decoded once and cached for the run. The cache is shared by the UI
// thread and the message box's animation thread, so every access to it takes
// g_PngCacheLock.
#pragma once
#include <windows.h>

#include <map>
#include <mutex>
#include <vector>

namespace Gdiplus {
class Image;
}

class CDC;

// Resource id to image (owned by the cache; null when the resource could not
// be decoded). Entries are added on first use and removed only by FreePngCache.
extern std::map<UINT, Gdiplus::Image*> g_PngCache;
// The global memory blocks holding the resource bytes behind the images.
extern std::vector<HGLOBAL> g_ResourceCopies;
extern std::mutex g_PngCacheLock;

// The cached image of resource (id, type), loading it on first use; type is
// "PNG" for skin images and "GIF" for the animation (the type is not part of
// the cache key). Null when the resource is missing, empty, cannot be copied
// (nothing cached: the next call looks again) or cannot be decoded (cached).
Gdiplus::Image* LoadPngResource(UINT id, const wchar_t* type);
// Draws PNG resource `id` scaled to fill `rect`; nothing when the image
// cannot be had. The image is scaled once for each size it is drawn at and
// kept as a premultiplied bitmap, which each paint blends (AlphaBlend).
void DrawPng(CDC* dc, UINT id, const RECT* rect);
// An image at a size some window always draws it at, known before the window exists.
struct PngSize {
  UINT id;
  int w, h;
};
// Decodes every PNG resource of the program in a thread of its own and scales each once to
// its own size, so that the first paint of the windows finds them ready (under Wine each
// costs the first paint several milliseconds). The sizes in `first` are scaled before all
// that (an image stretched over a whole window costs tens of milliseconds), those in `last`
// after it (images a window shows later: a paint that needs an image waits while another
// is being scaled). Images a paint needs meanwhile are made by the paint as before;
// FreePngCache stops the thread first.
void StartPngWarmUp(const std::vector<PngSize>& first = {}, const std::vector<PngSize>& last = {});
// At exit: stops the warm-up, deletes every cached image and scaled bitmap and frees every
// resource copy.
void FreePngCache();
