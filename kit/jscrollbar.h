// JScrollBar: a vertical scroll bar drawn by the program, for the device grid's rows.
//
// It answers as a scroll bar control does: its owner sets it with SetScrollInfo and gets
// WM_VSCROLL from it (SB_LINEUP / SB_LINEDOWN from the arrows, repeated while held;
// SB_PAGEUP / SB_PAGEDOWN from the track; SB_THUMBTRACK while the thumb is dragged and
// SB_THUMBPOSITION where it is let go, with the whole position in GetScrollInfo's
// nTrackPos; SB_ENDSCROLL at the release), with the bar's handle as lParam.
//
// Its reason to be: Wine draws a scroll bar control slowly (tens of milliseconds a time on
// a busy machine), and the grid's bar changes with every burst of rows while a search runs,
// when the user-interface thread must answer at once. This one fills a few rectangles.
#pragma once
#include <windows.h>

#include "fx/wnd.h"
#include "grid/grid_row_bar.h"

class JScrollBar : public CWnd {
 public:
  static constexpr COLORREF kTrackColour = RGB(0xDC, 0xDC, 0xDC);
  static constexpr COLORREF kThumbColour = RGB(0xA8, 0xA8, 0xA8);
  static constexpr COLORREF kPressedColour = RGB(0x78, 0x78, 0x78);
  static constexpr COLORREF kArrowBack = RGB(0xEA, 0xEA, 0xEA);
  static constexpr COLORREF kArrowColour = RGB(0x60, 0x60, 0x60);
  static constexpr COLORREF kDisabledArrow = RGB(0xB2, 0xB2, 0xB2);
  // Held on an arrow or the track: the first repeat after this, then at the pace below.
  static constexpr UINT kRepeatDelayMs = 400;
  static constexpr UINT kRepeatMs = 50;

  using CWnd::Create;
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

  // The range is nMin..nMax with nMin 0 (the rows of the grid); SIF_RANGE, SIF_PAGE and
  // SIF_POS are taken. Repaints only when something shown changed and `redraw` is TRUE.
  BOOL SetScrollInfo(const SCROLLINFO* si, BOOL redraw = TRUE);
  BOOL GetScrollInfo(SCROLLINFO* si, UINT mask = SIF_ALL) const;
  int GetScrollPos() const { return m_Scroll.first; }
  // The parts as the bar now draws them, in its client area.
  RowBarLayout Layout() const;

  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void OnPaint();
  void Press(int y);
  void Step(RowBarPart part);
  void Repeat();
  void Drag(int y);
  void Release();
  void Notify(UINT code, int pos = 0);

  GridRowScroll m_Scroll;  // first = position, rows = nMax + 1, page
  RowBarPart m_Held = RowBarPart::None;
  int m_TrackPos = 0;
  int m_GrabOffset = 0;  // where in the thumb it was taken
};
