// JTreeCtrl: the body of the device grid, one tree item per row.
//
// Top-level items are devices, their child items the channels of a multi-channel device.
// Each row's data (cells, check state, blocked flag, status colour) lives in a row store
// with its own lock (grid/grid_rows.h), so worker threads may read rows while the
// user-interface thread changes them; readers always get copies. The window side of a
// row (its three skinned buttons) belongs to the user-interface thread alone.
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
#include "grid/grid_rows.h"
#include "fx/controls.h"
#include "kit/jbutton.h"
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
  static constexpr COLORREF kBackColour = RGB(0xEA, 0xEA, 0xEA);
  static constexpr COLORREF kCaretColour = RGB(0xC6, 0xDA, 0xED);

  JTreeCtrl();
  ~JTreeCtrl() override;

  // ---- rows (user-interface thread) ----------------------------------------
  // Inserts a row as the last child of `parent` (kRootRow for a device row) with cell 0 =
  // text. Returns the row handle, 0 on failure.
  //
  // A row's three buttons (marker, check box, link) exist only while the row is in view:
  // the tree keeps one set of buttons per row place in view, made when first needed, and
  // each paint hands the sets to the rows in view in display order, with each row's
  // caption, check state, enabled states and tooltip. Scrolling or a new search so makes
  // no window, and a thousand rows cost the windows of the few dozen in view.
  RowHandle InsertRow(const std::wstring& text, bool markerShown, bool hasCheckBox,
                      RowHandle parent = kRootRow);
  // Deletes a row with the rows below it and their data; their buttons go back to the tree.
  void DeleteRow(RowHandle row);
  // Deletes every row, empties the column widths and resets the sort column.
  void DeleteAllRows();
  // Sets a cell (creating the cells before it) and sets the link caption to cell 0.
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
  // The buttons that show the row now: null when the row is not in view (or has no such
  // button). They show another row after the next paint; keep no pointer.
  JButton* GetMarkerButton(RowHandle row);
  JButton* GetCheckButton(RowHandle row);
  JButton* GetLinkButton(RowHandle row);
  // Gives the row's marker button a tooltip text (the tree's tooltip control), shown
  // whenever the row is in view; an empty text removes it.
  void SetMarkerTip(RowHandle row, const std::wstring& text);

  // Inserting or moving rows switches the tree's drawing off for a while (at least
  // kRedrawPaceMs, longer when showing the rows takes long) or until the next paint; this
  // turns it on again at once.
  void FlushRedraw();
  static constexpr UINT kRedrawPaceMs = 100;
  bool IsRedrawDeferred() const { return m_RedrawDeferred; }
  // Runs each time the drawing comes back on, before the tree repaints (the grid lays
  // itself out then, for the rows that came meanwhile).
  void SetRedrawBackHandler(std::function<void()> handler) { m_RedrawBack = std::move(handler); }
  // Makes the row the caret and scrolls it into view.
  void ShowRow(RowHandle row);
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
  // The row that held the caret at the last paint (0 when none or deleted since).
  RowHandle GetLastCaretRow() const { return RowOf(m_LastCaret); }
  // Makes (hidden) the buttons of that many rows in view, unless they exist.
  void MakeButtonsFor(int rowsInView);
  // Row buttons that show a row now (three per row in view that has buttons).
  std::size_t GetButtonCount() const { return m_Bound.size() * 3; }
  // Row button windows that exist, shown or kept for rows to come.
  std::size_t GetButtonWindowCount() const { return m_Slots.size() * 3; }

  static HTREEITEM ItemOf(RowHandle row) { return reinterpret_cast<HTREEITEM>(static_cast<UINT_PTR>(row)); }
  static RowHandle RowOf(HTREEITEM item) { return static_cast<RowHandle>(reinterpret_cast<UINT_PTR>(item)); }

  void DrawSkin(CDC* dc) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  BOOL PreTranslateMessage(MSG* msg) override;

 protected:
  // One set of row buttons and the row it shows (0: none, hidden).
  struct RowButtons {
    std::unique_ptr<JButton> marker, check, link;
    RowHandle row = kRootRow;
    std::wstring tip;  // the marker's tooltip text now
  };
  // A row in view at a paint.
  struct ShownRow {
    HTREEITEM item;
    CRect rc;
    RowData data;
  };

  // Private to the tree: the timer that ends a burst of insertions.
  static constexpr UINT_PTR kRedrawTimer = 0x7D01;

  void OnPaint();
  void DeferRedraw();
  void DrawRow(CDC* dc, HTREEITEM item, const CRect& rc, const RowData& row, bool caret);
  // The rows in view, top down.
  std::vector<ShownRow> RowsInView();
  // Hands the button sets to the rows in view, in order; the sets left over are hidden.
  void BindButtons(const std::vector<ShownRow>& rows, HTREEITEM caret);
  RowButtons* MakeButtons();
  void Bind(RowButtons& b, RowHandle row, const RowData& data, int top, bool caret);
  void Unbind(RowButtons& b);
  // Brings a set's caption, check, enabled states, tooltip and background to the row's.
  void ShowState(RowButtons& b, const RowData& data, bool caret);
  // The set showing the row; with `bindInView`, the rows in view get their sets first.
  RowButtons* ButtonsOf(RowHandle row, bool bindInView = false);
  // Brings the set showing the row (if any) up to date with the row.
  void UpdateButtons(RowHandle row);
  void OnJButtonClick(JButton* button);
  void OnSelChanged(NMTREEVIEWW* nm);
  BOOL OnItemExpanding(NMTREEVIEWW* nm);
  void OnLButtonDblClk(CPoint point);
  // Puts the status tooltip over the last-column cell under the mouse when that cell shows
  // its text shortened, and over nothing otherwise.
  void UpdateStatusTip(CPoint point);
  void ToggleRow(RowHandle row);
  void RedrawCheckBox(RowHandle row);
  void ReleaseButtons(const std::vector<RowHandle>& rows);
  void ForgetHandles(const std::vector<RowHandle>& rows);

 private:
  int m_SortColumn = 0;
  int m_HeaderSortColumn = 0;
  bool m_SortedByHeader = false;
  bool m_ChildRowsEnabled = false;
  CToolTipCtrl m_ToolTip;
  HTREEITEM m_LastCaret = nullptr;
  bool m_Deleting = false;  // the tree is deleting items: selection changes are its own
  bool m_RedrawDeferred = false;  // drawing is off for a burst of insertions
  UINT m_RedrawPace = kRedrawPaceMs;  // how long it stays off
  std::function<void()> m_RedrawBack;
  bool m_StatusTipAdded = false;
  RowHandle m_StatusTipRow = 0;   // the row whose status the tooltip covers, 0 for none
  std::wstring m_StatusTipText;
  GridColumnWidths m_ColumnWidths;
  GridRowStore m_Rows;
  std::vector<std::unique_ptr<RowButtons>> m_Slots;  // the i-th serves the i-th row in view
  std::map<RowHandle, RowButtons*> m_Bound;          // row -> the set showing it
  std::map<HWND, RowButtons*> m_SetOfButton;         // any row button -> its set
  CPen m_GridPen;
  std::function<void(const std::wstring&)> m_LinkHandler;
};
