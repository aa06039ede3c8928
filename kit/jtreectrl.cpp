#include "kit/jtreectrl.h"

#include <algorithm>
#include <unordered_map>

#include "grid/grid_selection.h"
#include "fx/app.h"
#include "kit/palette.h"
#include "kit/png_cache.h"

namespace {

constexpr COLORREF kKeyColour = RGB(0x00, 0x80, 0x80);
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

void Reskin(JButton* b, COLORREF back) {
  if (!b || !b->m_hWnd || b->m_BackColour == back) return;
  b->m_BackColour = back;
  if (Shown(b)) b->RedrawNow();
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
  // Buttons go before the tree window so that none outlives its row.
  m_ButtonRows.clear();
  m_Buttons.clear();
}

JTreeCtrl::RowButtons* JTreeCtrl::ButtonsOf(RowHandle row) {
  auto it = m_Buttons.find(row);
  return it == m_Buttons.end() ? nullptr : &it->second;
}

JTreeCtrl::RowButtons* JTreeCtrl::EnsureButtons(RowHandle row, int top) {
  if (RowButtons* b = ButtonsOf(row)) return b;
  if (!m_hWnd) return nullptr;
  std::optional<RowData> data = m_Rows.GetRow(row);
  if (!data) return nullptr;
  const std::wstring caption = data->cells.empty() ? std::wstring() : data->cells[0];

  // Made from a paint (top >= 0), the buttons start where the row is (moving each
  // afterwards would cost as much again), and are shown once their images are set.
  const bool inView = top >= 0;
  RowButtons& b = m_Buttons[row];
  auto make = [&](unsigned style, const RECT& at, const wchar_t* text) {
    auto btn = std::make_unique<JButton>(style);
    btn->m_BackColour = kBackColour;
    btn->Create(text, WS_CHILD | BS_OWNERDRAW, inView ? At(at, top) : CRect(at), this, 0);
    m_ButtonRows[btn->m_hWnd] = row;
    return btn;
  };
  b.marker = make(jbutton::LAYOUT_IMAGE, kMarkerAt, L"");
  b.marker->SetImages(PNG_MARKER, PNG_MARKER_HOT, PNG_MARKER_HOT, PNG_MARKER, 14, 14);
  b.check = make(jbutton::LAYOUT_IMAGE | jbutton::STYLE_TOGGLE, kCheckBoxAt, L"");
  b.check->SetImages(PNG_CHECK_OFF, PNG_CHECK_OFF, PNG_CHECK_ON, PNG_CHECK_DISABLED, 14, 14);
  b.check->m_Checked = data->checked;
  if (!data->checkBoxEnabled) b.check->EnableWindow(FALSE);
  b.link = make(jbutton::LAYOUT_IMAGE, kLinkAt, caption.c_str());
  b.link->SetImages(0, 0, 0, 0, 104, 19);
  b.link->SetWindowText(caption.c_str());
  if (inView) {
    ShowIf(b.marker.get(), data->markerShown);
    ShowIf(b.check.get(), data->hasCheckBox);
    ShowIf(b.link.get(), data->hasCheckBox);
  }
  return &b;
}

JButton* JTreeCtrl::GetMarkerButton(RowHandle row) {
  RowButtons* b = EnsureButtons(row);
  return b ? b->marker.get() : nullptr;
}
JButton* JTreeCtrl::GetCheckButton(RowHandle row) {
  RowButtons* b = EnsureButtons(row);
  return b ? b->check.get() : nullptr;
}
JButton* JTreeCtrl::GetLinkButton(RowHandle row) {
  RowButtons* b = EnsureButtons(row);
  return b ? b->link.get() : nullptr;
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
  // The row's buttons are made when the row first comes into view (or is asked for them):
  // a search of a thousand devices then costs a few dozen windows, not three thousand.
  return row;
}

void JTreeCtrl::DeferRedraw() {
  // The tree control updates its scroll bar and repaints for every item inserted or moved,
  // which costs milliseconds per row, and turning its drawing back on costs as much again.
  // Rows come in bursts (a search's answers, one every few milliseconds), so the drawing
  // is switched off for the burst and on again kRedrawPaceMs after its first row: the rows
  // reach the screen a few times a second while they arrive, and at once when they stop.
  if (m_RedrawDeferred || !m_hWnd) return;
  SendMessage(WM_SETREDRAW, FALSE);
  m_RedrawDeferred = true;
  ::SetTimer(m_hWnd, kRedrawTimer, kRedrawPaceMs, nullptr);
}

void JTreeCtrl::FlushRedraw() {
  if (!m_RedrawDeferred || !m_hWnd) return;
  m_RedrawDeferred = false;
  ::KillTimer(m_hWnd, kRedrawTimer);
  SendMessage(WM_SETREDRAW, TRUE);
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
  for (RowHandle r : rows) {
    auto it = m_Buttons.find(r);
    if (it == m_Buttons.end()) continue;
    for (JButton* b : {it->second.marker.get(), it->second.check.get(), it->second.link.get()}) {
      if (!b || !b->m_hWnd) continue;
      if (m_ToolTip.m_hWnd) m_ToolTip.DelTool(b);
      m_ButtonRows.erase(b->m_hWnd);
      b->DestroyWindow();
    }
    m_Buttons.erase(it);
  }
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
  ReleaseButtons(removed);
  // Buttons of rows that a failed insertion left behind.
  std::vector<RowHandle> rest;
  for (const auto& b : m_Buttons) rest.push_back(b.first);
  ReleaseButtons(rest);
  m_LastCaret = nullptr;
  m_ColumnWidths.Clear();
  m_SortColumn = 0;
}

void JTreeCtrl::SetCellText(RowHandle row, int index, const std::wstring& text) {
  if (index >= 0 && m_Rows.GetCell(row, index) == text) return;
  std::optional<std::wstring> cell0 = m_Rows.SetCellText(row, index, text);
  if (!cell0) return;
  RepaintRow(row);
  RowButtons* buttons = ButtonsOf(row);
  if (JButton* link = buttons ? buttons->link.get() : nullptr) {
    if (link->m_Caption != cell0->c_str()) {
      link->SetWindowText(cell0->c_str());
      if (Shown(link)) link->RedrawNow();
    }
  }
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
  JButton* b = buttons ? buttons->check.get() : nullptr;
  if (!b || !b->m_hWnd) return;
  b->m_Checked = m_Rows.IsChecked(row);
  b->RedrawNow();
}

void JTreeCtrl::CheckAll(bool checked) {
  for (RowHandle r : m_Rows.CheckAll(checked)) RedrawCheckBox(r);
}

void JTreeCtrl::SetChecked(RowHandle row, bool checked) {
  if (m_Rows.SetChecked(row, checked)) RedrawCheckBox(row);
}

void JTreeCtrl::SetCheckBoxEnabled(RowHandle row, bool enabled) {
  if (!m_Rows.SetCheckBoxEnabled(row, enabled)) return;
  RowButtons* buttons = ButtonsOf(row);
  if (JButton* b = buttons ? buttons->check.get() : nullptr) {
    if (b->m_hWnd) b->EnableWindow(enabled ? TRUE : FALSE);
  }
  RedrawCheckBox(row);
}

void JTreeCtrl::ToggleRow(RowHandle row) {
  if (m_Rows.ToggleChecked(row)) RedrawCheckBox(row);
}

void JTreeCtrl::SetBlocked(RowHandle row, bool blocked) {
  if (m_Rows.SetBlocked(row, blocked)) Repaint();
}

void JTreeCtrl::SetStatusColour(RowHandle row, COLORREF colour) {
  if (m_Rows.SetStatusColour(row, colour)) Repaint();
}

void JTreeCtrl::SetMarkerTip(RowHandle row, const std::wstring& text) {
  JButton* marker = GetMarkerButton(row);
  if (!marker || !m_ToolTip.m_hWnd) return;
  m_ToolTip.DelTool(marker);
  m_ToolTip.AddTool(marker, text.c_str());
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

void JTreeCtrl::DrawRow(CDC* dc, HTREEITEM item, const RowData& row, bool caret,
                        bool previousCaret) {
  CRect rc;
  if (!GetItemRect(item, &rc, FALSE)) return;
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

  if (RowButtons* b = (row.markerShown || row.hasCheckBox) ? EnsureButtons(RowOf(item), rc.top)
                                                           : ButtonsOf(RowOf(item))) {
    const CRect check = At(kCheckBoxAt, rc.top), marker = At(kMarkerAt, rc.top),
                link = At(kLinkAt, rc.top);
    Place(b->check.get(), check);
    Place(b->marker.get(), marker);
    Place(b->link.get(), link);
    if (caret || previousCaret) {
      const COLORREF back = caret ? kCaretColour : kBackColour;
      Reskin(b->check.get(), back);
      Reskin(b->marker.get(), back);
      Reskin(b->link.get(), back);
    }
    if (row.markerShown) dc->FillSolidRect(&marker, kKeyColour);
    if (row.hasCheckBox) {
      dc->FillSolidRect(&check, kKeyColour);
      dc->FillSolidRect(&link, kKeyColour);
    }
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

  std::set<RowHandle> visible;
  HTREEITEM caret = GetSelectedItem();
  for (HTREEITEM it = GetFirstVisibleItem(); it; it = GetNextVisibleItem(it)) {
    CRect rc;
    if (!GetItemRect(it, &rc, FALSE) || rc.top >= client.bottom) break;
    const RowHandle r = RowOf(it);
    std::optional<RowData> row = m_Rows.GetRow(r);
    if (!row) continue;
    visible.insert(r);
    DrawRow(mem, it, *row, it == caret, it == m_LastCaret);
  }
  if (m_LastCaret && m_LastCaret != caret && visible.count(RowOf(m_LastCaret))) {
    if (std::optional<RowData> row = m_Rows.GetRow(RowOf(m_LastCaret)))
      DrawRow(mem, m_LastCaret, *row, false, true);
  }
  m_LastCaret = caret;
  for (auto& b : m_Buttons) {
    const bool inView = visible.count(b.first) != 0;
    std::optional<RowData> row = inView ? m_Rows.GetRow(b.first) : std::nullopt;
    ShowIf(b.second.marker.get(), inView && row && row->markerShown);
    ShowIf(b.second.check.get(), inView && row && row->hasCheckBox);
    ShowIf(b.second.link.get(), inView && row && row->hasCheckBox);
  }
  // The row buttons are clipped out of the tree's painting (WS_CLIPCHILDREN), so a plain
  // copy leaves them showing, as a copy without the key colour would, at a fraction of
  // the cost.
  paint.BitBlt(0, 0, client.Width(), client.Height(), mem, 0, 0, SRCCOPY);
  ReleaseMemDC();
}

void JTreeCtrl::OnJButtonClick(JButton* button) {
  if (!button || !button->m_hWnd) return;
  auto it = m_ButtonRows.find(button->m_hWnd);
  if (it == m_ButtonRows.end()) return;
  const RowHandle row = it->second;
  RowButtons* b = ButtonsOf(row);
  if (!b) return;
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
    case WM_TIMER:
      if (wParam != kRedrawTimer) return Default();
      // Painted now: the next row may well come before the paint message would.
      FlushRedraw();
      UpdateWindow();
      return 0;
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
