// GDI wrappers: CGdiObject and its pens, brushes, fonts, bitmaps and regions;
// CDC and the paint, client and window DCs.
//
// An object made by one of the Create* members owns its handle and deletes it
// in its destructor. FromHandle gives a temporary wrapper that never deletes
// the handle (what SelectObject returns for the previous object).
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "fx/fxstring.h"
#include "fx/types.h"

// A text drawn through a CDC while a text log is open on the thread (CDC::SetTextLog): what was
// drawn, the room it was given (for TextOut, the text's own extent at its point), the format
// and the font. Lets a check measure every text of a window against the room it got.
struct DrawnText {
  std::wstring text;
  RECT room;
  UINT format;  // DrawText's; TextOut records DT_SINGLELINE | DT_NOCLIP
  HFONT font;
};

class CGdiObject {
 public:
  CGdiObject() = default;
  virtual ~CGdiObject();
  CGdiObject(const CGdiObject&) = delete;
  CGdiObject& operator=(const CGdiObject&) = delete;

  HGDIOBJ m_hObject = nullptr;

  HGDIOBJ GetSafeHandle() const { return m_hObject; }
  BOOL Attach(HGDIOBJ h);
  HGDIOBJ Detach();
  BOOL DeleteObject();
  BOOL CreateStockObject(int index);
  int GetObject(int size, void* out) const { return ::GetObjectW(m_hObject, size, out); }

  static CGdiObject* FromHandle(HGDIOBJ h);

 protected:
  bool m_temporary = false;
  friend struct GdiTemps;
};

class CPen : public CGdiObject {
 public:
  CPen() = default;
  CPen(int style, int width, COLORREF colour) { CreatePen(style, width, colour); }
  BOOL CreatePen(int style, int width, COLORREF colour);
  operator HPEN() const { return (HPEN)m_hObject; }
  static CPen* FromHandle(HPEN h);
};

class CBrush : public CGdiObject {
 public:
  CBrush() = default;
  explicit CBrush(COLORREF colour) { CreateSolidBrush(colour); }
  BOOL CreateSolidBrush(COLORREF colour);
  operator HBRUSH() const { return (HBRUSH)m_hObject; }
  static CBrush* FromHandle(HBRUSH h);
};

class CFont : public CGdiObject {
 public:
  BOOL CreateFontIndirect(const LOGFONTW* lf);
  BOOL CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic,
                  BYTE underline, BYTE strikeOut, BYTE charSet, BYTE outPrecision,
                  BYTE clipPrecision, BYTE quality, BYTE pitchAndFamily, const wchar_t* face);
  int GetLogFont(LOGFONTW* lf) const { return GetObject(sizeof(LOGFONTW), lf); }
  operator HFONT() const { return (HFONT)m_hObject; }
  static CFont* FromHandle(HFONT h);
};

class CDC;

class CBitmap : public CGdiObject {
 public:
  BOOL CreateCompatibleBitmap(CDC* dc, int width, int height);
  BOOL CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
  BOOL LoadBitmap(UINT id);
  int GetBitmap(BITMAP* bm) const { return GetObject(sizeof(BITMAP), bm); }
  operator HBITMAP() const { return (HBITMAP)m_hObject; }
  static CBitmap* FromHandle(HBITMAP h);
};

class CRgn : public CGdiObject {
 public:
  BOOL CreateRectRgn(int l, int t, int r, int b);
  BOOL CreateRectRgnIndirect(LPCRECT rc);
  BOOL CreateEllipticRgn(int l, int t, int r, int b);
  BOOL CreateRoundRectRgn(int l, int t, int r, int b, int w, int h);
  // Combines a and b into this region (which must exist) with RGN_AND/OR/XOR/DIFF/COPY.
  int CombineRgn(const CRgn* a, const CRgn* b, int mode);
  int CopyRgn(const CRgn* src) { return CombineRgn(src, nullptr, RGN_COPY); }
  void SetRectRgn(int l, int t, int r, int b) { ::SetRectRgn((HRGN)m_hObject, l, t, r, b); }
  void SetRectRgn(LPCRECT rc) { SetRectRgn(rc->left, rc->top, rc->right, rc->bottom); }
  BOOL PtInRegion(int x, int y) const { return ::PtInRegion((HRGN)m_hObject, x, y); }
  int GetRgnBox(LPRECT rc) const { return ::GetRgnBox((HRGN)m_hObject, rc); }
  operator HRGN() const { return (HRGN)m_hObject; }
  static CRgn* FromHandle(HRGN h);
};

class CDC {
 public:
  CDC() = default;
  virtual ~CDC();
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;

  HDC m_hDC = nullptr;

  HDC GetSafeHdc() const { return m_hDC; }
  operator HDC() const { return m_hDC; }
  BOOL Attach(HDC h);
  HDC Detach();
  BOOL CreateCompatibleDC(CDC* dc);
  BOOL DeleteDC();
  static CDC* FromHandle(HDC h);

  // Selection; each returns the previously selected object as a temporary wrapper.
  CPen* SelectObject(CPen* pen);
  CBrush* SelectObject(CBrush* brush);
  CFont* SelectObject(CFont* font);
  CBitmap* SelectObject(CBitmap* bitmap);
  int SelectObject(CRgn* rgn) { return ::SelectClipRgn(m_hDC, rgn ? (HRGN)rgn->m_hObject : nullptr); }
  CGdiObject* SelectStockObject(int index);
  CFont* GetCurrentFont() const;
  CPen* GetCurrentPen() const;
  CBrush* GetCurrentBrush() const;
  CBitmap* GetCurrentBitmap() const;

  COLORREF SetTextColor(COLORREF c) { return ::SetTextColor(m_hDC, c); }
  COLORREF GetTextColor() const { return ::GetTextColor(m_hDC); }
  COLORREF SetBkColor(COLORREF c) { return ::SetBkColor(m_hDC, c); }
  COLORREF GetBkColor() const { return ::GetBkColor(m_hDC); }
  int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
  int GetBkMode() const { return ::GetBkMode(m_hDC); }
  int SaveDC() { return ::SaveDC(m_hDC); }
  BOOL RestoreDC(int saved) { return ::RestoreDC(m_hDC, saved); }

  int DrawText(const wchar_t* text, int count, LPRECT rc, UINT format);
  int DrawText(const CString& text, LPRECT rc, UINT format) {
    return DrawText(text, text.GetLength(), rc, format);
  }
  BOOL TextOut(int x, int y, const CString& text);
  // Records every text that any CDC of this thread draws into `log` (null ends it).
  static void SetTextLog(std::vector<DrawnText>* log);
  CSize GetTextExtent(const CString& text) const;
  BOOL GetTextMetrics(TEXTMETRICW* tm) const { return ::GetTextMetricsW(m_hDC, tm); }

  void FillSolidRect(LPCRECT rc, COLORREF c);
  void FillSolidRect(int x, int y, int w, int h, COLORREF c);
  void FillRect(LPCRECT rc, CBrush* brush) { ::FillRect(m_hDC, rc, (HBRUSH)brush->m_hObject); }
  BOOL FillRgn(CRgn* rgn, CBrush* brush) {
    return ::FillRgn(m_hDC, (HRGN)rgn->m_hObject, (HBRUSH)brush->m_hObject);
  }
  void FrameRect(LPCRECT rc, CBrush* brush) { ::FrameRect(m_hDC, rc, (HBRUSH)brush->m_hObject); }
  BOOL Rectangle(int l, int t, int r, int b) { return ::Rectangle(m_hDC, l, t, r, b); }
  BOOL Rectangle(LPCRECT rc) { return ::Rectangle(m_hDC, rc->left, rc->top, rc->right, rc->bottom); }
  BOOL RoundRect(LPCRECT rc, POINT corner) {
    return ::RoundRect(m_hDC, rc->left, rc->top, rc->right, rc->bottom, corner.x, corner.y);
  }
  BOOL Ellipse(int l, int t, int r, int b) { return ::Ellipse(m_hDC, l, t, r, b); }
  CPoint MoveTo(int x, int y);
  BOOL LineTo(int x, int y) { return ::LineTo(m_hDC, x, y); }
  BOOL Polyline(const POINT* pts, int count) { return ::Polyline(m_hDC, pts, count); }
  BOOL Polygon(const POINT* pts, int count) { return ::Polygon(m_hDC, pts, count); }
  COLORREF GetPixel(int x, int y) const { return ::GetPixel(m_hDC, x, y); }
  COLORREF SetPixel(int x, int y, COLORREF c) { return ::SetPixel(m_hDC, x, y, c); }

  BOOL BitBlt(int x, int y, int w, int h, CDC* src, int sx, int sy, DWORD rop) {
    return ::BitBlt(m_hDC, x, y, w, h, src ? src->m_hDC : nullptr, sx, sy, rop);
  }
  BOOL StretchBlt(int x, int y, int w, int h, CDC* src, int sx, int sy, int sw, int sh, DWORD rop) {
    return ::StretchBlt(m_hDC, x, y, w, h, src->m_hDC, sx, sy, sw, sh, rop);
  }
  // Copies with one colour of the source left out (msimg32).
  BOOL TransparentBlt(int x, int y, int w, int h, CDC* src, int sx, int sy, int sw, int sh,
                      UINT key);

  int GetDeviceCaps(int index) const { return ::GetDeviceCaps(m_hDC, index); }
  int SelectClipRgn(CRgn* rgn) { return SelectObject(rgn); }
  int IntersectClipRect(int l, int t, int r, int b) { return ::IntersectClipRect(m_hDC, l, t, r, b); }
  int ExcludeClipRect(int l, int t, int r, int b) { return ::ExcludeClipRect(m_hDC, l, t, r, b); }

 protected:
  bool m_temporary = false;
  friend struct DcTemps;
};

class CWnd;

// BeginPaint / EndPaint for the lifetime of the object.
class CPaintDC : public CDC {
 public:
  explicit CPaintDC(CWnd* wnd);
  ~CPaintDC() override;
  PAINTSTRUCT m_ps{};

 protected:
  HWND m_hWnd = nullptr;
};

// GetDC / ReleaseDC of a window's client area.
class CClientDC : public CDC {
 public:
  explicit CClientDC(CWnd* wnd);
  ~CClientDC() override;

 protected:
  HWND m_hWnd = nullptr;
};

// GetWindowDC / ReleaseDC of a whole window.
class CWindowDC : public CDC {
 public:
  explicit CWindowDC(CWnd* wnd);
  ~CWindowDC() override;

 protected:
  HWND m_hWnd = nullptr;
};
