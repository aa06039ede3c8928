// JObject: the skin mix-in of every skinned window. It owns an off-screen
// memory DC into which the window draws its skin (DrawSkin) before the result
// is copied to the screen with SKIN_KEY_COLOUR left out; the child region
// holds the areas of child controls that must stay visible through the skin.
#pragma once
#include <windows.h>

#include "fx/gdi.h"
#include "fx/wnd.h"

class JObject {
 public:
  explicit JObject(CWnd* owner);
  virtual ~JObject();
  JObject(const JObject&) = delete;
  JObject& operator=(const JObject&) = delete;

  // Draws the owner's own skin content; the default draws nothing.
  virtual void DrawSkin(CDC* dc);

  // Prepares the memory DC at the owner's client size: white, g_Font, null
  // brush, transparent text background, DrawSkin, then the child region in
  // SKIN_KEY_COLOUR. Returns the memory DC (null when it cannot be made).
  // The DC and its bitmap are kept until ReleaseMemDC or a change of size, and
  // each call starts again from the DC's state as made.
  CDC* PrepareMemDC();
  // Deletes the memory DC and its bitmap.
  void ReleaseMemDC();
  // Adds a visible child's rectangle to the child region; a hidden child is
  // skipped. The region only grows.
  void AddChildToRegion(CWnd* child);
  // Empties the child region (for owners that rebuild it from nothing).
  void ResetChildRegion();

  // Draws one text (DT_NOPREFIX, several lines allowed) with its top at y and
  // its left at x, or its right edge at x when rightAlign; large uses
  // g_BoldFont. g_Font is selected afterwards. Returns the right edge.
  static int DrawTextAt(CDC* dc, int x, int y, const wchar_t* text, bool rightAlign = false,
                        bool large = false);
  // A 1-pixel g_PenFrame outline just outside a child control.
  void FrameChild(CDC* dc, CWnd* child);

  CDC* GetMemDC() { return m_MemDC.m_hDC ? &m_MemDC : nullptr; }

  RECT m_ClientRect{0, 0, 0, 0};
  CDC m_MemDC;
  CBitmap m_MemBitmap;
  CRgn m_ChildRegion;
  CWnd* m_pOwner;

 private:
  HGDIOBJ m_OldBitmap = nullptr;
  SIZE m_MemSize{0, 0};
};
