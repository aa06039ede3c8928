#include "grid/grid_selection.h"

std::vector<RowHandle> ShiftSelectionRange(RowHandle oldRow, RowHandle newRow,
                                           const std::function<RowHandle(RowHandle)>& nextSibling) {
  std::vector<RowHandle> range;
  if (newRow == kRootRow) return range;
  if (oldRow != kRootRow) {
    for (RowHandle r = oldRow; r != kRootRow; r = nextSibling(r)) {
      range.push_back(r);
      if (r == newRow) return range;
    }
    range.clear();
  }
  for (RowHandle r = newRow; r != kRootRow; r = nextSibling(r)) {
    range.push_back(r);
    if (r == oldRow) break;
  }
  return range;
}
