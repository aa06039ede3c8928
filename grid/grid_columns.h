// Pixel widths of the grid's columns, column 0 being the check-box column.
#pragma once
#include <cstddef>
#include <vector>

class GridColumnWidths {
 public:
  // Replaces every width (setting the columns again starts a fresh list).
  void Assign(const std::vector<int>& widths) { m_widths = widths; }
  void Clear() { m_widths.clear(); }
  std::size_t Count() const { return m_widths.size(); }
  bool Empty() const { return m_widths.empty(); }
  // The width of a column; 0 for a column that has no width (yet).
  int Get(std::size_t column) const { return column < m_widths.size() ? m_widths[column] : 0; }
  // Sets a column's width; the list grows to hold any column index, the columns between
  // getting width 0.
  void Set(std::size_t column, int width);
  int Total() const;
  const std::vector<int>& All() const { return m_widths; }

 private:
  std::vector<int> m_widths;
};

// Room a column keeps around its caption.
constexpr int kGridCaptionMargin = 8;

// A column's starting width: the table's, or its caption's (with the margin) when that is
// wider, so that no caption is cut in any language.
int GridColumnWidth(int tableWidth, int captionWidth);

// The last column's width: whatever the client width leaves after the other columns, as the
// window grows and as it shrinks, but never less than `minimum` (its caption must show).
int GridLastColumnWidth(int clientWidth, int othersTotal, int minimum);
