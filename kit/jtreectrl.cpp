#include "kit/jtreectrl.h"

#include <algorithm>
#include <unordered_map>

#include "grid/grid_selection.h"
#include "fx/app.h"
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

// Moves a button only when it is not already there (painting moves every shown button).
void Place(JButton* b, const CRect& where) {
  if (!b || !b->m_hWnd) return;
  CRect now;
  b->GetWindowRect(&now);
  ::MapWindowPoints(nullptr, ::GetParent(b->m_hWnd), reinterpret_cast<POINT*>(&now), 2);
  if (now != where) b->MoveWindow(where.left, where.top, where.Width(), where.Height(), TRUE);
}

// The button's own visible style, not IsWindowVisible, which asks about every ancestor.
bool Shown(const JButton* b) { return (b->GetStyle() & WS_VISIBLE) != 0; }

void ShowIf(JButton* b, bool show) {
  if (!b || !b->m_hWnd) return;
  if (Shown(b) != show) b->ShowWindow(show ? SW_SHOWNA : SW_HIDE);
}

// Each change repaints the button with the next paints (all of a set's changes at once).
void SetBack(JButton* b, COLORREF back) {
  if (b->m_BackColour == back) return;
  b->m_BackColour = back;
  b->Invalidate(FALSE);
}

void SetEnabled(JButton* b, bool enabled) {
  if ((b->IsWindowEnabled() != FALSE) != enabled) b->EnableWindow(enabled ? TRUE : FALSE);
}

int CALLBACK CompareByRank(LPARAM a, LPARAM b, LPARAM ranks) {
  const auto& r = *reinterpret_cast<const std::unordered_map<LPARAM, int>*>(ranks);
  auto ia = r.find(a), ib = r.find(b);
  int ra = ia == r.end() ? 0 : ia->second, rb = ib == r.end() ? 0 : ib->second;
  return ra < rb ? -1 : (ra > rb ? 1 : 0);
}

}  // namespace

JTreeCtrl::JTreeCtrl() : JObject(this) {}

JTreeCtrl::~JTreeCtrl() {
  // Buttons go before the tree window.
  m_SetOfButton.clear();
  m_Bound.clear();
  m_Slots.clear();
}

JTreeCtrl::RowButtons* JTreeCtrl::MakeButtons() {
  if (!m_hWnd) return nullptr;
  auto set = std::make_unique<RowButtons>();
  // Made hidden; a paint places and shows them on a row.
  auto make = [&](unsigned style, const RECT& at) {
    auto btn = std::make_unique<JButton>(style);
    btn->m_BackColour = kBackColour;
    btn->Create(L"", WS_CHILD | BS_OWNERDRAW, CRect(at), this, 0);
    return btn;
  };
  set->marker = make(jbutton::LAYOUT_IMAGE, kMarkerAt);
  set->check = make(jbutton::LAYOUT_IMAGE | jbutton::STYLE_TOGGLE, kCheckBoxAt);
  set->link = make(jbutton::LAYOUT_IMAGE, kLinkAt);
  for (JButton* b : {set->marker.get(), set->check.get(), set->link.get()})
    if (!b->m_hWnd) return nullptr;
  set->marker->SetImages(PNG_MARKER, PNG_MARKER_HOT, PNG_MARKER_HOT, PNG_MARKER, 14, 14);
  set->check->SetImages(PNG_CHECK_OFF, PNG_CHECK_OFF, PNG_CHECK_ON, PNG_CHECK_DISABLED, 14, 14);
  set->link->SetImages(0, 0, 0, 0, 104, 19);
  for (JButton* b : {set->marker.get(), set->check.get(), set->link.get()}) m_SetOfButton[b->m_hWnd] = set.get();
  m_Slots.push_back(std::move(set));
  return m_Slots.back().get();
}

void JTreeCtrl::MakeButtonsFor(int rowsInView) {
  while (static_cast<int>(m_Slots.size()) < rowsInView && MakeButtons()) {
  }
}

void JTreeCtrl::ShowState(RowButtons& b, const RowData& data, bool caret) {
  const std::wstring caption = data.cells.empty() ? std::wstring() : data.cells[0];
  if (b.link->m_Caption != caption.c_str()) {
    // The window text is set without the button class's own repaint, which would draw the
    // button once for the caption and once more for the set's other changes.
    b.link->m_Caption = caption.c_str();
    ::DefWindowProcW(b.link->m_hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(caption.c_str()));
    b.link->Invalidate(FALSE);
  }
  if (b.check->m_Checked != data.checked) {
    b.check->m_Checked = data.checked;
    b.check->Invalidate(FALSE);
  }
  SetEnabled(b.check.get(), data.checkBoxEnabled);
  SetEnabled(b.marker.get(), !data.blocked);
  SetEnabled(b.link.get(), !data.blocked);
  if (b.tip != data.markerTip && m_ToolTip.m_hWnd) {
    if (!b.tip.empty()) m_ToolTip.DelTool(b.marker.get());
    if (!data.markerTip.empty()) m_ToolTip.AddTool(b.marker.get(), data.markerTip.c_str());
    b.tip = data.markerTip;
  }
  const COLORREF back = caret ? kCaretColour : kBackColour;
  for (JButton* btn : {b.marker.get(), b.check.get(), b.link.get()}) SetBack(btn, back);
}

void JTreeCtrl::Bind(RowButtons& b, RowHandle row, const RowData& data, int top, bool caret) {
  if (b.row != row) {
    auto old = m_Bound.find(b.row);
    if (old != m_Bound.end() && old->second == &b) m_Bound.erase(old);
    b.row = row;
    m_Bound[row] = &b;
  }
  ShowState(b, data, caret);
  Place(b.check.get(), At(kCheckBoxAt, top));
  Place(b.marker.get(), At(kMarkerAt, top));
  Place(b.link.get(), At(kLinkAt, top));
  ShowIf(b.marker.get(), data.markerShown);
  ShowIf(b.check.get(), data.hasCheckBox);
  ShowIf(b.link.get(), data.hasCheckBox);
}

void JTreeCtrl::Unbind(RowButtons& b) {
  if (b.row != kRootRow) {
    auto old = m_Bound.find(b.row);
    if (old != m_Bound.end() && old->second == &b) m_Bound.erase(old);
    b.row = kRootRow;
  }
  for (JButton* btn : {b.marker.get(), b.check.get(), b.link.get()}) ShowIf(btn, false);
  if (!b.tip.empty() && m_ToolTip.m_hWnd) m_ToolTip.DelTool(b.marker.get());
  b.tip.clear();
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

void JTreeCtrl::BindButtons(const std::vector<ShownRow>& rows, HTREEITEM caret) {
  std::size_t used = 0;
  for (const ShownRow& r : rows) {
    if (!r.data.markerShown && !r.data.hasCheckBox) continue;
    RowButtons* b = used < m_Slots.size() ? m_Slots[used].get() : MakeButtons();
    if (!b) break;
    ++used;
    Bind(*b, RowOf(r.item), r.data, r.rc.top, r.item == caret);
  }
  for (std::size_t i = used; i < m_Slots.size(); ++i) Unbind(*m_Slots[i]);
}

JTreeCtrl::RowButtons* JTreeCtrl::ButtonsOf(RowHandle row, bool bindInView) {
  auto it = m_Bound.find(row);
  if (it != m_Bound.end()) return it->second;
  if (!bindInView || !m_hWnd || !m_Rows.Contains(row)) return nullptr;
  // The tree's own idea of which items are in view must be up to date.
  FlushRedraw();
  BindButtons(RowsInView(), GetSelectedItem());
  it = m_Bound.find(row);
  return it == m_Bound.end() ? nullptr : it->second;
}

void JTreeCtrl::UpdateButtons(RowHandle row) {
  RowButtons* b = ButtonsOf(row);
  if (!b) return;
  if (std::optional<RowData> data = m_Rows.GetRow(row)) ShowState(*b, *data, ItemOf(row) == GetSelectedItem());
}

JButton* JTreeCtrl::GetMarkerButton(RowHandle row) {
  RowButtons* b = ButtonsOf(row, true);
  return b && Shown(b->marker.get()) ? b->marker.get() : nullptr;
}
JButton* JTreeCtrl::GetCheckButton(RowHandle row) {
  RowButtons* b = ButtonsOf(row, true);
  return b && Shown(b->check.get()) ? b->check.get() : nullptr;
}
JButton* JTreeCtrl::GetLinkButton(RowHandle row) {
  RowButtons* b = ButtonsOf(row, true);
  return b && Shown(b->link.get()) ? b->link.get() : nullptr;
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
  DeferRedraw();
  HTREEITEM item = InsertItem(&ins);
  if (!item) return 0;
  SetItemData(item, reinterpret_cast<DWORD_PTR>(item));
  const RowHandle row = RowOf(item);
  if (!m_Rows.Insert(row, parent, text, markerShown, hasCheckBox)) {
    DeleteItem(item);
    return 0;
  }
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
  SendMessage(WM_SETREDRAW, TRUE);
  if (m_RedrawBack) m_RedrawBack();
  Invalidate(FALSE);
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
    if (r == m_StatusTipRow) UpdateStatusTip(CPoint(-1, -1));
  }
}

void JTreeCtrl::ReleaseButtons(const std::vector<RowHandle>& rows) {
  for (RowHandle r : rows)
    if (RowButtons* b = ButtonsOf(r)) Unbind(*b);
}

void JTreeCtrl::DeleteRow(RowHandle row) {
  std::vector<RowHandle> removed = m_Rows.Erase(row);
  if (removed.empty()) return;
  ForgetHandles(removed);
  ReleaseButtons(removed);
  // The tree moves the caret off a deleted item; that is no selection by the user.
  m_Deleting = true;
  DeleteItem(ItemOf(row));
  m_Deleting = false;
}

void JTreeCtrl::DeleteAllRows() {
  m_Deleting = true;
  if (m_hWnd) DeleteAllItems();
  m_Deleting = false;
  std::vector<RowHandle> removed = m_Rows.Clear();
  ForgetHandles(removed);
  // The button sets stay, hidden, for the rows of the next search.
  for (auto& b : m_Slots) Unbind(*b);
  m_LastCaret = nullptr;
  m_ColumnWidths.Clear();
  m_SortColumn = 0;
}

void JTreeCtrl::SetCellText(RowHandle row, int index, const std::wstring& text) {
  if (index >= 0 && m_Rows.GetCell(row, index) == text) return;
  std::optional<std::wstring> cell0 = m_Rows.SetCellText(row, index, text);
  if (!cell0) return;
  RepaintRow(row);
  if (index == 0) UpdateButtons(row);
}

void JTreeCtrl::SortByColumn(int index, bool ascending) {
  m_SortColumn = index;
  const int used = m_SortedByHeader ? m_HeaderSortColumn : index;
  auto orders = m_Rows.SortAll(used, ascending);
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
  RowButtons* buttons = ButtonsOf(row);
  if (!buttons) return;
  buttons->check->m_Checked = m_Rows.IsChecked(row);
  buttons->check->RedrawNow();
}

void JTreeCtrl::CheckAll(bool checked) {
  for (RowHandle r : m_Rows.CheckAll(checked)) RedrawCheckBox(r);
}

void JTreeCtrl::SetChecked(RowHandle row, bool checked) {
  if (m_Rows.SetChecked(row, checked)) RedrawCheckBox(row);
}

void JTreeCtrl::SetCheckBoxEnabled(RowHandle row, bool enabled) {
  if (!m_Rows.SetCheckBoxEnabled(row, enabled)) return;
  UpdateButtons(row);
  RedrawCheckBox(row);
}

void JTreeCtrl::ToggleRow(RowHandle row) {
  if (m_Rows.ToggleChecked(row)) RedrawCheckBox(row);
}

void JTreeCtrl::SetBlocked(RowHandle row, bool blocked) {
  if (!m_Rows.SetBlocked(row, blocked)) return;
  UpdateButtons(row);
  Repaint();
}

void JTreeCtrl::SetStatusColour(RowHandle row, COLORREF colour) {
  if (m_Rows.SetStatusColour(row, colour)) Repaint();
}

void JTreeCtrl::SetMarkerTip(RowHandle row, const std::wstring& text) {
  if (m_Rows.SetMarkerTip(row, text)) UpdateButtons(row);
}

int JTreeCtrl::CountShownRows(int limit) const {
  // Depth first in display order; stops once `limit` rows are counted (the layout only
  // needs to know whether the rows fill the room it has).
  int n = 0;
  std::vector<RowHandle> stack = m_Rows.Children(kRootRow);
  std::reverse(stack.begin(), stack.end());
  while (!stack.empty() && n < limit) {
    const RowHandle r = stack.back();
    stack.pop_back();
    ++n;
    std::vector<RowHandle> c = m_Rows.Children(r);
    if (!c.empty() && m_hWnd && (GetItemState(ItemOf(r), TVIS_EXPANDED) & TVIS_EXPANDED))
      stack.insert(stack.end(), c.rbegin(), c.rend());
  }
  return n;
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

void JTreeCtrl::OnPaint() {
  CPaintDC paint(this);
  // While rows arrive the tree's own idea of its items lags behind; the whole tree is
  // painted when its drawing comes back on.
  if (m_RedrawDeferred) return;
  CDC* mem = PrepareMemDC();
  if (!mem) return;
  CRect client;
  GetClientRect(&client);

  // Every row in view is drawn, so the row that held the caret before loses its highlight.
  const HTREEITEM caret = GetSelectedItem();
  const std::vector<ShownRow> rows = RowsInView();
  BindButtons(rows, caret);
  for (const ShownRow& r : rows) DrawRow(mem, r.item, r.rc, r.data, r.item == caret);
  m_LastCaret = caret;
  // The row buttons are clipped out of the tree's painting (WS_CLIPCHILDREN): the copy
  // leaves them showing.
  paint.BitBlt(0, 0, client.Width(), client.Height(), mem, 0, 0, SRCCOPY);
  ReleaseMemDC();
}

void JTreeCtrl::OnJButtonClick(JButton* button) {
  if (!button || !button->m_hWnd) return;
  auto it = m_SetOfButton.find(button->m_hWnd);
  if (it == m_SetOfButton.end() || it->second->row == kRootRow) return;
  RowButtons* b = it->second;
  const RowHandle row = b->row;
  if (button == b->check.get()) {
    // The check box has toggled itself; the row follows it.
    m_Rows.SetChecked(row, button->m_Checked);
  } else if (button == b->link.get()) {
    CString caption = button->GetWindowTextString();
    if (!caption.IsEmpty() && m_LinkHandler) m_LinkHandler(std::wstring(caption));
  }
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
  HTREEITEM caret = GetSelectedItem();
  if (!caret) return;
  CRect rc;
  if (GetItemRect(caret, &rc, FALSE) && rc.PtInRect(point)) ToggleRow(RowOf(caret));
}

void JTreeCtrl::UpdateStatusTip(CPoint point) {
  if (!m_ToolTip.m_hWnd) return;
  RowHandle row = 0;
  CRect cell(0, 0, 0, 0);
  std::wstring text;
  const auto& widths = m_ColumnWidths.All();
  if (widths.size() >= 2) {
    HTREEITEM item = HitTest(point);
    CRect rc;
    const int left = m_ColumnWidths.Total() - widths.back();
    if (item && GetItemRect(item, &rc, FALSE) && point.x >= left) {
      std::optional<std::wstring> status = m_Rows.GetCell(RowOf(item), static_cast<int>(widths.size()) - 2);
      cell = CRect(left, rc.top, std::min<int>(left + widths.back(), rc.right), rc.bottom);
      if (status && !status->empty()) {
        CClientDC dc(this);
        CFont* old = dc.SelectObject(&g_Font);
        // The cell draws it centred with an ellipsis when it is wider than the cell.
        if (dc.GetTextExtent(CString(status->c_str())).cx > cell.Width()) {
          row = RowOf(item);
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

BOOL JTreeCtrl::PreTranslateMessage(MSG* msg) {
  if (m_ToolTip.m_hWnd) m_ToolTip.RelayEvent(msg);
  return CTreeCtrl::PreTranslateMessage(msg);
}

LRESULT JTreeCtrl::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_VSCROLL:
    case WM_MOUSEWHEEL: {
      FlushRedraw();
      LRESULT r = Default();
      RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
      return r;
    }
    case WM_CLOSE:
      DeleteAllRows();
      return Default();
    case WM_KEYDOWN:
      if (wParam == VK_F5) {
        if (CWnd* main = AfxGetMainWnd()) main->PostMessage(WM_REFRESH_DEVICES);
      }
      return Default();
    case WM_LBUTTONDBLCLK:
      OnLButtonDblClk(CPoint(lParam));
      return Default();
    case WM_MOUSEMOVE:
      UpdateStatusTip(CPoint(lParam));
      return Default();
    case WM_JBUTTON_CLICK:
      OnJButtonClick(reinterpret_cast<JButton*>(wParam));
      return 0;
    case WM_TIMER: {
      if (wParam != kRedrawTimer) return Default();
      // Painted now: the next row may well come before the paint message would. Showing
      // the rows may take at most a fifth of the time while they arrive: the slower it is
      // (many rows, a busy machine), the longer the next burst waits.
      const DWORD start = ::GetTickCount();
      FlushRedraw();
      UpdateWindow();
      const UINT took = static_cast<UINT>(::GetTickCount() - start);
      m_RedrawPace = std::clamp<UINT>(5 * took, kRedrawPaceMs, 10 * kRedrawPaceMs);
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
