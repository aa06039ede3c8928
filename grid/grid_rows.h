// The rows of the device grid: cell texts, check state, blocked flag and status colour,
// keyed by row handle, under one lock.
//
// The user-interface thread changes the rows while worker threads read them. Every
// operation takes the store's lock for its own duration only, and readers get copies of
// what they ask for: no pointer into a row ever leaves the store, so a row that is
// changed, reallocated or deleted afterwards cannot be reached through a stale pointer.
#pragma once
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// A row handle: the tree item of the row (a 32-bit value); 0 is no row and stands for the
// root when given as a parent.
using RowHandle = std::uintptr_t;  // the tree item handle, pointer-sized
constexpr RowHandle kRootRow = 0;

// A colour as the window system keeps it: 0x00BBGGRR.
constexpr std::uint32_t GridRgb(unsigned r, unsigned g, unsigned b) {
  return (r & 0xFFu) | ((g & 0xFFu) << 8) | ((b & 0xFFu) << 16);
}
constexpr std::uint32_t kGridTextColour = GridRgb(0x44, 0x44, 0x44);
constexpr std::uint32_t kGridBlockedColour = GridRgb(0xB2, 0xB2, 0xB2);
constexpr std::uint32_t kGridStatusRed = GridRgb(187, 0, 0);
constexpr std::uint32_t kGridStatusGreen = GridRgb(0x43, 0x8C, 0x12);

// One grid row.
struct RowData {
  bool markerShown = false;        // the marker button is shown
  bool blocked = false;            // address conflict or IP set: drawn grey, no operations
  std::uint32_t statusColour = kGridTextColour;  // text colour of the last column
  std::vector<std::wstring> cells;  // index = column - 1 (column 0 holds the check box)
  bool hasCheckBox = false;        // device rows have one, channel rows do not
  bool checkBoxEnabled = true;     // off for devices that take no operation
  bool checked = false;            // the check box state; only ever on for a checkable row
  RowHandle parent = kRootRow;
  std::wstring markerTip;          // the marker button's tooltip text; empty: none

  bool operator==(const RowData& o) const {
    return markerShown == o.markerShown && blocked == o.blocked && statusColour == o.statusColour &&
           cells == o.cells && hasCheckBox == o.hasCheckBox && checkBoxEnabled == o.checkBoxEnabled &&
           checked == o.checked && parent == o.parent && markerTip == o.markerTip;
  }
  bool operator!=(const RowData& o) const { return !(*this == o); }
};

class GridRowStore {
 public:
  // Enters a new row as the last child of `parent` with cell 0 = text. False when the
  // handle is 0 or already a row, or when the parent is neither the root nor a row.
  bool Insert(RowHandle row, RowHandle parent, const std::wstring& text, bool markerShown,
              bool hasCheckBox);
  // Removes a row and every row below it; returns the removed handles (the row first).
  std::vector<RowHandle> Erase(RowHandle row);
  // Removes every row; returns the removed handles.
  std::vector<RowHandle> Clear();

  bool Contains(RowHandle row) const;
  std::size_t Size() const;
  // Every row handle, ascending.
  std::vector<RowHandle> Rows() const;
  // A copy of the row, when it exists.
  std::optional<RowData> GetRow(RowHandle row) const;
  // A copy of one cell text; nothing when the row is gone or the index is not below the
  // row's cell count.
  std::optional<std::wstring> GetCell(RowHandle row, int index) const;
  // Sets a cell, appending empty cells until the index exists. Returns the row's cell 0
  // afterwards (the link caption), or nothing when there is no such row or the index is
  // negative.
  std::optional<std::wstring> SetCellText(RowHandle row, int index, const std::wstring& text);

  // Appends the handles of the checked rows, ascending. Only rows that show an enabled
  // check box are ever checked, so these are exactly the rows the user sees ticked.
  void GetCheckedRows(std::vector<RowHandle>& out) const;
  bool IsChecked(RowHandle row) const;
  // A row can be checked when it has a check box and the box is enabled.
  bool IsCheckable(RowHandle row) const;
  // Sets the check state of a checkable row; false (and no change) for any other row.
  bool SetChecked(RowHandle row, bool checked);
  // Inverts the check state of a checkable row; returns the new state, nothing when there is
  // no such row or it cannot be checked.
  std::optional<bool> ToggleChecked(RowHandle row);
  // Sets the check state of every checkable row; returns those rows.
  std::vector<RowHandle> CheckAll(bool checked);
  // Enables or disables a row's check box; disabling also clears its check. Returns whether
  // the row exists.
  bool SetCheckBoxEnabled(RowHandle row, bool enabled);
  // Whether there is a checkable row and every checkable row is checked (what the header's
  // check-all box shows).
  bool AllChecked() const;

  bool SetBlocked(RowHandle row, bool blocked);
  bool SetMarkerTip(RowHandle row, const std::wstring& text);
  bool SetStatusColour(RowHandle row, std::uint32_t colour);

  // The rows under `parent` (the root for top-level rows) in display order.
  std::vector<RowHandle> Children(RowHandle parent) const;
  // The first row (lowest handle) whose cell 0 is `ip`; 0 when there is none.
  RowHandle FindByIp(const std::wstring& ip) const;

  // Sorts the children of the root, then those of every row, by one cell
  // (CompareGridCells), ascending or descending; equal rows keep their order.
  // Returns each parent whose child order changed, with its new child order.
  std::vector<std::pair<RowHandle, std::vector<RowHandle>>> SortAll(int index, bool ascending);

 private:
  std::vector<RowHandle>* ChildList(RowHandle parent);
  // False when the list was already in order.
  bool SortLocked(std::vector<RowHandle>& list, int index, bool ascending) const;
  // Whether row a comes before row b by that cell, ties not broken.
  bool KeyLessLocked(RowHandle a, RowHandle b, int index, bool ascending) const;
  // Notes a row added or whose key changed since the order was known; a second such row
  // makes the next sort sort everything.
  void NoteOutOfOrderLocked(RowHandle row);
  // Moves the one out-of-order row where a stable sort of its list would put it.
  // False when it stays where it is.
  bool PlaceLocked(RowHandle row, int index, bool ascending);

  mutable std::mutex m_lock;
  // The order SortAll left, while nothing has changed it (rows come in and cells change
  // all the time during a search, most often with the same text again).
  bool m_orderKnown = false;
  int m_orderIndex = 0;
  bool m_orderAscending = true;
  // Every list is in that order but for the row noted (the rows of a search come one at a
  // time: each one placed costs a few comparisons where sorting the list costs one per row).
  bool m_orderKnownBut = false;
  std::vector<RowHandle> m_outOfOrder;
  std::map<RowHandle, RowData> m_rows;
  std::map<RowHandle, std::vector<RowHandle>> m_children;  // parent -> children in order
  // Counted as rows change, so that the check-all box costs nothing per row.
  std::size_t m_checkable = 0;  // rows with an enabled check box
  std::size_t m_checked = 0;    // of those, the checked ones
};
