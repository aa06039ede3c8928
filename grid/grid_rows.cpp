#include "grid/grid_rows.h"

#include <algorithm>

#include "grid/grid_sort.h"

namespace {
bool Checkable(const RowData& r) { return r.hasCheckBox && r.checkBoxEnabled; }
}  // namespace

std::vector<RowHandle>* GridRowStore::ChildList(RowHandle parent) {
  auto it = m_children.find(parent);
  return it == m_children.end() ? nullptr : &it->second;
}

bool GridRowStore::Insert(RowHandle row, RowHandle parent, const std::wstring& text,
                          bool markerShown, bool hasCheckBox) {
  std::lock_guard<std::mutex> l(m_lock);
  if (row == kRootRow || m_rows.count(row) != 0) return false;
  if (parent != kRootRow && m_rows.count(parent) == 0) return false;
  RowData d;
  d.markerShown = markerShown;
  d.hasCheckBox = hasCheckBox;
  d.parent = parent;
  d.cells.push_back(text);
  if (Checkable(d)) ++m_checkable;
  m_rows.emplace(row, std::move(d));
  m_children[parent].push_back(row);
  NoteOutOfOrderLocked(row);
  return true;
}

std::vector<RowHandle> GridRowStore::Erase(RowHandle row) {
  std::lock_guard<std::mutex> l(m_lock);
  std::vector<RowHandle> removed;
  auto it = m_rows.find(row);
  if (it == m_rows.end()) return removed;
  if (auto* siblings = ChildList(it->second.parent)) {
    siblings->erase(std::remove(siblings->begin(), siblings->end(), row), siblings->end());
    if (siblings->empty()) m_children.erase(it->second.parent);
  }
  // Breadth-first over the rows below; the removed list doubles as the work queue.
  removed.push_back(row);
  for (std::size_t i = 0; i < removed.size(); ++i) {
    auto c = m_children.find(removed[i]);
    if (c != m_children.end()) {
      removed.insert(removed.end(), c->second.begin(), c->second.end());
      m_children.erase(c);
    }
    auto gone = m_rows.find(removed[i]);
    if (gone == m_rows.end()) continue;
    if (Checkable(gone->second)) --m_checkable;
    if (gone->second.checked) --m_checked;
    m_rows.erase(gone);
    m_outOfOrder.erase(std::remove(m_outOfOrder.begin(), m_outOfOrder.end(), removed[i]), m_outOfOrder.end());
  }
  return removed;
}

std::vector<RowHandle> GridRowStore::Clear() {
  std::lock_guard<std::mutex> l(m_lock);
  std::vector<RowHandle> removed;
  removed.reserve(m_rows.size());
  for (const auto& r : m_rows) removed.push_back(r.first);
  m_rows.clear();
  m_children.clear();
  m_checkable = m_checked = 0;
  m_orderKnown = false;
  m_orderKnownBut = false;
  m_outOfOrder.clear();
  return removed;
}

bool GridRowStore::Contains(RowHandle row) const {
  std::lock_guard<std::mutex> l(m_lock);
  return m_rows.count(row) != 0;
}

std::size_t GridRowStore::Size() const {
  std::lock_guard<std::mutex> l(m_lock);
  return m_rows.size();
}

std::vector<RowHandle> GridRowStore::Rows() const {
  std::lock_guard<std::mutex> l(m_lock);
  std::vector<RowHandle> out;
  out.reserve(m_rows.size());
  for (const auto& r : m_rows) out.push_back(r.first);
  return out;
}

std::optional<RowData> GridRowStore::GetRow(RowHandle row) const {
  std::lock_guard<std::mutex> l(m_lock);
  auto it = m_rows.find(row);
  if (it == m_rows.end()) return std::nullopt;
  return it->second;
}

std::optional<std::wstring> GridRowStore::GetCell(RowHandle row, int index) const {
  std::lock_guard<std::mutex> l(m_lock);
  auto it = m_rows.find(row);
  if (it == m_rows.end() || index < 0) return std::nullopt;
  const auto& cells = it->second.cells;
  if (static_cast<std::size_t>(index) >= cells.size()) return std::nullopt;
  return cells[static_cast<std::size_t>(index)];
}

std::optional<std::wstring> GridRowStore::SetCellText(RowHandle row, int index,
                                                      const std::wstring& text) {
  std::lock_guard<std::mutex> l(m_lock);
  auto it = m_rows.find(row);
  if (it == m_rows.end() || index < 0) return std::nullopt;
  auto& cells = it->second.cells;
  // A new or changed key cell may put the row out of order.
  const std::size_t key = static_cast<std::size_t>(m_orderIndex);
  const bool keyCreated = cells.size() <= key && static_cast<std::size_t>(index) >= key;
  const bool keyChanged = index == m_orderIndex && key < cells.size() && cells[key] != text;
  if (keyCreated || keyChanged) NoteOutOfOrderLocked(row);
  if (cells.size() <= static_cast<std::size_t>(index))
    cells.resize(static_cast<std::size_t>(index) + 1);
  cells[static_cast<std::size_t>(index)] = text;
  return cells[0];
}

void GridRowStore::GetCheckedRows(std::vector<RowHandle>& out) const {
  std::lock_guard<std::mutex> l(m_lock);
  for (const auto& r : m_rows)
    if (r.second.checked) out.push_back(r.first);
}

bool GridRowStore::IsChecked(RowHandle row) const {
  std::lock_guard<std::mutex> l(m_lock);
  auto it = m_rows.find(row);
  return it != m_rows.end() && it->second.checked;
}

bool GridRowStore::IsCheckable(RowHandle row) const {
  std::lock_guard<std::mutex> l(m_lock);
  auto it = m_rows.find(row);
  return it != m_rows.end() && Checkable(it->second);
}

bool GridRowStore::SetChecked(RowHandle row, bool checked) {
  std::lock_guard<std::mutex> l(m_lock);
  auto it = m_rows.find(row);
  if (it == m_rows.end() || !Checkable(it->second)) return false;
  if (it->second.checked != checked) {
    if (checked) ++m_checked;
    else --m_checked;
  }
  it->second.checked = checked;
  return true;
}

std::optional<bool> GridRowStore::ToggleChecked(RowHandle row) {
  std::lock_guard<std::mutex> l(m_lock);
  auto it = m_rows.find(row);
  if (it == m_rows.end() || !Checkable(it->second)) return std::nullopt;
  it->second.checked = !it->second.checked;
  if (it->second.checked) ++m_checked;
  else --m_checked;
  return it->second.checked;
}

std::vector<RowHandle> GridRowStore::CheckAll(bool checked) {
  std::lock_guard<std::mutex> l(m_lock);
  std::vector<RowHandle> changed;
  for (auto& r : m_rows) {
    if (!Checkable(r.second)) continue;
    r.second.checked = checked;
    changed.push_back(r.first);
  }
  m_checked = checked ? m_checkable : 0;
  return changed;
}

bool GridRowStore::SetCheckBoxEnabled(RowHandle row, bool enabled) {
  std::lock_guard<std::mutex> l(m_lock);
  auto it = m_rows.find(row);
  if (it == m_rows.end()) return false;
  RowData& d = it->second;
  const bool was = Checkable(d);
  d.checkBoxEnabled = enabled;
  if (!enabled && d.checked) {
    d.checked = false;
    --m_checked;
  }
  if (was && !Checkable(d)) --m_checkable;
  if (!was && Checkable(d)) ++m_checkable;
  return true;
}

bool GridRowStore::AllChecked() const {
  std::lock_guard<std::mutex> l(m_lock);
  return m_checkable > 0 && m_checked == m_checkable;
}

bool GridRowStore::SetBlocked(RowHandle row, bool blocked) {
  std::lock_guard<std::mutex> l(m_lock);
  auto it = m_rows.find(row);
  if (it == m_rows.end()) return false;
  it->second.blocked = blocked;
  return true;
}

bool GridRowStore::SetMarkerTip(RowHandle row, const std::wstring& text) {
  std::lock_guard<std::mutex> l(m_lock);
  auto it = m_rows.find(row);
  if (it == m_rows.end()) return false;
  it->second.markerTip = text;
  return true;
}

bool GridRowStore::SetStatusColour(RowHandle row, std::uint32_t colour) {
  std::lock_guard<std::mutex> l(m_lock);
  auto it = m_rows.find(row);
  if (it == m_rows.end()) return false;
  it->second.statusColour = colour;
  return true;
}

std::vector<RowHandle> GridRowStore::Children(RowHandle parent) const {
  std::lock_guard<std::mutex> l(m_lock);
  auto it = m_children.find(parent);
  if (it == m_children.end()) return {};
  return it->second;
}

RowHandle GridRowStore::FindByIp(const std::wstring& ip) const {
  std::lock_guard<std::mutex> l(m_lock);
  for (const auto& r : m_rows)
    if (!r.second.cells.empty() && r.second.cells[0] == ip) return r.first;
  return kRootRow;
}

namespace {

// Sorts [first, last) stably. Rows mostly arrive in order, one at a time: the sorted
// prefix is kept, only the rest is sorted and merged in. False when nothing moved.
template <class It, class Less>
bool SortStable(It first, It last, Less less) {
  It tail = std::is_sorted_until(first, last, less);
  if (tail == last) return false;
  std::stable_sort(tail, last, less);
  std::inplace_merge(first, tail, last, less);
  return true;
}

}  // namespace

bool GridRowStore::SortLocked(std::vector<RowHandle>& list, int index, bool ascending) const {
  // Each row's key cell is looked up once, not at every comparison.
  std::vector<std::pair<const std::wstring*, RowHandle>> keyed;
  keyed.reserve(list.size());
  for (RowHandle h : list) {
    const std::wstring* cell = nullptr;
    auto it = m_rows.find(h);
    if (it != m_rows.end() && index >= 0 &&
        static_cast<std::size_t>(index) < it->second.cells.size())
      cell = &it->second.cells[static_cast<std::size_t>(index)];
    keyed.emplace_back(cell, h);
  }
  if (index == 0) {
    std::vector<std::pair<std::uint32_t, RowHandle>> ips;
    ips.reserve(keyed.size());
    for (const auto& k : keyed) ips.emplace_back(GridIpKey(k.first), k.second);
    if (!SortStable(ips.begin(), ips.end(), [ascending](const auto& a, const auto& b) {
          return ascending ? a.first < b.first : b.first < a.first;
        }))
      return false;
    for (std::size_t i = 0; i < ips.size(); ++i) list[i] = ips[i].second;
    return true;
  }
  if (!SortStable(keyed.begin(), keyed.end(), [index, ascending](const auto& a, const auto& b) {
        return ascending ? CompareGridCells(a.first, b.first, index) < 0
                         : CompareGridCells(b.first, a.first, index) < 0;
      }))
    return false;
  for (std::size_t i = 0; i < keyed.size(); ++i) list[i] = keyed[i].second;
  return true;
}

void GridRowStore::NoteOutOfOrderLocked(RowHandle row) {
  if (m_orderKnown) {
    m_orderKnown = false;
    m_orderKnownBut = true;
    m_outOfOrder.clear();
  }
  if (!m_orderKnownBut) return;
  if (std::find(m_outOfOrder.begin(), m_outOfOrder.end(), row) != m_outOfOrder.end()) return;
  m_outOfOrder.push_back(row);
  if (m_outOfOrder.size() > 1) {
    m_orderKnownBut = false;
    m_outOfOrder.clear();
  }
}

bool GridRowStore::KeyLessLocked(RowHandle a, RowHandle b, int index, bool ascending) const {
  auto cellOf = [&](RowHandle h) -> const std::wstring* {
    auto it = m_rows.find(h);
    if (it == m_rows.end() || index < 0 || static_cast<std::size_t>(index) >= it->second.cells.size())
      return nullptr;
    return &it->second.cells[static_cast<std::size_t>(index)];
  };
  const std::wstring *x = cellOf(ascending ? a : b), *y = cellOf(ascending ? b : a);
  if (index == 0) return GridIpKey(x) < GridIpKey(y);
  return CompareGridCells(x, y, index) < 0;
}

bool GridRowStore::PlaceLocked(RowHandle row, int index, bool ascending) {
  auto r = m_rows.find(row);
  if (r == m_rows.end()) return false;
  std::vector<RowHandle>* list = ChildList(r->second.parent);
  if (!list) return false;
  auto at = std::find(list->begin(), list->end(), row);
  if (at == list->end()) return false;
  const std::size_t from = static_cast<std::size_t>(at - list->begin());
  list->erase(at);
  // The others are in order; of those equal to the row, the ones that stood before it
  // stay before it, as in a stable sort of the whole list.
  std::size_t lo = 0, hi = list->size();
  while (lo < hi) {
    const std::size_t mid = lo + (hi - lo) / 2;
    const RowHandle other = (*list)[mid];
    const bool before = KeyLessLocked(other, row, index, ascending) ||
                        (!KeyLessLocked(row, other, index, ascending) && mid < from);
    if (before)
      lo = mid + 1;
    else
      hi = mid;
  }
  list->insert(list->begin() + static_cast<std::ptrdiff_t>(lo), row);
  return lo != from;
}

std::vector<std::pair<RowHandle, std::vector<RowHandle>>> GridRowStore::SortAll(int index,
                                                                                 bool ascending) {
  std::lock_guard<std::mutex> l(m_lock);
  std::vector<std::pair<RowHandle, std::vector<RowHandle>>> orders;
  if (m_orderKnown && m_orderIndex == index && m_orderAscending == ascending) return orders;
  if (m_orderKnownBut && m_orderIndex == index && m_orderAscending == ascending) {
    for (RowHandle row : m_outOfOrder)
      if (PlaceLocked(row, index, ascending)) {
        const RowHandle parent = m_rows.find(row)->second.parent;
        orders.emplace_back(parent, *ChildList(parent));
      }
    m_outOfOrder.clear();
    m_orderKnownBut = false;
    m_orderKnown = true;
    return orders;
  }
  // m_children is ordered by handle with the root (0) first: the root's rows, then the
  // children of every row in map order.
  for (auto& c : m_children)
    if (SortLocked(c.second, index, ascending)) orders.emplace_back(c.first, c.second);
  m_orderKnown = true;
  m_orderKnownBut = false;
  m_outOfOrder.clear();
  m_orderIndex = index;
  m_orderAscending = ascending;
  return orders;
}
