// Small geometry helpers: CPoint, CSize and CRect over the Win32 structures.
#pragma once
#include <windows.h>

class CPoint : public POINT {
 public:
  CPoint() { x = 0; y = 0; }
  CPoint(int ax, int ay) { x = ax; y = ay; }
  CPoint(POINT p) { x = p.x; y = p.y; }
  explicit CPoint(LPARAM lp) { x = (short)LOWORD(lp); y = (short)HIWORD(lp); }
  bool operator==(const POINT& o) const { return x == o.x && y == o.y; }
  bool operator!=(const POINT& o) const { return !(*this == o); }
};

class CSize : public SIZE {
 public:
  CSize() { cx = 0; cy = 0; }
  CSize(int w, int h) { cx = w; cy = h; }
  CSize(SIZE s) { cx = s.cx; cy = s.cy; }
  bool operator==(const SIZE& o) const { return cx == o.cx && cy == o.cy; }
};

class CRect : public RECT {
 public:
  CRect() { left = top = right = bottom = 0; }
  CRect(int l, int t, int r, int b) { left = l; top = t; right = r; bottom = b; }
  CRect(const RECT& r) { left = r.left; top = r.top; right = r.right; bottom = r.bottom; }
  CRect(const RECT* r) { *this = *r; }
  CRect(POINT p, SIZE s) { left = p.x; top = p.y; right = p.x + s.cx; bottom = p.y + s.cy; }
  CRect& operator=(const RECT& r) {
    left = r.left; top = r.top; right = r.right; bottom = r.bottom;
    return *this;
  }

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  CSize Size() const { return CSize(Width(), Height()); }
  CPoint TopLeft() const { return CPoint(left, top); }
  CPoint BottomRight() const { return CPoint(right, bottom); }
  CPoint CenterPoint() const { return CPoint((left + right) / 2, (top + bottom) / 2); }
  bool IsRectEmpty() const { return right <= left || bottom <= top; }
  bool IsRectNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
  bool PtInRect(POINT p) const { return ::PtInRect(this, p) != FALSE; }
  void SetRect(int l, int t, int r, int b) { left = l; top = t; right = r; bottom = b; }
  void SetRectEmpty() { left = top = right = bottom = 0; }
  void OffsetRect(int dx, int dy) { ::OffsetRect(this, dx, dy); }
  void OffsetRect(POINT p) { ::OffsetRect(this, p.x, p.y); }
  void MoveToXY(int x, int y) { right += x - left; bottom += y - top; left = x; top = y; }
  void MoveToX(int x) { right += x - left; left = x; }
  void MoveToY(int y) { bottom += y - top; top = y; }
  void InflateRect(int dx, int dy) { ::InflateRect(this, dx, dy); }
  void InflateRect(int l, int t, int r, int b) { left -= l; top -= t; right += r; bottom += b; }
  void DeflateRect(int dx, int dy) { ::InflateRect(this, -dx, -dy); }
  void DeflateRect(int l, int t, int r, int b) { left += l; top += t; right -= r; bottom -= b; }
  void NormalizeRect() {
    if (left > right) { LONG t = left; left = right; right = t; }
    if (top > bottom) { LONG t = top; top = bottom; bottom = t; }
  }
  bool operator==(const RECT& o) const { return ::EqualRect(this, &o) != FALSE; }
  bool operator!=(const RECT& o) const { return !(*this == o); }
  operator LPRECT() { return this; }
  operator LPCRECT() const { return this; }
};
