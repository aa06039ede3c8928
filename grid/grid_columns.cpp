#include "grid/grid_columns.h"

#include <algorithm>
#include <numeric>

void GridColumnWidths::Set(std::size_t column, int width) {
  if (column >= m_widths.size()) m_widths.resize(column + 1, 0);
  m_widths[column] = width;
}

int GridColumnWidths::Total() const { return std::accumulate(m_widths.begin(), m_widths.end(), 0); }

int GridColumnWidth(int tableWidth, int captionWidth) {
  return captionWidth > 0 ? std::max(tableWidth, captionWidth + kGridCaptionMargin) : tableWidth;
}

int GridLastColumnWidth(int clientWidth, int othersTotal, int minimum) {
  return std::max(minimum, clientWidth - othersTotal);
}
