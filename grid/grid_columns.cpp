#include "grid/grid_columns.h"

#include <numeric>

void GridColumnWidths::Set(std::size_t column, int width) {
  if (column >= m_widths.size()) m_widths.resize(column + 1, 0);
  m_widths[column] = width;
}

int GridColumnWidths::Total() const { return std::accumulate(m_widths.begin(), m_widths.end(), 0); }

int GridStretchExtra(int clientWidth, int totalColumnWidth) {
  return clientWidth > totalColumnWidth ? clientWidth - totalColumnWidth : 0;
}
