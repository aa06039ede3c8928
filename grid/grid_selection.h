// Which rows a Shift-selection inverts.
#pragma once
#include <functional>
#include <vector>

#include "grid/grid_rows.h"

// The rows from the previous caret row to the new one, both included, along the sibling
// chain given by `nextSibling` (0 after the last sibling). When the new row follows the old
// one, the range is old..new; otherwise (or without an old row) it starts at the new row
// and runs through its next siblings up to the old row, or to the last sibling when the old
// row is not among them.
std::vector<RowHandle> ShiftSelectionRange(RowHandle oldRow, RowHandle newRow,
                                           const std::function<RowHandle(RowHandle)>& nextSibling);
