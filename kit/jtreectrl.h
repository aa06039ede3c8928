// JTreeCtrl: the body of the device grid, one tree item per row.
//
// Top-level items are devices, their child items the channels of a multi-channel device.
// Each row's data (cells, check state, blocked flag, status colour) lives in a row store
// with its own lock (grid/grid_rows.h), so worker threads may read rows while the
// user-interface thread changes them; readers always get copies.
//
// The control paints its rows itself, in columns whose widths the grid keeps up to date.
#pragma once
#include <windows.h>

#include <climits>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "grid/grid_columns.h"
#include "grid/grid_layout.h"
#include "grid/grid_rows.h"
#include "fx/controls.h"
#include "kit/jobject.h"
#include "kit/kit_messages.h"

// Skin images of the rows.
enum : UINT {
  PNG_CHECK_ON = 327,
  PNG_CHECK_OFF = 328,
  PNG_CHECK_DISABLED = 329,
  PNG_MARKER = 330,
  PNG_MARKER_HOT = 331,
  PNG_ROW_COLLAPSED = 339,
  PNG_ROW_EXPANDED = 340,
};

class JTreeCtrl : public CTreeCtrl, public JObject {
 public:
  static constexpr int kRowHeight = 20;
  // The state images a device row's tree item carries for its check state.
  static constexpr UINT kStateUnticked = 1;
  static constexpr UINT kStateTicked = 2;
  static constexpr COLORREF kBackColour = RGB(0xEA, 0xEA, 0xEA);
  static constexpr COLORREF kCaretColour = RGB(0xC6, 0xDA, 0xED);

  JTreeCtrl();
  ~JTreeCtrl() override;

  // ---- rows (user-interface thread) ----------------------------------------
  // Inserts a row as the last child of `parent` (kRootRow for a device row) with cell 0 =
  // text. Returns the row handle, 0 on failure.
  //
  // A row's three small buttons (check box, marker, link) are drawn by the tree with the
  // row and pressed through it: they cost no window, so a thousand rows, a scroll or a new
  // search make and move none. Each looks and answers as a skinned button: its images by
  // state, the hand cursor and the hover look over an enabled one, a press on it acts on
  // the row and never moves the caret, a disabled one ignores presses.
  //
  // The mouse is over what the screen shows: the rows as the last paint drew them, which
  // while rows arrive may lag behind where the rows now are. Presses, the hover look and
  // the tips follow the painted rows; a press on a row that has gone since does nothing.
  //
  // A device row's tree item carries its check state as its state image (1 unticked, 2
  // ticked), where tools that read the tree find it; the tree has no state images of its
  // own, so it neither draws nor toggles a box.
  RowHandle InsertRow(const std::wstring& text, bool markerShown, bool hasCheckBox,
                      RowHandle parent = kRootRow);
  // Deletes a row with the rows below it and their data.
  void DeleteRow(RowHandle row);
  // Deletes every row, empties the column widths and resets the sort column.
  void DeleteAllRows();
  // Sets a cell (creating the cells before it). The link shows cell 0, and the tree item's
  // own text follows it, so that the row can be found by its address from outside.
  void SetCellText(RowHandle row, int index, const std::wstring& text);
  void SortByColumn(int index, bool ascending);
  // Sets the check state of every row with an enabled check box.
  void CheckAll(bool checked);
  // Sets the check state of a row with an enabled check box; other rows are never checked.
  void SetChecked(RowHandle row, bool checked);
  // Enables or disables a row's check box (a disabled one is unchecked and stays so).
  void SetCheckBoxEnabled(RowHandle row, bool enabled);
  // A blocked row is drawn grey and its marker and link buttons are disabled.
  void SetBlocked(RowHandle row, bool blocked);
  void SetStatusColour(RowHandle row, COLORREF colour);
  // The buttons of a row.
  enum class RowPart { None, CheckBox, Marker, Link };
  // Where a row's button is shown, in the tree's client area, as the last paint drew it:
  // empty while the row is not on the screen or shows no such button (channel rows have
  // no check box and no link).
  CRect GetPartRect(RowHandle row, RowPart part) const;
  // The row button shown under a point of the client area (RowPart::None for none).
  struct PartRef {
    RowHandle row = kRootRow;
    RowPart part = RowPart::None;
    bool operator==(const PartRef& o) const { return row == o.row && part == o.part; }
    bool operator!=(const PartRef& o) const { return !(*this == o); }
  };
  PartRef PartAt(CPoint point) const;
  // The button under the mouse, and the one held down (RowPart::None for none).
  PartRef GetHotPart() const { return m_Hot; }
  PartRef GetPressedPart() const { return m_Pressed; }
  // Gives the row's marker button a tooltip text (the tree's tooltip control), shown while
  // the mouse rests on the marker; an empty text shows none.
  void SetMarkerTip(RowHandle row, const std::wstring& text);

  // Inserting or moving rows switches the tree's drawing off for a while (at least
  // kRedrawPaceMs, longer when showing the rows takes long) or until the next paint; this
  // turns it on again at once.
  void FlushRedraw();
  // At most four times a second, and at least once: each time costs the tree control its
  // scroll bar's update (several milliseconds under Wine), which the search's next answer
  // waits for. The pace follows what showing the rows took (kRedrawShare times that).
  static constexpr UINT kRedrawPaceMs = 250;
  static constexpr UINT kRedrawPaceMaxMs = 1000;
  static constexpr int kRedrawShare = 5;
  bool IsRedrawDeferred() const { return m_RedrawDeferred; }
  // Runs each time the drawing comes back on, before the tree repaints (the grid lays
  // itself out then, for the rows that came meanwhile).
  void SetRedrawBackHandler(std::function<void()> handler) { m_RedrawBack = std::move(handler); }
  // Runs after rows are checked or unchecked, come or go (the grid's check-all box).
  void SetChecksHandler(std::function<void()> handler) { m_ChecksChanged = std::move(handler); }
  // Runs after each sort with the cell index used and the direction: the rows are shown so.
  void SetSortedHandler(std::function<void(int, bool)> handler) { m_Sorted = std::move(handler); }
  // Makes the row the caret and scrolls it into view.
  void ShowRow(RowHandle row);
  // The tree has no scroll bar of its own (a tree control brings its bar up to date for
  // every burst of rows, which costs Wine several milliseconds each time): the grid keeps
  // one beside it. Where the rows are scrolled to, in rows shown top down, for that bar:
  // the scrolled handler is next told of a change from what this returns.
  GridRowScroll GetRowScroll() const;
  // Scrolls so that the shown row `first` is the first in view (as far as the rows go), and
  // shows it at once.
  void ScrollRowsTo(int first);
  // A scroll bar's request (SB_LINEDOWN, SB_THUMBTRACK with its position, ...), in rows.
  void Scroll(UINT code, int thumbPos);
  // Runs when the rows in view may have moved or their number changed: after a scroll, by
  // the keyboard, the wheel or a row made visible, and after a paint that found other rows.
  void SetScrolledHandler(std::function<void()> handler) { m_Scrolled = std::move(handler); }
  // Repaints the whole tree, or one row when it is in view; nothing while the drawing is
  // off (turning it on repaints everything).
  void Repaint();
  void RepaintRow(RowHandle row);

  // ---- readers (any thread) ------------------------------------------------
  // Appends the checked rows in ascending handle order (channel rows included).
  void GetCheckedRows(std::vector<RowHandle>& rows) const { m_Rows.GetCheckedRows(rows); }
  // A copy of one cell; nothing when the row is gone or has no such cell.
  std::optional<std::wstring> GetCell(RowHandle row, int index) const {
    return m_Rows.GetCell(row, index);
  }
  // A copy of the whole row.
  std::optional<RowData> GetRow(RowHandle row) const { return m_Rows.GetRow(row); }
  bool HasRow(RowHandle row) const { return m_Rows.Contains(row); }
  bool IsChecked(RowHandle row) const { return m_Rows.IsChecked(row); }
  // Whether there is a row with an enabled check box and every such row is checked.
  bool AllChecked() const { return m_Rows.AllChecked(); }
  // The child rows of a row in display order (the vector is cleared first).
  void GetChildItems(RowHandle parent, std::vector<RowHandle>& children) const {
    children = m_Rows.Children(parent);
  }
  // Every row, ascending by handle.
  std::vector<RowHandle> GetAllRows() const { return m_Rows.Rows(); }
  // The first row whose IP address cell is `ip`, 0 when none.
  RowHandle FindRowByIp(const std::wstring& ip) const { return m_Rows.FindByIp(ip); }
  std::size_t GetRowCount() const { return m_Rows.Size(); }

  // ---- columns and options (user-interface thread) ---------------------------
  GridColumnWidths& ColumnWidths() { return m_ColumnWidths; }
  const GridColumnWidths& ColumnWidths() const { return m_ColumnWidths; }
  void SetChildRowsEnabled(bool on) { m_ChildRowsEnabled = on; }
  bool GetChildRowsEnabled() const { return m_ChildRowsEnabled; }
  void SetSortedByHeader(bool on) { m_SortedByHeader = on; }
  void SetHeaderSortColumn(int column) { m_HeaderSortColumn = column; }
  int GetSortColumn() const { return m_SortColumn; }
  // Rows the tree shows when tall enough: device rows and the children of expanded rows;
  // counting stops at `limit`.
  int CountShownRows(int limit = INT_MAX) const;
  // Opens a device's web page for the link buttons (the address is the row's cell 0).
  void SetLinkHandler(std::function<void(const std::wstring&)> handler) {
    m_LinkHandler = std::move(handler);
  }
  CToolTipCtrl& GetToolTip() { return m_ToolTip; }
  // The tooltip tool that shows a status the last column shows shortened, whole.
  static constexpr UINT_PTR kStatusTipId = 1;
  // The tooltip tool over the marker under the mouse, with that row's tip text.
  static constexpr UINT_PTR kMarkerTipId = 2;
  // The row that held the caret at the last paint (0 when none or deleted since).
  RowHandle GetLastCaretRow() const { return RowOf(m_LastCaret); }
  static HTREEITEM ItemOf(RowHandle row) { return reinterpret_cast<HTREEITEM>(static_cast<UINT_PTR>(row)); }
  static RowHandle RowOf(HTREEITEM item) { return static_cast<RowHandle>(reinterpret_cast<UINT_PTR>(item)); }

  void DrawSkin(CDC* dc) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  BOOL PreTranslateMessage(MSG* msg) override;

 protected:
  // A row in view at a paint.
  struct ShownRow {
    HTREEITEM item;
    CRect rc;
    RowData data;
  };
  // Where a paint drew a row: its top and bottom in the client area.
  struct PaintedRow {
    RowHandle row;
    int top;
    int bottom;
  };

  // Private to the tree: the timer that ends a burst of insertions.
  static constexpr UINT_PTR kRedrawTimer = 0x7D01;

  void OnPaint();
  // While the drawing is off: only the row buttons in the paint, over the rows as they were
  // painted (a press, the hover look).
  void PaintPartsOnly(CPaintDC& paint);
  // Notes what a paint of the band [top, bottom) drew there.
  void NotePainted(const std::vector<ShownRow>& rows, int top, int bottom);
  // True when the rows in view, their places and everything drawn of them are what the
  // screen shows: the drawing may come back on without a paint.
  bool ViewAsDrawn(const std::vector<ShownRow>& rows) const;
  // Notes what the screen shows after a paint of `dirty` drew those rows.
  void NoteDrawn(const std::vector<ShownRow>& rows, const CRect& dirty, const CRect& client, HTREEITEM caret);
  const PaintedRow* PaintedRowAt(int y) const;
  const PaintedRow* PaintedRowOf(RowHandle row) const;
  // A press elsewhere than on a button goes to the tree itself, which places it by where
  // its rows are now: the point is moved to where the painted row is now. False when no
  // row the screen shows is under the point but the tree has one there now.
  bool TreePointOf(CPoint point, CPoint* moved);
  void DeferRedraw();
  void DrawRow(CDC* dc, HTREEITEM item, const CRect& rc, const RowData& row, bool caret);
  // The rows in view, top down.
  std::vector<ShownRow> RowsInView();
  static CRect PartRectOf(const RowData& data, int top, RowPart part);
  // Draws the row's buttons over its cells.
  void DrawParts(CDC* dc, RowHandle row, const CRect& rc, const RowData& data, bool caret);
  // Whether a button of the row takes presses (shown and enabled).
  bool PartEnabled(const PartRef& p) const;
  // Repaints one button of a row when the row is in view.
  void RepaintPart(const PartRef& p);
  // Follows the mouse: the button under it gets the hover look, the marker its tooltip.
  void SetHotPart(const PartRef& p);
  void UpdateHotPart();
  // A press of the left button on a row's button (also the second press of a double click).
  void PressPart(const PartRef& p);
  void ReleasePart();
  void OnSelChanged(NMTREEVIEWW* nm);
  BOOL OnItemExpanding(NMTREEVIEWW* nm);
  void OnLButtonDblClk(CPoint point);
  // Puts the status tooltip over the last-column cell under the mouse when that cell shows
  // its text shortened, and over nothing otherwise.
  void UpdateStatusTip(CPoint point);
  void UpdateMarkerTip();
  void ToggleRow(RowHandle row);
  // Shows a row's check state: its box and its tree item's state image.
  void RedrawCheckBox(RowHandle row);
  void ChecksChanged();
  // Tells the scrolled handler when the first row in view or the number of rows differs
  // from what it was last told.
  void NoteScroll();
  // Counts the rows shown (at most `limit`) and, when `found` is given, where `find` is among
  // them.
  int WalkShownRows(int limit, HTREEITEM find, int* found) const;
  void OnWheel(WPARAM wParam);
  // Scrolls down until the row is in view in full, when it is below the view.
  void ScrollIntoView(HTREEITEM item);
  GridRowScroll RowScrollNow() const;
  void ForgetHandles(const std::vector<RowHandle>& rows);

 private:
  int m_SortColumn = 0;
  int m_HeaderSortColumn = 0;
  bool m_SortedByHeader = false;
  bool m_ChildRowsEnabled = false;
  CToolTipCtrl m_ToolTip;
  HTREEITEM m_LastCaret = nullptr;
  std::vector<PaintedRow> m_Painted;  // the rows the screen shows, top down
  HTREEITEM m_PaintedFirst = nullptr;  // the first row in view at the last paint
  // The view as the screen shows it, each row as it was drawn: what a paint would draw
  // again. Empty with m_DrawnKnown false when some of it is not known.
  std::vector<ShownRow> m_Drawn;
  bool m_DrawnKnown = false;
  CRect m_DrawnClient;
  HTREEITEM m_DrawnCaret = nullptr;
  std::vector<int> m_DrawnWidths;
  bool m_DrawnChildRows = false;
  bool m_Deleting = false;  // the tree is deleting items: selection changes are its own
  bool m_RedrawDeferred = false;  // drawing is off for a burst of insertions
  UINT m_RedrawPace = kRedrawPaceMs;  // how long it stays off
  std::function<void()> m_RedrawBack;
  std::function<void()> m_ChecksChanged;
  std::function<void(int, bool)> m_Sorted;
  std::function<void()> m_Scrolled;
  // What the scrolled handler was last told of: the first row in view and the tree's items.
  mutable HTREEITEM m_ToldFirst = nullptr;
  mutable UINT m_ToldCount = 0;
  int m_WheelRemainder = 0;  // part of a wheel notch not yet scrolled
  bool m_StatusTipAdded = false;
  RowHandle m_StatusTipRow = 0;   // the row whose status the tooltip covers, 0 for none
  std::wstring m_StatusTipText;
  bool m_MarkerTipAdded = false;
  RowHandle m_MarkerTipRow = 0;  // the row whose marker tip shows, 0 for none
  std::wstring m_MarkerTipText;
  PartRef m_Hot;      // the button under the mouse
  PartRef m_Pressed;  // the button held down (the tree has the mouse capture)
  GridColumnWidths m_ColumnWidths;
  GridRowStore m_Rows;
  CPen m_GridPen;
  std::function<void(const std::wstring&)> m_LinkHandler;
};
