#include "kit/jtreectrl.h"

#include <algorithm>
#include <chrono>
#include <unordered_map>

#include "port/pace_log.h"

#include "grid/grid_selection.h"
#include "fx/app.h"
#include "kit/jbutton_look.h"
#include "kit/palette.h"
#include "kit/png_cache.h"

namespace {

constexpr COLORREF kTextColour = RGB(0x44, 0x44, 0x44);
constexpr COLORREF kBlockedText = RGB(0xB2, 0xB2, 0xB2);

// Where a row's buttons sit, relative to the row's top.
constexpr RECT kCheckBoxAt = {25, 3, 39, 17};
constexpr RECT kMarkerAt = {58, 3, 72, 17};
constexpr RECT kLinkAt = {81, 1, 185, 20};

CRect At(const RECT& r, int top) { return CRect(r.left, top + r.top, r.right, top + r.bottom); }

// The state images of the buttons: normal, hover, pressed (or checked), disabled.
constexpr UINT kCheckImages[4] = {PNG_CHECK_OFF, PNG_CHECK_OFF, PNG_CHECK_ON, PNG_CHECK_DISABLED};
constexpr UINT kMarkerImages[4] = {PNG_MARKER, PNG_MARKER_HOT, PNG_MARKER_HOT, PNG_MARKER};

int CALLBACK CompareByRank(LPARAM a, LPARAM b, LPARAM ranks) {
  const auto& r = *reinterpret_cast<const std::unordered_map<LPARAM, int>*>(ranks);
  auto ia = r.find(a), ib = r.find(b);
  int ra = ia == r.end() ? 0 : ia->second, rb = ib == r.end() ? 0 : ib->second;
  return ra < rb ? -1 : (ra > rb ? 1 : 0);
}

}  // namespace

JTreeCtrl::JTreeCtrl() : JObject(this) {}

JTreeCtrl::~JTreeCtrl() = default;

// Where a button of a row whose top is at `top` is drawn; empty when the row shows none.
CRect JTreeCtrl::PartRectOf(const RowData& d, int top, RowPart part) {
  switch (part) {
    case RowPart::CheckBox: return d.hasCheckBox ? At(kCheckBoxAt, top) : CRect(0, 0, 0, 0);
    case RowPart::Marker: return d.markerShown ? At(kMarkerAt, top) : CRect(0, 0, 0, 0);
    case RowPart::Link: return d.hasCheckBox ? At(kLinkAt, top) : CRect(0, 0, 0, 0);
    default: return CRect(0, 0, 0, 0);
  }
}

const JTreeCtrl::PaintedRow* JTreeCtrl::PaintedRowAt(int y) const {
  for (const PaintedRow& r : m_Painted)
    if (y >= r.top && y < r.bottom) return &r;
  return nullptr;
}

const JTreeCtrl::PaintedRow* JTreeCtrl::PaintedRowOf(RowHandle row) const {
  for (const PaintedRow& r : m_Painted)
    if (r.row == row) return &r;
  return nullptr;
}

void JTreeCtrl::NotePainted(const std::vector<ShownRow>& rows, int top, int bottom) {
  m_Painted.erase(std::remove_if(m_Painted.begin(), m_Painted.end(),
                                 [&](const PaintedRow& r) { return r.bottom > top && r.top < bottom; }),
                  m_Painted.end());
  for (const ShownRow& r : rows)
    if (r.rc.bottom > top && r.rc.top < bottom) m_Painted.push_back({RowOf(r.item), r.rc.top, r.rc.bottom});
  std::sort(m_Painted.begin(), m_Painted.end(), [](const PaintedRow& a, const PaintedRow& b) { return a.top < b.top; });
}

CRect JTreeCtrl::GetPartRect(RowHandle row, RowPart part) const {
  const PaintedRow* at = m_hWnd && part != RowPart::None ? PaintedRowOf(row) : nullptr;
  std::optional<RowData> data = at ? m_Rows.GetRow(row) : std::nullopt;
  if (!data) return CRect(0, 0, 0, 0);
  return PartRectOf(*data, at->top, part);
}

JTreeCtrl::PartRef JTreeCtrl::PartAt(CPoint point) const {
  const PaintedRow* at = m_hWnd ? PaintedRowAt(point.y) : nullptr;
  std::optional<RowData> data = at ? m_Rows.GetRow(at->row) : std::nullopt;
  if (!data) return {};
  for (RowPart part : {RowPart::CheckBox, RowPart::Marker, RowPart::Link})
    if (PartRectOf(*data, at->top, part).PtInRect(point)) return {at->row, part};
  return {};
}

bool JTreeCtrl::TreePointOf(CPoint point, CPoint* moved) {
  *moved = point;
  const PaintedRow* at = PaintedRowAt(point.y);
  if (!at) {
    UINT flags = 0;
    return HitTest(point, &flags) == nullptr;
  }
  CRect now, client;
  if (!GetItemRect(ItemOf(at->row), &now, FALSE)) return false;
  GetClientRect(&client);
  moved->y = now.top + (point.y - at->top);
  return moved->y >= client.top && moved->y < client.bottom;
}

bool JTreeCtrl::PartEnabled(const PartRef& p) const {
  std::optional<RowData> d = m_Rows.GetRow(p.row);
  if (!d) return false;
  switch (p.part) {
    case RowPart::CheckBox: return d->hasCheckBox && d->checkBoxEnabled;
    case RowPart::Marker: return d->markerShown && !d->blocked;
    case RowPart::Link: return d->hasCheckBox && !d->blocked;
    default: return false;
  }
}

void JTreeCtrl::RepaintPart(const PartRef& p) {
  // Also while the drawing is off: the button is painted over the row as the screen shows it.
  if (!m_hWnd || p.part == RowPart::None) return;
  CRect rc = GetPartRect(p.row, p.part);
  if (!rc.IsRectEmpty()) InvalidateRect(&rc, FALSE);
}

void JTreeCtrl::SetHotPart(const PartRef& p) {
  if (p == m_Hot) return;
  const PartRef old = m_Hot;
  m_Hot = p;
  RepaintPart(old);
  RepaintPart(m_Hot);
  if (m_Hot.part != RowPart::None) {
    // Told when the mouse leaves the tree, so that no button keeps its hover look.
    TRACKMOUSEEVENT tme{};
    tme.cbSize = sizeof tme;
    tme.dwFlags = TME_LEAVE;
    tme.hwndTrack = m_hWnd;
    ::TrackMouseEvent(&tme);
  }
  UpdateMarkerTip();
}

void JTreeCtrl::UpdateHotPart() {
  // After a scroll or a paint the mouse may rest on another row than it came to.
  POINT screen;
  if (!m_hWnd || !::GetCursorPos(&screen)) return;
  POINT at = screen;
  ScreenToClient(&at);
  SetHotPart(::WindowFromPoint(screen) == m_hWnd ? PartAt(at) : PartRef{});
}

void JTreeCtrl::PressPart(const PartRef& p) {
  // A disabled button takes no press; an enabled one acts at once, as the skinned buttons do.
  if (!PartEnabled(p)) return;
  m_Pressed = p;
  SetCapture();
  RepaintPart(p);
  if (p.part == RowPart::CheckBox) {
    ToggleRow(p.row);
  } else if (p.part == RowPart::Link) {
    std::optional<std::wstring> ip = m_Rows.GetCell(p.row, 0);
    if (ip && !ip->empty() && m_LinkHandler) m_LinkHandler(*ip);
  }
}

void JTreeCtrl::ReleasePart() {
  if (m_Pressed.part == RowPart::None) return;
  const PartRef was = m_Pressed;
  m_Pressed = {};
  if (::GetCapture() == m_hWnd) ::ReleaseCapture();
  RepaintPart(was);
}

std::vector<JTreeCtrl::ShownRow> JTreeCtrl::RowsInView() {
  std::vector<ShownRow> rows;
  if (!m_hWnd) return rows;
  CRect client;
  GetClientRect(&client);
  for (HTREEITEM it = GetFirstVisibleItem(); it; it = GetNextVisibleItem(it)) {
    CRect rc;
    if (!GetItemRect(it, &rc, FALSE) || rc.top >= client.bottom) break;
    std::optional<RowData> row = m_Rows.GetRow(RowOf(it));
    if (row) rows.push_back({it, rc, std::move(*row)});
  }
  return rows;
}

RowHandle JTreeCtrl::InsertRow(const std::wstring& text, bool markerShown, bool hasCheckBox,
                               RowHandle parent) {
  if (!m_hWnd) return 0;
  if (parent != kRootRow && !m_Rows.Contains(parent)) return 0;
  TVINSERTSTRUCTW ins{};
  ins.hParent = parent == kRootRow ? TVI_ROOT : ItemOf(parent);
  ins.hInsertAfter = TVI_LAST;
  ins.item.mask = TVIF_TEXT;
  ins.item.pszText = const_cast<wchar_t*>(text.c_str());
  if (hasCheckBox) {
    ins.item.mask |= TVIF_STATE;
    ins.item.state = INDEXTOSTATEIMAGEMASK(kStateUnticked);
    ins.item.stateMask = TVIS_STATEIMAGEMASK;
  }
  DeferRedraw();
  HTREEITEM item = InsertItem(&ins);
  if (!item) return 0;
  SetItemData(item, reinterpret_cast<DWORD_PTR>(item));
  const RowHandle row = RowOf(item);
  if (!m_Rows.Insert(row, parent, text, markerShown, hasCheckBox)) {
    DeleteItem(item);
    return 0;
  }
  ChecksChanged();
  return row;
}

void JTreeCtrl::DeferRedraw() {
  // The tree control updates its scroll bar and repaints for every item inserted or moved,
  // which costs milliseconds per row, and turning its drawing back on costs as much again.
  // Rows come in bursts (a search's answers, one every few milliseconds), so the drawing
  // is switched off for the burst and on again a while after its first row: the rows reach
  // the screen several times a second while they arrive, and at once when they stop.
  if (m_RedrawDeferred || !m_hWnd) return;
  // Without its timer the drawing would never come back on by itself: then it stays on.
  if (!::SetTimer(m_hWnd, kRedrawTimer, m_RedrawPace, nullptr)) return;
  SendMessage(WM_SETREDRAW, FALSE);
  m_RedrawDeferred = true;
}

void JTreeCtrl::FlushRedraw() {
  if (!m_RedrawDeferred || !m_hWnd) return;
  m_RedrawDeferred = false;
  ::KillTimer(m_hWnd, kRedrawTimer);
  // What waits to be painted besides what turning the drawing on invalidates, and where
  // the tree stands before its grid lays itself out.
  HRGN pending = ::CreateRectRgn(0, 0, 0, 0);
  const bool hadPending = pending && ::GetUpdateRgn(m_hWnd, pending, FALSE) > NULLREGION;
  CRect placed;
  GetWindowRect(&placed);
  {
    port::pace::Scope timed(port::pace::kStep, 0, true, "setredraw-on");
    SendMessage(WM_SETREDRAW, TRUE);
  }
  {
    port::pace::Scope timed(port::pace::kStep, 0, true, "redraw-back");
    if (m_RedrawBack) m_RedrawBack();
  }
  CRect now;
  GetWindowRect(&now);
  // Rows that came below the view change nothing on the screen: a paint would draw the
  // same pixels again (under Wine about 10 ms for a full view, which the next answer of a
  // search waits for).
  if (now == placed && ViewAsDrawn(RowsInView())) {
    ::ValidateRect(m_hWnd, nullptr);
    if (hadPending) ::InvalidateRgn(m_hWnd, pending, FALSE);
  } else {
    Invalidate(FALSE);
  }
  if (pending) ::DeleteObject(pending);
}

bool JTreeCtrl::ViewAsDrawn(const std::vector<ShownRow>& rows) const {
  if (!m_DrawnKnown || rows.size() != m_Drawn.size()) return false;
  CRect client;
  GetClientRect(&client);
  if (client != m_DrawnClient || GetSelectedItem() != m_DrawnCaret || m_ColumnWidths.All() != m_DrawnWidths ||
      m_ChildRowsEnabled != m_DrawnChildRows)
    return false;
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (rows[i].item != m_Drawn[i].item || rows[i].rc != m_Drawn[i].rc || rows[i].data != m_Drawn[i].data)
      return false;
  return true;
}

void JTreeCtrl::Repaint() {
  // While the drawing is off, turning it on repaints everything anyway.
  if (m_hWnd && !m_RedrawDeferred) Invalidate(FALSE);
}

void JTreeCtrl::RepaintRow(RowHandle row) {
  if (!m_hWnd || m_RedrawDeferred) return;
  CRect rc;
  if (GetItemRect(ItemOf(row), &rc, FALSE)) InvalidateRect(&rc, FALSE);
}

void JTreeCtrl::ShowRow(RowHandle row) {
  if (!m_hWnd || !m_Rows.Contains(row)) return;
  // Selecting and scrolling need the tree's own idea of where its items are.
  FlushRedraw();
  SelectItem(ItemOf(row));
  EnsureVisible(ItemOf(row));
}

void JTreeCtrl::ForgetHandles(const std::vector<RowHandle>& rows) {
  for (RowHandle r : rows) {
    if (ItemOf(r) == m_LastCaret) m_LastCaret = nullptr;
    if (ItemOf(r) == m_PaintedFirst) m_PaintedFirst = nullptr;
    // The screen may show the row a moment longer; a press there does nothing.
    m_Painted.erase(std::remove_if(m_Painted.begin(), m_Painted.end(), [r](const PaintedRow& p) { return p.row == r; }),
                    m_Painted.end());
    if (r == m_StatusTipRow) UpdateStatusTip(CPoint(-1, -1));
    if (r == m_Pressed.row) ReleasePart();
    if (r == m_Hot.row) SetHotPart({});
  }
}

void JTreeCtrl::DeleteRow(RowHandle row) {
  std::vector<RowHandle> removed = m_Rows.Erase(row);
  if (removed.empty()) return;
  ForgetHandles(removed);
  // The tree moves the caret off a deleted item; that is no selection by the user.
  m_Deleting = true;
  DeleteItem(ItemOf(row));
  m_Deleting = false;
  ChecksChanged();
}

void JTreeCtrl::DeleteAllRows() {
  m_Deleting = true;
  if (m_hWnd) DeleteAllItems();
  m_Deleting = false;
  std::vector<RowHandle> removed = m_Rows.Clear();
  m_Painted.clear();
  ForgetHandles(removed);
  ChecksChanged();
  // A new search's first rows come at the first pace again.
  m_RedrawPace = kRedrawPaceMs;
  m_WheelRemainder = 0;
  m_LastCaret = nullptr;
  m_ColumnWidths.Clear();
  m_SortColumn = 0;
}

void JTreeCtrl::SetCellText(RowHandle row, int index, const std::wstring& text) {
  if (index >= 0 && m_Rows.GetCell(row, index) == text) return;
  std::optional<std::wstring> cell0 = m_Rows.SetCellText(row, index, text);
  if (!cell0) return;
  RepaintRow(row);
  if (index == 0 && m_hWnd) SetItemText(ItemOf(row), text.c_str());
}

void JTreeCtrl::SortByColumn(int index, bool ascending) {
  m_SortColumn = index;
  const int used = m_SortedByHeader ? m_HeaderSortColumn : index;
  auto orders = m_Rows.SortAll(used, ascending);
  if (m_Sorted) m_Sorted(used, ascending);
  if (!m_hWnd || orders.empty()) return;
  // Rows that move during a burst are drawn where they belong with the burst's next paint.
  DeferRedraw();
  std::unordered_map<LPARAM, int> ranks;
  for (const auto& o : orders) {
    ranks.clear();
    for (std::size_t i = 0; i < o.second.size(); ++i)
      ranks[static_cast<LPARAM>(o.second[i])] = static_cast<int>(i);
    TVSORTCB sort{};
    sort.hParent = o.first == kRootRow ? TVI_ROOT : ItemOf(o.first);
    sort.lpfnCompare = CompareByRank;
    sort.lParam = reinterpret_cast<LPARAM>(&ranks);
    SortChildrenCB(&sort);
  }
}

void JTreeCtrl::RedrawCheckBox(RowHandle row) {
  RepaintPart({row, RowPart::CheckBox});
  std::optional<RowData> d = m_Rows.GetRow(row);
  if (m_hWnd && d && d->hasCheckBox)
    SetItemState(ItemOf(row), INDEXTOSTATEIMAGEMASK(d->checked ? kStateTicked : kStateUnticked), TVIS_STATEIMAGEMASK);
}

void JTreeCtrl::ChecksChanged() {
  if (m_ChecksChanged) m_ChecksChanged();
}

void JTreeCtrl::CheckAll(bool checked) {
  for (RowHandle r : m_Rows.CheckAll(checked)) RedrawCheckBox(r);
  ChecksChanged();
}

void JTreeCtrl::SetChecked(RowHandle row, bool checked) {
  if (!m_Rows.SetChecked(row, checked)) return;
  RedrawCheckBox(row);
  ChecksChanged();
}

void JTreeCtrl::SetCheckBoxEnabled(RowHandle row, bool enabled) {
  if (!m_Rows.SetCheckBoxEnabled(row, enabled)) return;
  RedrawCheckBox(row);
  ChecksChanged();
}

void JTreeCtrl::ToggleRow(RowHandle row) {
  if (!m_Rows.ToggleChecked(row)) return;
  RedrawCheckBox(row);
  ChecksChanged();
}

void JTreeCtrl::SetBlocked(RowHandle row, bool blocked) {
  if (!m_Rows.SetBlocked(row, blocked)) return;
  Repaint();
}

void JTreeCtrl::SetStatusColour(RowHandle row, COLORREF colour) {
  if (m_Rows.SetStatusColour(row, colour)) Repaint();
}

void JTreeCtrl::SetMarkerTip(RowHandle row, const std::wstring& text) {
  if (m_Rows.SetMarkerTip(row, text) && row == m_Hot.row) UpdateMarkerTip();
}

int JTreeCtrl::WalkShownRows(int limit, HTREEITEM find, int* found) const {
  // Depth first in display order; stops once `limit` rows are counted (the layout only
  // needs to know whether the rows fill the room it has).
  int n = 0;
  std::vector<RowHandle> stack = m_Rows.Children(kRootRow);
  std::reverse(stack.begin(), stack.end());
  while (!stack.empty() && n < limit) {
    const RowHandle r = stack.back();
    stack.pop_back();
    if (found && ItemOf(r) == find) *found = n;
    ++n;
    std::vector<RowHandle> c = m_Rows.Children(r);
    if (!c.empty() && m_hWnd && (GetItemState(ItemOf(r), TVIS_EXPANDED) & TVIS_EXPANDED))
      stack.insert(stack.end(), c.rbegin(), c.rend());
  }
  return n;
}

int JTreeCtrl::CountShownRows(int limit) const { return WalkShownRows(limit, nullptr, nullptr); }

GridRowScroll JTreeCtrl::RowScrollNow() const {
  GridRowScroll s;
  if (!m_hWnd) return s;
  const HTREEITEM first = GetFirstVisibleItem();
  s.page = static_cast<int>(GetVisibleCount());
  s.rows = WalkShownRows(INT_MAX, first, &s.first);
  return s;
}

GridRowScroll JTreeCtrl::GetRowScroll() const {
  if (m_hWnd) {
    m_ToldFirst = GetFirstVisibleItem();
    m_ToldCount = GetCount();
  }
  return RowScrollNow();
}

void JTreeCtrl::ScrollRowsTo(int first) {
  if (!m_hWnd) return;
  // The user's scrolling is shown at once, over the rows as they are now.
  FlushRedraw();
  HTREEITEM item = GetRootItem();
  for (int i = 0; item && i < first; ++i) {
    HTREEITEM next = GetNextVisibleItem(item);
    if (!next) break;
    item = next;
  }
  if (item && item != GetFirstVisibleItem()) {
    // The tree keeps its last row at the bottom of the view: it may stop short of `item`.
    SelectSetFirstVisible(item);
    RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  }
  UpdateHotPart();
  NoteScroll();
}

void JTreeCtrl::ScrollIntoView(HTREEITEM item) {
  // The tree itself brings a row above the view down into it, but with no scroll bar of its
  // own never scrolls down to one below.
  if (!m_hWnd || !item) return;
  int at = -1;
  WalkShownRows(INT_MAX, item, &at);
  const GridRowScroll s = RowScrollNow();
  if (at >= 0 && s.page > 0 && at >= s.first + s.page) ScrollRowsTo(at - s.page + 1);
}

void JTreeCtrl::Scroll(UINT code, int thumbPos) {
  GridRowRequest req = GridRowRequest::Other;
  switch (code) {
    case SB_LINEUP: req = GridRowRequest::LineUp; break;
    case SB_LINEDOWN: req = GridRowRequest::LineDown; break;
    case SB_PAGEUP: req = GridRowRequest::PageUp; break;
    case SB_PAGEDOWN: req = GridRowRequest::PageDown; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: req = GridRowRequest::Thumb; break;
    case SB_TOP: req = GridRowRequest::Top; break;
    case SB_BOTTOM: req = GridRowRequest::Bottom; break;
    default: return;
  }
  FlushRedraw();
  ScrollRowsTo(GridRowScrollTarget(req, RowScrollNow(), thumbPos));
}

void JTreeCtrl::OnWheel(WPARAM wParam) {
  FlushRedraw();
  UINT lines = 3;
  ::SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
  const GridRowScroll s = RowScrollNow();
  const int perNotch = lines == WHEEL_PAGESCROLL ? std::max(1, s.page) : static_cast<int>(std::min<UINT>(lines, 1000));
  const int rows = GridWheelRows(GET_WHEEL_DELTA_WPARAM(wParam), perNotch, &m_WheelRemainder);
  if (rows) ScrollRowsTo(std::clamp(s.first + rows, 0, s.Last()));
}

void JTreeCtrl::NoteScroll() {
  if (!m_hWnd || !m_Scrolled || m_RedrawDeferred) return;
  if (GetFirstVisibleItem() == m_ToldFirst && GetCount() == m_ToldCount) return;
  // The handler asks GetRowScroll, which notes what it was told.
  m_Scrolled();
}

void JTreeCtrl::DrawSkin(CDC* dc) {
  if (!m_GridPen.GetSafeHandle()) m_GridPen.CreatePen(PS_SOLID, 1, RGB(0x85, 0x85, 0x85));
  dc->SelectObject(&m_GridPen);
  dc->SetTextColor(kTextColour);
  CRect client;
  GetClientRect(&client);
  dc->FillSolidRect(&client, kBackColour);
}

void JTreeCtrl::DrawRow(CDC* dc, HTREEITEM item, const CRect& rc, const RowData& row, bool caret) {
  const COLORREF savedText = dc->GetTextColor();
  bool hasChildren = false, expanded = false;
  if (m_ChildRowsEnabled) {
    hasChildren = GetChildItem(item) != nullptr;
    expanded = (GetItemState(item, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
  }
  if (caret) dc->FillSolidRect(rc.left, rc.top + 1, rc.Width(), rc.Height() - 1, kCaretColour);
  if (row.blocked) dc->SetTextColor(kBlockedText);
  if (hasChildren) {
    CRect box(7, rc.top + 5, 16, rc.top + 14);
    DrawPng(dc, expanded ? PNG_ROW_EXPANDED : PNG_ROW_COLLAPSED, &box);
  }

  const auto& widths = m_ColumnWidths.All();
  int x = 0;
  for (std::size_t i = 0; i < widths.size(); ++i) {
    const int left = x;
    x += widths[i];
    CRect cell(left, rc.top, std::min<int>(x, rc.right), rc.bottom);
    if (i + 1 == widths.size()) dc->SetTextColor(row.statusColour);
    if (i >= 1 && i - 1 < row.cells.size() && cell.right > cell.left) {
      const std::wstring& t = row.cells[i - 1];
      dc->DrawText(t.c_str(), (int)t.size(), &cell,
                   DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    }
    dc->MoveTo(x, rc.top);
    dc->LineTo(x, rc.bottom);
  }
  dc->MoveTo(0, rc.bottom - 1);
  dc->LineTo(rc.right, rc.bottom - 1);
  dc->SetTextColor(savedText);
}

void JTreeCtrl::DrawParts(CDC* dc, RowHandle row, const CRect& rc, const RowData& d, bool caret) {
  const COLORREF back = caret ? kCaretColour : kBackColour;
  auto look = [&](RowPart part, bool disabled, bool checked) {
    const bool pressed = m_Pressed == PartRef{row, part};
    const bool hover = m_Hot == PartRef{row, part};
    return jbutton::ChooseLook(disabled, pressed, checked, hover, jbutton::kDefaultPressedText);
  };
  if (d.hasCheckBox) {
    const CRect at = PartRectOf(d, rc.top, RowPart::CheckBox);
    dc->FillSolidRect(&at, back);
    DrawPng(dc, kCheckImages[look(RowPart::CheckBox, !d.checkBoxEnabled, d.checked).image], &at);
  }
  if (d.markerShown) {
    const CRect at = PartRectOf(d, rc.top, RowPart::Marker);
    dc->FillSolidRect(&at, back);
    DrawPng(dc, kMarkerImages[look(RowPart::Marker, d.blocked, false).image], &at);
  }
  if (d.hasCheckBox) {
    // The link is its caption alone, cell 0, centred on one line.
    CRect at = PartRectOf(d, rc.top, RowPart::Link);
    dc->FillSolidRect(&at, back);
    const COLORREF saved = dc->GetTextColor();
    dc->SetTextColor(look(RowPart::Link, d.blocked, false).textColour);
    const std::wstring caption = d.cells.empty() ? std::wstring() : d.cells[0];
    dc->DrawText(caption.c_str(), (int)caption.size(), &at, DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX);
    dc->SetTextColor(saved);
  }
}

void JTreeCtrl::OnPaint() {
  // While rows arrive the tree's own idea of its items lags behind; the whole tree is
  // painted when its drawing comes back on. Meanwhile the screen keeps the rows as they
  // were, and only their buttons are painted anew.
  if (m_RedrawDeferred) {
    CPaintDC paint(this);
    PaintPartsOnly(paint);
    return;
  }
  CRect client;
  GetClientRect(&client);
  // A paint covers whole rows across the width, so that each row on the screen is one
  // that a paint drew entire. When the tree has scrolled (it moves what the screen shows
  // without a paint) everything is painted.
  port::pace::Scope timed(port::pace::kStep, 0, true, "tree-paint");
  const HTREEITEM first = GetFirstVisibleItem();
  const std::vector<ShownRow> rows = RowsInView();
  CRect band;
  if (first != m_PaintedFirst || !::GetUpdateRect(m_hWnd, &band, FALSE)) band = client;
  for (const ShownRow& r : rows) {
    if (r.rc.bottom <= band.top || r.rc.top >= band.bottom) continue;
    band.top = std::min<int>(band.top, r.rc.top);
    band.bottom = std::max<int>(band.bottom, r.rc.bottom);
  }
  band.left = client.left;
  band.right = client.right;
  InvalidateRect(&band, FALSE);

  CPaintDC paint(this);
  CDC* mem = PrepareMemDC();
  if (!mem) return;
  // Every row in view that the paint reaches is drawn, so the row that held the caret
  // before loses its highlight; the copy to the screen is clipped to what is painted.
  const CRect& dirty = reinterpret_cast<const CRect&>(paint.m_ps.rcPaint);
  const HTREEITEM caret = GetSelectedItem();
  for (const ShownRow& r : rows) {
    if (r.rc.bottom <= dirty.top || r.rc.top >= dirty.bottom) continue;
    DrawRow(mem, r.item, r.rc, r.data, r.item == caret);
    DrawParts(mem, RowOf(r.item), r.rc, r.data, r.item == caret);
  }
  NotePainted(rows, dirty.top, dirty.bottom);
  NoteDrawn(rows, dirty, client, caret);
  m_PaintedFirst = first;
  m_LastCaret = caret;
  paint.BitBlt(0, 0, client.Width(), client.Height(), mem, 0, 0, SRCCOPY);
  ReleaseMemDC();
}

void JTreeCtrl::NoteDrawn(const std::vector<ShownRow>& rows, const CRect& dirty, const CRect& client,
                          HTREEITEM caret) {
  // Rows outside the paint keep what an earlier paint drew of them, where it drew them.
  const bool sameFrame = m_DrawnKnown && client == m_DrawnClient && caret == m_DrawnCaret &&
                         m_ColumnWidths.All() == m_DrawnWidths && m_ChildRowsEnabled == m_DrawnChildRows;
  std::vector<ShownRow> drawn;
  bool known = true;
  for (const ShownRow& r : rows) {
    if (r.rc.bottom > dirty.top && r.rc.top < dirty.bottom) {
      drawn.push_back(r);
      continue;
    }
    auto old = std::find_if(m_Drawn.begin(), m_Drawn.end(),
                            [&](const ShownRow& d) { return d.item == r.item && d.rc == r.rc; });
    if (!sameFrame || old == m_Drawn.end()) {
      known = false;
      break;
    }
    drawn.push_back(*old);
  }
  // Below the last row the screen is blank only where a paint made it so.
  const int below = rows.empty() ? client.top : rows.back().rc.bottom;
  if (known && !(sameFrame && drawn.size() == m_Drawn.size()) &&
      !(dirty.top <= below && dirty.bottom >= client.bottom))
    known = false;
  m_DrawnKnown = known;
  m_Drawn = known ? std::move(drawn) : std::vector<ShownRow>();
  m_DrawnClient = client;
  m_DrawnCaret = caret;
  m_DrawnWidths = m_ColumnWidths.All();
  m_DrawnChildRows = m_ChildRowsEnabled;
}

void JTreeCtrl::PaintPartsOnly(CPaintDC& paint) {
  const CRect& dirty = reinterpret_cast<const CRect&>(paint.m_ps.rcPaint);
  CDC* mem = nullptr;
  CRect client;
  GetClientRect(&client);
  const RowHandle caret = RowOf(m_LastCaret);
  for (const PaintedRow& r : m_Painted) {
    if (r.bottom <= dirty.top || r.top >= dirty.bottom) continue;
    std::optional<RowData> d = m_Rows.GetRow(r.row);
    if (!d) continue;
    bool reached = false;
    for (RowPart part : {RowPart::CheckBox, RowPart::Marker, RowPart::Link}) {
      const CRect at = PartRectOf(*d, r.top, part);
      RECT both;
      reached = reached || (!at.IsRectEmpty() && ::IntersectRect(&both, &at, &dirty));
    }
    if (!reached) continue;
    if (!mem && !(mem = PrepareMemDC())) return;
    DrawParts(mem, r.row, CRect(client.left, r.top, client.right, r.bottom), *d, r.row == caret);
    // The rest of the row stays as the screen shows it.
    for (RowPart part : {RowPart::CheckBox, RowPart::Marker, RowPart::Link}) {
      const CRect at = PartRectOf(*d, r.top, part);
      if (!at.IsRectEmpty()) paint.BitBlt(at.left, at.top, at.Width(), at.Height(), mem, at.left, at.top, SRCCOPY);
    }
  }
  if (mem) ReleaseMemDC();
}

void JTreeCtrl::OnSelChanged(NMTREEVIEWW* nm) {
  // Only the user's own click or key toggles checks: the program moves the caret too (the
  // query threads select the rows they answer for), whatever keys happen to be held then.
  if (m_Deleting || (nm->action != TVC_BYMOUSE && nm->action != TVC_BYKEYBOARD)) return;
  const bool shift = ::GetKeyState(VK_SHIFT) < 0;
  const bool ctrl = ::GetKeyState(VK_CONTROL) < 0;
  const RowHandle oldRow = RowOf(nm->itemOld.hItem), newRow = RowOf(nm->itemNew.hItem);
  if (shift) {
    auto next = [this](RowHandle r) { return RowOf(GetNextSiblingItem(ItemOf(r))); };
    for (RowHandle r : ShiftSelectionRange(m_Rows.Contains(oldRow) ? oldRow : kRootRow, newRow, next))
      ToggleRow(r);
  } else if (ctrl) {
    ToggleRow(newRow);
  }
}

BOOL JTreeCtrl::OnItemExpanding(NMTREEVIEWW* nm) {
  if (!m_ChildRowsEnabled) return TRUE;
  if ((nm->action & (TVE_EXPAND | TVE_COLLAPSE)) == TVE_EXPAND) {
    int children = 0;
    for (HTREEITEM c = GetChildItem(nm->itemNew.hItem); c; c = GetNextSiblingItem(c)) ++children;
    CRect client;
    GetClientRect(&client);
    SetWindowPos(nullptr, 0, 0, client.Width(), client.Height() + GetItemHeight() * children,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (HWND parent = ::GetParent(m_hWnd)) ::PostMessageW(parent, WM_GRID_RELAYOUT, 0, 0);
  return FALSE;
}

void JTreeCtrl::OnLButtonDblClk(CPoint point) {
  const PaintedRow* at = PaintedRowAt(point.y);
  if (at && ItemOf(at->row) == GetSelectedItem()) ToggleRow(at->row);
}

void JTreeCtrl::UpdateStatusTip(CPoint point) {
  if (!m_ToolTip.m_hWnd) return;
  RowHandle row = 0;
  CRect cell(0, 0, 0, 0);
  std::wstring text;
  const auto& widths = m_ColumnWidths.All();
  if (widths.size() >= 2) {
    // The cell the screen shows under the mouse.
    const PaintedRow* at = PaintedRowAt(point.y);
    CRect client;
    GetClientRect(&client);
    const int left = m_ColumnWidths.Total() - widths.back();
    if (at && point.x >= left) {
      std::optional<std::wstring> status = m_Rows.GetCell(at->row, static_cast<int>(widths.size()) - 2);
      cell = CRect(left, at->top, std::min<int>(left + widths.back(), client.right), at->bottom);
      if (status && !status->empty()) {
        CClientDC dc(this);
        CFont* old = dc.SelectObject(&g_Font);
        // The cell draws it centred with an ellipsis when it is wider than the cell.
        if (dc.GetTextExtent(CString(status->c_str())).cx > cell.Width()) {
          row = at->row;
          text = *status;
        }
        dc.SelectObject(old);
      }
    }
  }
  if (row == m_StatusTipRow && text == m_StatusTipText) return;
  m_StatusTipRow = row;
  m_StatusTipText = text;
  if (!row) cell.SetRectEmpty();
  if (!m_StatusTipAdded) m_StatusTipAdded = m_ToolTip.AddTool(this, text.c_str(), &cell, kStatusTipId) != FALSE;
  m_ToolTip.UpdateTipText(text.c_str(), this, kStatusTipId);
  m_ToolTip.SetToolRect(this, kStatusTipId, &cell);
}

void JTreeCtrl::UpdateMarkerTip() {
  if (!m_ToolTip.m_hWnd) return;
  RowHandle row = 0;
  std::wstring text;
  CRect at(0, 0, 0, 0);
  if (m_Hot.part == RowPart::Marker) {
    if (std::optional<RowData> d = m_Rows.GetRow(m_Hot.row)) {
      if (!d->markerTip.empty()) {
        row = m_Hot.row;
        text = d->markerTip;
        at = GetPartRect(row, RowPart::Marker);
      }
    }
  }
  if (row == m_MarkerTipRow && text == m_MarkerTipText) return;
  m_MarkerTipRow = row;
  m_MarkerTipText = text;
  if (!m_MarkerTipAdded) m_MarkerTipAdded = m_ToolTip.AddTool(this, text.c_str(), &at, kMarkerTipId) != FALSE;
  m_ToolTip.UpdateTipText(text.c_str(), this, kMarkerTipId);
  m_ToolTip.SetToolRect(this, kMarkerTipId, &at);
}

BOOL JTreeCtrl::PreTranslateMessage(MSG* msg) {
  if (m_ToolTip.m_hWnd) m_ToolTip.RelayEvent(msg);
  return CTreeCtrl::PreTranslateMessage(msg);
}

LRESULT JTreeCtrl::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT:
      OnPaint();
      // The paint may have found the rows scrolled (the keyboard, a row made visible).
      NoteScroll();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_VSCROLL:
      Scroll(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_MOUSEWHEEL:
      if (GET_KEYSTATE_WPARAM(wParam) & (MK_SHIFT | MK_CONTROL)) return Default();
      OnWheel(wParam);
      return 0;
    case WM_CLOSE:
      DeleteAllRows();
      return Default();
    case WM_KEYDOWN: {
      if (wParam == VK_F5) {
        if (CWnd* main = AfxGetMainWnd()) main->PostMessage(WM_REFRESH_DEVICES);
      }
      const LRESULT r = Default();
      switch (wParam) {
        case VK_UP: case VK_DOWN: case VK_PRIOR: case VK_NEXT:
        case VK_HOME: case VK_END: case VK_LEFT: case VK_RIGHT:
          // The caret the keyboard moved is shown, down the rows too.
          ScrollIntoView(GetSelectedItem());
          break;
        default:
          break;
      }
      return r;
    }
    case TVM_ENSUREVISIBLE: {
      const LRESULT r = Default();
      ScrollIntoView(reinterpret_cast<HTREEITEM>(lParam));
      return r;
    }
    case TVM_SELECTITEM: {
      const LRESULT r = Default();
      if (r && (wParam & ~static_cast<WPARAM>(TVSI_NOSINGLEEXPAND)) == TVGN_CARET) ScrollIntoView(GetSelectedItem());
      return r;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      // A press acts on the row the screen shows under the mouse: while rows arrive they
      // may have moved since the last paint, and bringing the drawing up to date first
      // would put another row there. A press on a row's button is the button's alone: the
      // caret stays where it is. A quick second press is another press of the button.
      const CPoint point(lParam);
      const PartRef p = PartAt(point);
      if (p.part != RowPart::None) {
        PressPart(p);
        return 0;
      }
      if (msg == WM_LBUTTONDBLCLK) OnLButtonDblClk(point);
      CPoint moved;
      if (!TreePointOf(point, &moved)) {
        SetFocus();
        return 0;
      }
      const LRESULT r = ::CallWindowProcW(m_pfnSuper ? m_pfnSuper : ::DefWindowProcW, m_hWnd, msg, wParam,
                                          MAKELPARAM(moved.x, moved.y));
      // The caret the press moved is shown at once, with the rows where they are now, the
      // whole row when the press was on the one cut by the bottom of the view.
      FlushRedraw();
      ScrollIntoView(GetSelectedItem());
      return r;
    }
    case WM_LBUTTONUP:
      if (m_Pressed.part == RowPart::None) return Default();
      ReleasePart();
      return 0;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != m_hWnd) ReleasePart();
      return Default();
    case WM_MOUSEMOVE:
      SetHotPart(PartAt(CPoint(lParam)));
      UpdateStatusTip(CPoint(lParam));
      return Default();
    case WM_MOUSELEAVE:
      SetHotPart({});
      return Default();
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT && m_Hot.part != RowPart::None && PartEnabled(m_Hot)) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      return Default();
    case WM_TIMER: {
      if (wParam != kRedrawTimer) return Default();
      // Painted now: the next row may well come before the paint message would. Showing
      // the rows may take at most a fifth of the time while they arrive, as each answer of
      // the search waits while they are shown: the slower it is (a busy machine), the
      // longer the next burst waits.
      const auto start = std::chrono::steady_clock::now();
      FlushRedraw();
      {
        port::pace::Scope timed(port::pace::kStep, 0, true, "update-window");
        UpdateWindow();
      }
      const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
      m_RedrawPace = static_cast<UINT>(std::clamp<long long>(kRedrawShare * took, kRedrawPaceMs, kRedrawPaceMaxMs));
      return 0;
    }
    default:
      return CTreeCtrl::WindowProc(msg, wParam, lParam);
  }
}

BOOL JTreeCtrl::OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (msg == WM_NOTIFY) {
    NMHDR* nm = reinterpret_cast<NMHDR*>(lParam);
    switch (nm->code) {
      case TVN_SELCHANGEDW:
      case TVN_SELCHANGEDA:
        OnSelChanged(reinterpret_cast<NMTREEVIEWW*>(lParam));
        *result = 0;
        return TRUE;
      case TVN_ITEMEXPANDINGW:
      case TVN_ITEMEXPANDINGA:
        *result = OnItemExpanding(reinterpret_cast<NMTREEVIEWW*>(lParam));
        return TRUE;
      default:
        break;
    }
  }
  return CTreeCtrl::OnChildNotify(msg, wParam, lParam, result);
}
