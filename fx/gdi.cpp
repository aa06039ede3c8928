#include "fx/gdi.h"

#include <map>
#include <memory>
#include <utility>

#include "fx/wnd.h"

// Temporary wrappers live per thread, one per (handle, wrapper type), and are
// reused for the same handle. They never delete their handle.
struct GdiTemps {
  template <class T>
  static T* Get(HGDIOBJ h, int kind) {
    if (!h) return nullptr;
    thread_local std::map<std::pair<HGDIOBJ, int>, std::unique_ptr<CGdiObject>> temps;
    auto& slot = temps[{h, kind}];
    if (!slot) {
      slot.reset(new T);
      slot->m_hObject = h;
      slot->m_temporary = true;
    }
    return static_cast<T*>(slot.get());
  }
};

struct DcTemps {
  static CDC* Get(HDC h) {
    if (!h) return nullptr;
    thread_local std::map<HDC, std::unique_ptr<CDC>> temps;
    auto& slot = temps[h];
    if (!slot) {
      slot.reset(new CDC);
      slot->m_hDC = h;
      slot->m_temporary = true;
    }
    return slot.get();
  }
};

CGdiObject::~CGdiObject() {
  if (!m_temporary) DeleteObject();
}

BOOL CGdiObject::Attach(HGDIOBJ h) {
  if (!h) return FALSE;
  m_hObject = h;
  m_temporary = false;  // an attached handle is owned
  return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
  HGDIOBJ h = m_hObject;
  m_hObject = nullptr;
  return h;
}

BOOL CGdiObject::DeleteObject() {
  if (!m_hObject) return FALSE;
  BOOL ok = ::DeleteObject(m_hObject);
  m_hObject = nullptr;
  return ok;
}

BOOL CGdiObject::CreateStockObject(int index) {
  // Stock objects are not deleted; keep them as a temporary-style handle.
  DeleteObject();
  m_hObject = ::GetStockObject(index);
  m_temporary = true;
  return m_hObject != nullptr;
}

CGdiObject* CGdiObject::FromHandle(HGDIOBJ h) { return GdiTemps::Get<CGdiObject>(h, 0); }
CPen* CPen::FromHandle(HPEN h) { return GdiTemps::Get<CPen>(h, 1); }
CBrush* CBrush::FromHandle(HBRUSH h) { return GdiTemps::Get<CBrush>(h, 2); }
CFont* CFont::FromHandle(HFONT h) { return GdiTemps::Get<CFont>(h, 3); }
CBitmap* CBitmap::FromHandle(HBITMAP h) { return GdiTemps::Get<CBitmap>(h, 4); }
CRgn* CRgn::FromHandle(HRGN h) { return GdiTemps::Get<CRgn>(h, 5); }

BOOL CPen::CreatePen(int style, int width, COLORREF colour) {
  DeleteObject();
  return Attach(::CreatePen(style, width, colour));
}

BOOL CBrush::CreateSolidBrush(COLORREF colour) {
  DeleteObject();
  return Attach(::CreateSolidBrush(colour));
}

BOOL CFont::CreateFontIndirect(const LOGFONTW* lf) {
  DeleteObject();
  return Attach(::CreateFontIndirectW(lf));
}

BOOL CFont::CreateFont(int height, int width, int escapement, int orientation, int weight,
                       BYTE italic, BYTE underline, BYTE strikeOut, BYTE charSet,
                       BYTE outPrecision, BYTE clipPrecision, BYTE quality,
                       BYTE pitchAndFamily, const wchar_t* face) {
  DeleteObject();
  return Attach(::CreateFontW(height, width, escapement, orientation, weight, italic, underline,
                              strikeOut, charSet, outPrecision, clipPrecision, quality,
                              pitchAndFamily, face));
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* dc, int width, int height) {
  DeleteObject();
  return Attach(::CreateCompatibleBitmap(dc->m_hDC, width, height));
}

BOOL CBitmap::CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel,
                           const void* bits) {
  DeleteObject();
  return Attach(::CreateBitmap(width, height, planes, bitsPerPixel, bits));
}

BOOL CBitmap::LoadBitmap(UINT id) {
  DeleteObject();
  return Attach(::LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id)));
}

BOOL CRgn::CreateRectRgn(int l, int t, int r, int b) {
  DeleteObject();
  return Attach(::CreateRectRgn(l, t, r, b));
}

BOOL CRgn::CreateRectRgnIndirect(LPCRECT rc) {
  return CreateRectRgn(rc->left, rc->top, rc->right, rc->bottom);
}

BOOL CRgn::CreateEllipticRgn(int l, int t, int r, int b) {
  DeleteObject();
  return Attach(::CreateEllipticRgn(l, t, r, b));
}

BOOL CRgn::CreateRoundRectRgn(int l, int t, int r, int b, int w, int h) {
  DeleteObject();
  return Attach(::CreateRoundRectRgn(l, t, r, b, w, h));
}

int CRgn::CombineRgn(const CRgn* a, const CRgn* b, int mode) {
  return ::CombineRgn((HRGN)m_hObject, a ? (HRGN)a->m_hObject : nullptr,
                      b ? (HRGN)b->m_hObject : nullptr, mode);
}

// ---- CDC -------------------------------------------------------------------

CDC::~CDC() {
  if (!m_temporary) DeleteDC();
}

BOOL CDC::Attach(HDC h) {
  if (!h) return FALSE;
  m_hDC = h;
  return TRUE;
}

HDC CDC::Detach() {
  HDC h = m_hDC;
  m_hDC = nullptr;
  return h;
}

BOOL CDC::CreateCompatibleDC(CDC* dc) {
  DeleteDC();
  return Attach(::CreateCompatibleDC(dc ? dc->m_hDC : nullptr));
}

BOOL CDC::DeleteDC() {
  if (!m_hDC) return FALSE;
  BOOL ok = ::DeleteDC(m_hDC);
  m_hDC = nullptr;
  return ok;
}

CDC* CDC::FromHandle(HDC h) { return DcTemps::Get(h); }

CPen* CDC::SelectObject(CPen* pen) {
  return CPen::FromHandle((HPEN)::SelectObject(m_hDC, pen->m_hObject));
}
CBrush* CDC::SelectObject(CBrush* brush) {
  return CBrush::FromHandle((HBRUSH)::SelectObject(m_hDC, brush->m_hObject));
}
CFont* CDC::SelectObject(CFont* font) {
  return CFont::FromHandle((HFONT)::SelectObject(m_hDC, font->m_hObject));
}
CBitmap* CDC::SelectObject(CBitmap* bitmap) {
  return CBitmap::FromHandle((HBITMAP)::SelectObject(m_hDC, bitmap->m_hObject));
}
CGdiObject* CDC::SelectStockObject(int index) {
  return CGdiObject::FromHandle(::SelectObject(m_hDC, ::GetStockObject(index)));
}

CFont* CDC::GetCurrentFont() const {
  return CFont::FromHandle((HFONT)::GetCurrentObject(m_hDC, OBJ_FONT));
}
CPen* CDC::GetCurrentPen() const {
  return CPen::FromHandle((HPEN)::GetCurrentObject(m_hDC, OBJ_PEN));
}
CBrush* CDC::GetCurrentBrush() const {
  return CBrush::FromHandle((HBRUSH)::GetCurrentObject(m_hDC, OBJ_BRUSH));
}
CBitmap* CDC::GetCurrentBitmap() const {
  return CBitmap::FromHandle((HBITMAP)::GetCurrentObject(m_hDC, OBJ_BITMAP));
}

namespace {
thread_local std::vector<DrawnText>* t_TextLog = nullptr;
}  // namespace

void CDC::SetTextLog(std::vector<DrawnText>* log) { t_TextLog = log; }

int CDC::DrawText(const wchar_t* text, int count, LPRECT rc, UINT format) {
  if (t_TextLog && rc && text && !(format & DT_CALCRECT)) {
    const int n = count < 0 ? lstrlenW(text) : count;
    t_TextLog->push_back({std::wstring(text, static_cast<std::size_t>(n)), *rc, format,
                          static_cast<HFONT>(::GetCurrentObject(m_hDC, OBJ_FONT))});
  }
  return ::DrawTextW(m_hDC, text, count, rc, format);
}

BOOL CDC::TextOut(int x, int y, const CString& text) {
  if (t_TextLog) {
    SIZE s{};
    ::GetTextExtentPoint32W(m_hDC, text, text.GetLength(), &s);
    t_TextLog->push_back({std::wstring(text.GetString()), RECT{x, y, x + s.cx, y + s.cy},
                          DT_SINGLELINE | DT_NOCLIP,
                          static_cast<HFONT>(::GetCurrentObject(m_hDC, OBJ_FONT))});
  }
  return ::TextOutW(m_hDC, x, y, text, text.GetLength());
}

CSize CDC::GetTextExtent(const CString& text) const {
  SIZE s{};
  ::GetTextExtentPoint32W(m_hDC, text, text.GetLength(), &s);
  return CSize(s);
}

void CDC::FillSolidRect(LPCRECT rc, COLORREF c) {
  COLORREF old = ::SetBkColor(m_hDC, c);
  ::ExtTextOutW(m_hDC, 0, 0, ETO_OPAQUE, rc, nullptr, 0, nullptr);
  ::SetBkColor(m_hDC, old);
}

void CDC::FillSolidRect(int x, int y, int w, int h, COLORREF c) {
  RECT rc{x, y, x + w, y + h};
  FillSolidRect(&rc, c);
}

CPoint CDC::MoveTo(int x, int y) {
  POINT old{};
  ::MoveToEx(m_hDC, x, y, &old);
  return CPoint(old);
}

BOOL CDC::TransparentBlt(int x, int y, int w, int h, CDC* src, int sx, int sy, int sw, int sh,
                         UINT key) {
  return ::TransparentBlt(m_hDC, x, y, w, h, src->m_hDC, sx, sy, sw, sh, key);
}

CPaintDC::CPaintDC(CWnd* wnd) : m_hWnd(wnd->m_hWnd) {
  Attach(::BeginPaint(m_hWnd, &m_ps));
}

CPaintDC::~CPaintDC() {
  ::EndPaint(m_hWnd, &m_ps);
  Detach();
}

CClientDC::CClientDC(CWnd* wnd) : m_hWnd(wnd ? wnd->m_hWnd : nullptr) {
  Attach(::GetDC(m_hWnd));
}

CClientDC::~CClientDC() {
  ::ReleaseDC(m_hWnd, Detach());
}

CWindowDC::CWindowDC(CWnd* wnd) : m_hWnd(wnd ? wnd->m_hWnd : nullptr) {
  Attach(::GetWindowDC(m_hWnd));
}

CWindowDC::~CWindowDC() {
  ::ReleaseDC(m_hWnd, Detach());
}
