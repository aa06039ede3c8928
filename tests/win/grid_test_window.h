// A real top-level window holding a device grid, for the grid's Windows tests and its
// benchmark, and the process set-up the grid needs (common controls, GDI+, fonts,
// English texts).
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <string>
#include <vector>

#include "device/helpers.h"
#include "fx/fx.h"
#include "kit/jgridtree.h"
#include "kit/lang.h"
#include "kit/palette.h"

namespace gridtest {

inline void InitProcess() {
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&icc);
  static ULONG_PTR token = 0;
  Gdiplus::GdiplusStartupInput in;
  Gdiplus::GdiplusStartup(&token, &in, nullptr);
  CreateSkinFonts();
  SetLanguage(1033);
}

// Handles every message that is waiting, then lets pending paints run.
inline void Pump() {
  for (int round = 0; round < 3; ++round) {
    MSG m;
    while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&m);
      ::DispatchMessageW(&m);
    }
  }
}

// Counts the child windows (at any depth) of a window.
inline BOOL CALLBACK CountOne(HWND, LPARAM p) {
  ++*reinterpret_cast<int*>(p);
  return TRUE;
}
inline int CountChildWindows(HWND parent) {
  int n = 0;
  ::EnumChildWindows(parent, CountOne, reinterpret_cast<LPARAM>(&n));
  return n;
}
inline BOOL CALLBACK CountVisibleOne(HWND h, LPARAM p) {
  if (::GetWindowLongPtrW(h, GWL_STYLE) & WS_VISIBLE) ++*reinterpret_cast<int*>(p);
  return TRUE;
}
inline int CountVisibleChildWindows(HWND parent) {
  int n = 0;
  ::EnumChildWindows(parent, CountVisibleOne, reinterpret_cast<LPARAM>(&n));
  return n;
}

// One frame window for the whole process: under Wine without a window manager, hiding or
// destroying a shown top-level window waits about 2 s for the X server.
inline CWnd& SharedFrame() {
  static CWnd* frame = [] {
    auto* f = new CWnd;
    f->CreateEx(0, AfxRegisterWndClass(0), L"Device grid", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                CRect(20, 20, 1220, 820), nullptr, 0);
    return f;
  }();
  return *frame;
}

class GridWindow {
 public:
  // The frame's client area made w x h and filled by a grid with the columns of one layout.
  GridWindow(int w, int h, bool withCameraName) : frame(SharedFrame()) {
    g_ShowCameraName = withCameraName;
    RECT r{0, 0, w, h};
    ::AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, FALSE, 0);
    frame.SetWindowPos(nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    CRect c;
    frame.GetClientRect(&c);
    grid.Create(nullptr, L"", WS_CHILD | WS_VISIBLE, c, &frame, 100);
    grid.Create();
    grid.SetColumns(withCameraName ? g_ColumnHeadersWithName : g_ColumnHeaders);
    tree().SetChildRowsEnabled(withCameraName);
    g_pDeviceGrid = &grid;
    Pump();
  }
  ~GridWindow() {
    if (g_pDeviceGrid == &grid) g_pDeviceGrid = nullptr;
    if (grid.m_hWnd) grid.SendMessage(WM_CLOSE);
    Pump();
  }

  JTreeCtrl& tree() { return *grid.GetTree(); }
  JHeaderCtrl& header() { return *grid.GetHeader(); }

  // A device row with its cells (cells[0] is the IP address).
  RowHandle AddDevice(const std::vector<std::wstring>& cells) {
    RowHandle r = grid.InsertRow(cells.empty() ? L"" : cells[0], true, true);
    for (std::size_t i = 1; i < cells.size(); ++i) tree().SetCellText(r, (int)i, cells[i]);
    return r;
  }
  RowHandle AddChannel(RowHandle device, const std::wstring& text) {
    return grid.InsertRow(text, true, false, device);
  }

  // The rows under `parent` in the order the tree window itself holds them.
  std::vector<RowHandle> TreeOrder(RowHandle parent = kRootRow) {
    std::vector<RowHandle> out;
    HTREEITEM first = parent == kRootRow ? tree().GetRootItem()
                                         : tree().GetChildItem(JTreeCtrl::ItemOf(parent));
    for (HTREEITEM it = first; it; it = tree().GetNextSiblingItem(it))
      out.push_back(JTreeCtrl::RowOf(it));
    return out;
  }

  // Paints the tree now, its rows with their buttons.
  void Paint() {
    Pump();
    tree().FlushRedraw();
    tree().RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Pump();
  }

  // Sends a mouse press and release to a window at a client point.
  static void Click(CWnd& w, int x, int y) {
    w.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    w.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    w.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    Pump();
  }

  // A press and release on a row's button, at its centre, as the user makes it.
  void PressPart(RowHandle row, JTreeCtrl::RowPart part) {
    const CPoint at = tree().GetPartRect(row, part).CenterPoint();
    Click(tree(), at.x, at.y);
  }
  bool Shows(RowHandle row, JTreeCtrl::RowPart part) { return !tree().GetPartRect(row, part).IsRectEmpty(); }
  // The pixels of a rectangle of a window as the screen shows it, row by row.
  static std::vector<COLORREF> PixelsIn(CWnd& w, const CRect& at) {
    std::vector<COLORREF> px;
    HDC dc = ::GetDC(w.m_hWnd);
    for (int y = at.top; y < at.bottom; ++y)
      for (int x = at.left; x < at.right; ++x) px.push_back(::GetPixel(dc, x, y));
    ::ReleaseDC(w.m_hWnd, dc);
    return px;
  }
  // The pixels of a row's button as the screen shows it, row by row (empty when not shown).
  std::vector<COLORREF> PartPixels(RowHandle row, JTreeCtrl::RowPart part) {
    return PixelsIn(tree(), tree().GetPartRect(row, part));
  }
  // Where the buttons of the row in the nth place from the top of the tree are drawn.
  static CRect PartInPlace(int place, JTreeCtrl::RowPart part) {
    const int top = place * JTreeCtrl::kRowHeight;
    switch (part) {
      case JTreeCtrl::RowPart::CheckBox: return CRect(25, top + 3, 39, top + 17);
      case JTreeCtrl::RowPart::Marker: return CRect(58, top + 3, 72, top + 17);
      case JTreeCtrl::RowPart::Link: return CRect(81, top + 1, 185, top + 20);
      default: return CRect(0, 0, 0, 0);
    }
  }
  // Whether a row's button shows that colour anywhere.
  bool PartShowsColour(RowHandle row, JTreeCtrl::RowPart part, COLORREF colour) {
    const std::vector<COLORREF> px = PartPixels(row, part);
    return std::find(px.begin(), px.end(), colour) != px.end();
  }

  CWnd& frame;
  JGridTree grid;
};

}  // namespace gridtest
