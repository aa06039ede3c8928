#include "kit/jgridtree.h"

#include <algorithm>

#include "grid/grid_layout.h"
#include "port/pace_log.h"
#include "device/helpers.h"
#include "kit/lang.h"
#include "kit/palette.h"

JGridTree* g_pDeviceGrid = nullptr;

namespace {
JGridTree::StripFactory s_stripFactory = nullptr;

enum : UINT { ID_GRID_HEADER = 1, ID_GRID_TREE = 2, ID_GRID_SCROLL = 3, ID_GRID_ROW_BAR = 4 };

GridScrollRequest RequestOf(UINT code) {
  switch (code) {
    case SB_LINELEFT: return GridScrollRequest::LineLeft;
    case SB_LINERIGHT: return GridScrollRequest::LineRight;
    case SB_PAGELEFT: return GridScrollRequest::PageLeft;
    case SB_PAGERIGHT: return GridScrollRequest::PageRight;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: return GridScrollRequest::Thumb;
    case SB_LEFT: return GridScrollRequest::Left;
    case SB_RIGHT: return GridScrollRequest::Right;
    default: return GridScrollRequest::Other;
  }
}
// Moving a window that did not move still costs a round of messages; rows are added one by
// one and lay the grid out each time.
// True when the window moved.
bool MoveIfChanged(CWnd* w, const GridRect& r, BOOL repaint) {
  if (!w || !w->m_hWnd) return false;
  CRect now;
  w->GetWindowRect(&now);
  ::MapWindowPoints(nullptr, ::GetParent(w->m_hWnd), reinterpret_cast<POINT*>(&now), 2);
  if (now == CRect(r.x, r.y, r.x + r.w, r.y + r.h)) return false;
  w->MoveWindow(r.x, r.y, r.w, r.h, repaint);
  return true;
}
}  // namespace

void JGridTree::SetStripFactory(StripFactory factory) { s_stripFactory = factory; }

JGridTree::JGridTree() : JObject(this) {}

JGridTree::~JGridTree() {
  if (g_pDeviceRows == this) g_pDeviceRows = nullptr;
  // Rows and their buttons go first, while the tree window still exists.
  if (m_pTree) m_pTree->DeleteAllRows();
  m_pTree.reset();
  m_pHeader.reset();
  m_pStrip.reset();
}

BOOL JGridTree::Create() {
  if (!m_hWnd) return FALSE;
  CRect client;
  GetClientRect(&client);
  const int W = client.Width(), H = client.Height();

  m_pHeader = std::make_unique<JHeaderCtrl>();
  if (!m_pHeader->Create(WS_CHILD | WS_VISIBLE | HDS_BUTTONS | HDS_HORZ,
                         CRect(0, 0, W, kGridHeaderHeight), this, ID_GRID_HEADER))
    return FALSE;

  m_pTree = std::make_unique<JTreeCtrl>();
  // The tree shows no scroll bar of its own: the grid's row bar stands beside it.
  if (!m_pTree->Create(WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_LINESATROOT |
                           TVS_FULLROWSELECT | TVS_NOHSCROLL | TVS_NOSCROLL,
                       CRect(0, kGridHeaderHeight, W, std::max<int>(H, kGridHeaderHeight)), this,
                       ID_GRID_TREE))
    return FALSE;
  m_pTree->SetRedrawBackHandler([this] {
    if (!m_LayoutDeferred) return;
    m_LayoutDeferred = false;
    UpdateScrollBar();
  });
  m_pTree->SetScrolledHandler([this] { UpdateRowBar(); });
  // The header tells what the rows show: its box is ticked while every row that can be
  // ticked is, and it remembers the order the rows are sorted in, whoever sorted them.
  m_pTree->SetChecksHandler([this] {
    if (m_pHeader && m_pTree) m_pHeader->SetCheckAll(m_pTree->AllChecked());
  });
  m_pTree->SetSortedHandler([this](int cell, bool ascending) {
    if (m_pHeader) m_pHeader->SetSortShown(cell + 1, ascending);
  });
  CToolTipCtrl& tip = m_pTree->GetToolTip();
  if (tip.Create(m_pTree.get())) {
    tip.SetDelayTime(TTDT_AUTOPOP, 30000);
    tip.SetDelayTime(TTDT_INITIAL, 0);
    tip.SetMaxTipWidth(0);
  }
  m_pTree->SetItemHeight(kGridRowHeight);

  if (s_stripFactory) {
    m_pStrip.reset(s_stripFactory(this));
    if (m_pStrip && m_pStrip->m_hWnd) {
      m_pStrip->MoveWindow(0, H - 45, W, 45, TRUE);
      m_pStrip->ShowWindow(SW_SHOW);
    }
  }

  m_ScrollBar.Create(WS_CHILD | SBS_HORZ | SBS_BOTTOMALIGN,
                     CRect(0, H - kGridScrollBarHeight, W, H), this, ID_GRID_SCROLL);
  m_RowBar.Create(WS_CHILD, CRect(W - kGridRowBarWidth, kGridHeaderHeight, W, kGridHeaderHeight + 1),
                  this, ID_GRID_ROW_BAR);
  g_pDeviceRows = this;
  return TRUE;
}

bool JGridTree::SetStatusCell(WPARAM row, COLORREF colour, const CString& text) {
  const RowHandle r = static_cast<RowHandle>(row);
  const int cell = ColumnIndexOf(507);
  if (!m_pTree || !m_pTree->HasRow(r) || cell < 0) return false;
  m_pTree->SetStatusColour(r, colour);
  m_pTree->SetCellText(r, cell, std::wstring(text.GetString()));
  Invalidate(TRUE);
  // The rows are the tree's: invalidating the grid alone would leave them unpainted.
  m_pTree->Invalidate(FALSE);
  return true;
}

bool JGridTree::SetFirmwareCell(WPARAM row, const CString& text) {
  const RowHandle r = static_cast<RowHandle>(row);
  const int cell = ColumnIndexOf(502);
  if (!m_pTree || !m_pTree->HasRow(r) || cell < 0) return false;
  m_pTree->SetCellText(r, cell, std::wstring(text.GetString()));
  return true;
}

bool JGridTree::SetAddressCell(WPARAM row, const CString& text) {
  const RowHandle r = static_cast<RowHandle>(row);
  if (!m_pTree || !m_pTree->HasRow(r)) return false;
  m_pTree->SetCellText(r, 0, std::wstring(text.GetString()));
  return true;
}

void JGridTree::SetColumns(const std::vector<ColumnHeader>& table) {
  if (!m_pHeader || !m_pTree) return;
  while (m_pHeader->GetItemCount() > 0) m_pHeader->DeleteItem(0);
  std::vector<int> widths;
  // Captions are measured in the header's font: a column is at least as wide as its caption.
  CClientDC dc(m_pHeader.get());
  CFont* oldFont = dc.SelectObject(&g_Font);
  // The last entry (Platform) is held by the rows but never shown.
  for (std::size_t i = 0; i + 1 < table.size(); ++i) {
    const int caption = table[i].text.IsEmpty() ? 0 : static_cast<int>(dc.GetTextExtent(table[i].text).cx);
    const int width = GridColumnWidth(table[i].width, caption);
    HDITEMW hd{};
    hd.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
    hd.fmt = HDF_CENTER | HDF_STRING;
    hd.cxy = width;
    hd.pszText = const_cast<wchar_t*>(static_cast<const wchar_t*>(table[i].text));
    m_pHeader->InsertItem((int)i, &hd);
    widths.push_back(width);
  }
  dc.SelectObject(oldFont);
  m_LastColumnMinWidth = widths.empty() ? 0 : widths.back();
  m_pTree->ColumnWidths().Assign(widths);
  m_pTree->FlushRedraw();
  Relayout();
}

int JGridTree::TotalColumnWidth() const {
  if (!m_pHeader || !m_pHeader->m_hWnd) return 0;
  int total = 0;
  const int n = m_pHeader->GetItemCount();
  for (int i = 0; i < n; ++i) {
    HDITEMW hd{};
    hd.mask = HDI_WIDTH;
    if (m_pHeader->GetItem(i, &hd)) total += hd.cxy;
  }
  return total;
}

RowHandle JGridTree::InsertRow(const std::wstring& text, bool markerShown, bool hasCheckBox,
                               RowHandle parent) {
  if (!m_pTree || !m_pTree->m_hWnd) return 0;
  RowHandle row = m_pTree->InsertRow(text, markerShown, hasCheckBox, parent);
  UpdateScrollBar();
  return row;
}

void JGridTree::Relayout() {
  if (!m_pHeader || !m_pHeader->m_hWnd || !m_pTree) return;
  const int n = m_pHeader->GetItemCount();
  if (n == 0) return;
  CRect client;
  GetClientRect(&client);
  HDITEMW hd{};
  hd.mask = HDI_WIDTH;
  m_pHeader->GetItem(n - 1, &hd);
  const int last = GridLastColumnWidth(client.Width(), TotalColumnWidth() - hd.cxy, m_LastColumnMinWidth);
  if (last != hd.cxy) {
    hd.cxy = last;
    m_pHeader->SetItem(n - 1, &hd);
  }
  m_pTree->ColumnWidths().Set((std::size_t)(n - 1), last);
  UpdateScrollBar();
}

void JGridTree::UpdateScrollBar() {
  if (!m_pHeader || !m_pTree || !m_ScrollBar.m_hWnd) return;
  // While rows arrive (the tree's drawing is off) the tree grows and the strip below it
  // moves down by a row for each of them until the view is full: moving and repainting the
  // strip and its controls costs tens of milliseconds each time. The layout waits for the
  // drawing to come back on, which shows the rows of the burst at once.
  if (m_pTree->IsRedrawDeferred()) {
    m_LayoutDeferred = true;
    return;
  }
  CRect client;
  GetClientRect(&client);
  const int W = client.Width(), H = client.Height();
  // Rows beyond what fits below the header do not change the layout.
  const int enough = std::max(0, H) / kGridRowHeight + 2;
  GridLayout g = ComputeGridLayout(W, H, TotalColumnWidth(), m_ScrollBar.GetScrollPos(),
                                   m_pTree->CountShownRows(enough));
  if (g.scrollNeeded) {
    m_ScrollBar.SetScrollRange(0, g.scrollMax, FALSE);
    m_ScrollBar.SetScrollPos(g.scrollPos, TRUE);
  } else {
    m_ScrollBar.SetScrollPos(0, FALSE);
  }
  MoveIfChanged(m_pHeader.get(), g.header, TRUE);
  MoveIfChanged(m_pTree.get(), g.tree, TRUE);
  MoveIfChanged(&m_RowBar, g.rowBar, TRUE);
  if (m_RowBar.m_hWnd && ((m_RowBar.GetStyle() & WS_VISIBLE) != 0) != g.rowBarNeeded)
    m_RowBar.ShowWindow(g.rowBarNeeded ? SW_SHOWNA : SW_HIDE);
  const bool stripMoved = MoveIfChanged(m_pStrip.get(), g.strip, FALSE);
  MoveIfChanged(&m_ScrollBar, g.scrollBar, TRUE);
  if (((m_ScrollBar.GetStyle() & WS_VISIBLE) != 0) != g.scrollNeeded)
    m_ScrollBar.ShowWindow(g.scrollNeeded ? SW_SHOWNA : SW_HIDE);
  // The strip was moved without painting: it is drawn at its new place at once, with the
  // controls on it.
  if (stripMoved && m_pStrip->m_hWnd) {
    port::pace::Scope timed(port::pace::kStep, 0, true, "strip-redraw");
    m_pStrip->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE | RDW_ALLCHILDREN);
  }
  m_pTree->Repaint();
  UpdateRowBar();
}

void JGridTree::UpdateRowBar() {
  if (!m_pTree || !m_pTree->m_hWnd || !m_RowBar.m_hWnd || m_InRowBar || m_pTree->IsRedrawDeferred()) return;
  m_InRowBar = true;
  port::pace::Scope timed(port::pace::kStep, 0, true, "row-bar");
  GridRowScroll s = m_pTree->GetRowScroll();
  const bool shown = (m_RowBar.GetStyle() & WS_VISIBLE) != 0;
  if ((s.rows > s.page) != shown && !m_RowBarRelayout) {
    // Rows came or went past what the view holds: the tree makes room for the bar or takes
    // it back (which calls here again, once).
    m_InRowBar = false;
    m_RowBarRelayout = true;
    UpdateScrollBar();
    m_RowBarRelayout = false;
    return;
  }
  // Rows that went, or a taller view, may leave the view scrolled past the last row.
  if (s.first > s.Last()) {
    m_pTree->ScrollRowsTo(s.Last());
    s = m_pTree->GetRowScroll();
  }
  m_InRowBar = false;
  // The bar is drawn again only when its range or place really changed.
  if (!shown) return;
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMin = 0;
  si.nMax = std::max(0, s.rows - 1);
  si.nPage = static_cast<UINT>(std::max(0, s.page));
  si.nPos = s.first;
  m_RowBar.SetScrollInfo(&si, TRUE);
}

void JGridTree::OnHeaderClick(int column, int flag) {
  if (!m_pTree) return;
  if (column == 0) {
    m_pTree->CheckAll(flag == 1);
    return;
  }
  m_pTree->SetSortedByHeader(true);
  m_pTree->SetHeaderSortColumn(column - 1);
  m_pTree->SortByColumn(column - 1, flag == 1);
  // The user's own sort is shown at once: the next press must find the rows where they are.
  m_pTree->FlushRedraw();
  m_pTree->UpdateWindow();
}

void JGridTree::OnHeaderWidth(int column, int width) {
  if (!m_pTree || column < 0) return;
  m_pTree->ColumnWidths().Set((std::size_t)column, width);
  m_pTree->Invalidate(FALSE);
}

void JGridTree::OnHScroll(UINT code, int thumb) {
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL;
  int track = thumb;
  int maxPos = 0;
  if (m_ScrollBar.GetScrollInfo(&si, SIF_ALL)) {
    track = si.nTrackPos;
    maxPos = si.nMax;
  }
  CRect client;
  GetClientRect(&client);
  const int target =
      GridScrollTarget(RequestOf(code), m_ScrollBar.GetScrollPos(), track, maxPos, client.Width());
  if (target != m_ScrollBar.GetScrollPos()) {
    m_ScrollBar.SetScrollPos(target, TRUE);
    if (m_pTree) m_pTree->FlushRedraw();  // the user's scrolling is shown at once
    UpdateScrollBar();
  }
}

void JGridTree::OnClose() {
  if (g_pDeviceRows == this) g_pDeviceRows = nullptr;
  if (m_pTree && m_pTree->m_hWnd) m_pTree->SendMessage(WM_CLOSE);
  m_pTree.reset();
  m_pHeader.reset();
  m_pStrip.reset();
}

LRESULT JGridTree::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_HEADER_CLICK:
      OnHeaderClick((int)wParam, (int)lParam);
      return 0;
    case WM_HEADER_WIDTH:
      OnHeaderWidth((int)wParam, (int)lParam);
      return 0;
    case WM_GRID_RELAYOUT:
      // The user's doing (a row expanded or collapsed, a column dragged): shown at once.
      if (m_pTree) m_pTree->FlushRedraw();
      Relayout();
      return 0;
    case WM_SIZE: {
      LRESULT r = Default();
      if (m_pTree) m_pTree->FlushRedraw();  // a new size is laid out at once
      if (m_pHeader) Relayout();
      return r;
    }
    case WM_CLOSE:
      OnClose();
      return Default();
    case WM_PAINT: {
      CPaintDC dc(this);  // the children cover the grid: nothing to draw
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_VSCROLL:
      if ((HWND)lParam == m_RowBar.m_hWnd && m_RowBar.m_hWnd && m_pTree) {
        // The position of a drag comes whole from the bar (the message holds 16 bits of it).
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_TRACKPOS;
        const int track = m_RowBar.GetScrollInfo(&si, SIF_TRACKPOS) ? si.nTrackPos : (short)HIWORD(wParam);
        m_pTree->Scroll(LOWORD(wParam), track);
        return 0;
      }
      return CWnd::WindowProc(msg, wParam, lParam);
    case WM_HSCROLL:
      if ((HWND)lParam == m_ScrollBar.m_hWnd && m_ScrollBar.m_hWnd) {
        OnHScroll(LOWORD(wParam), (short)HIWORD(wParam));
        return 0;
      }
      return CWnd::WindowProc(msg, wParam, lParam);
    default:
      return CWnd::WindowProc(msg, wParam, lParam);
  }
}
