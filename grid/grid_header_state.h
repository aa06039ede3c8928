// What the grid's column header remembers between clicks: the sort column and direction
// the rows are shown in, and the check-all box.
#pragma once

class HeaderSortState {
 public:
  int SortColumn() const { return m_sortColumn; }
  bool Ascending() const { return m_ascending; }
  bool CheckAllOn() const { return m_checkAll; }
  void SetCheckAll(bool on) { m_checkAll = on; }
  // Inverts the check-all box and returns its new state.
  bool ToggleCheckAll() { return m_checkAll = !m_checkAll; }

  // A click on a header column other than 0. Returns false when the click is ignored
  // (column 0, which only holds the check-all box, and the Camera Name column 3 while it
  // is shown); otherwise stores the column and gives the direction to sort in: the first
  // click on a new column sorts ascending, each further click on it reverses.
  bool OnColumnClick(int column, bool showCameraName, bool* ascending);
  // The rows are shown sorted by that column in that direction, whoever sorted them (the
  // rows of a search are sorted ascending as they arrive): the next click on the column
  // reverses what is shown.
  void SetShown(int column, bool ascending) {
    m_sortColumn = column;
    m_ascending = ascending;
  }

 private:
  int m_sortColumn = 1;  // IP Address, ascending: the first click on it sorts descending
  bool m_ascending = true;
  bool m_checkAll = false;
};

// Dividers of columns 0 (check box) and 1 (IP Address) cannot be dragged.
inline bool HeaderDividerDragAllowed(int column) { return column >= 2; }
// The header shows the arrow cursor while the item under the mouse is 0, 1 or 2.
inline bool HeaderKeepsArrowCursor(int focusedItem) { return focusedItem >= 0 && focusedItem <= 2; }
// Whether a header item lights up under the mouse: not the check-box column, and not the
// Camera Name column (3) while it is shown.
inline bool HeaderItemCanHighlight(int column, bool showCameraName) {
  return column != 0 && !(showCameraName && column == 3);
}
