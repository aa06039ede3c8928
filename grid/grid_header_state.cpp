#include "grid/grid_header_state.h"

bool HeaderSortState::OnColumnClick(int column, bool showCameraName, bool* ascending) {
  if (column <= 0) return false;
  if (showCameraName && column == 3) return false;
  if (column != m_sortColumn) m_ascending = false;
  m_ascending = !m_ascending;
  m_sortColumn = column;
  if (ascending) *ascending = m_ascending;
  return true;
}
