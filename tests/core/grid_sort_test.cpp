// Sorting grid rows: numeric IP order, unparsable and missing addresses last, text order
// by code units, missing cells first, descending, and channel rows sorted under their
// device.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "grid/grid_rows.h"
#include "grid/grid_sort.h"

namespace {

struct SortCase {
  const char* name;
  int index;
  bool ascending;
  // Cells of each row: {cell0, cell1, ...}; a row shorter than index+1 lacks the key cell.
  std::vector<std::vector<std::wstring>> rows;
  // Expected order as positions in `rows`.
  std::vector<int> order;
};

std::vector<int> SortedOrder(const SortCase& c) {
  GridRowStore s;
  for (std::size_t i = 0; i < c.rows.size(); ++i) {
    RowHandle h = static_cast<RowHandle>(100 - i);  // handle order differs from insertion order
    s.Insert(h, kRootRow, c.rows[i].empty() ? L"" : c.rows[i][0], false, true);
    for (std::size_t k = 1; k < c.rows[i].size(); ++k) s.SetCellText(h, static_cast<int>(k), c.rows[i][k]);
  }
  s.SortAll(c.index, c.ascending);
  std::vector<int> out;
  for (RowHandle h : s.Children(kRootRow)) out.push_back(static_cast<int>(100 - h));
  return out;
}

TEST(GridSort, OrdersTable) {
  const std::vector<SortCase> cases = {
      {"ip numeric not textual", 0, true,
       {{L"192.168.1.10"}, {L"192.168.1.9"}, {L"200.1.1.1"}, {L"1.2.3.4"}, {L"10.0.0.10"}, {L"10.0.0.9"}},
       {3, 5, 4, 1, 0, 2}},
      {"ip unparsable last, in given order", 0, true,
       {{L"bogus"}, {L"10.0.0.1"}, {L"1.2.3"}, {L"300.1.1.1"}, {L""}, {L"9.9.9.9"}},
       {5, 1, 0, 2, 3, 4}},
      {"ip 255.255.255.255 ties with unparsable", 0, true,
       {{L"255.255.255.255"}, {L"x"}, {L"1.1.1.1"}},
       {2, 0, 1}},
      {"ip descending", 0, false,
       {{L"192.168.1.9"}, {L"bad"}, {L"192.168.1.10"}, {L"1.2.3.4"}},
       {1, 2, 0, 3}},
      {"text by code units: upper case before lower", 2, true,
       {{L"a", L"", L"beta"}, {L"b", L"", L"Beta"}, {L"c", L"", L"alpha"}, {L"d", L"", L"Zulu"}},
       {1, 3, 2, 0}},
      {"text: non-ASCII after ASCII", 1, true,
       {{L"a", L"\u00e9t\u00e9"}, {L"b", L"zz"}, {L"c", L"\u65e5\u672c"}},
       {1, 0, 2}},
      {"text: missing cells first, empty cell counts as present", 3, true,
       {{L"a", L"", L"", L"m"}, {L"b"}, {L"c", L"", L"", L""}, {L"d", L"x"}},
       {1, 3, 2, 0}},
      {"text descending puts missing cells last", 3, false,
       {{L"a", L"", L"", L"m"}, {L"b"}, {L"c", L"", L"", L"z"}},
       {2, 0, 1}},
      {"equal keys keep their order", 1, true,
       {{L"a", L"same"}, {L"b", L"same"}, {L"c", L"first"}, {L"d", L"same"}},
       {2, 0, 1, 3}},
  };
  for (const auto& c : cases) EXPECT_EQ(SortedOrder(c), c.order) << c.name;
}

TEST(GridSort, CompareCellsResultsAreSigns) {
  std::wstring a = L"abc", b = L"abd", ip1 = L"10.0.0.9", ip2 = L"10.0.0.10";
  EXPECT_EQ(CompareGridCells(&a, &b, 1), -1);
  EXPECT_EQ(CompareGridCells(&b, &a, 1), 1);
  EXPECT_EQ(CompareGridCells(&a, &a, 1), 0);
  EXPECT_EQ(CompareGridCells(nullptr, &a, 4), -1);
  EXPECT_EQ(CompareGridCells(nullptr, nullptr, 4), 0);
  EXPECT_EQ(CompareGridCells(&ip1, &ip2, 0), -1);
  EXPECT_EQ(CompareGridCells(nullptr, &ip2, 0), 1);  // missing address sorts last
  EXPECT_EQ(GridIpKey(&ip2), 0x0A00000Au);
  EXPECT_EQ(GridIpKey(nullptr), 0xFFFFFFFFu);
}

TEST(GridSort, ChannelRowsSortUnderTheirDevice) {
  GridRowStore s;
  s.Insert(1, kRootRow, L"10.0.0.2", false, true);
  s.Insert(2, kRootRow, L"10.0.0.1", false, true);
  s.Insert(3, 1, L"2 - 10.0.0.2", false, false);
  s.Insert(4, 1, L"1 - 10.0.0.2", false, false);
  s.Insert(5, 1, L"3 - 10.0.0.2", false, false);
  for (RowHandle h : {3u, 4u, 5u}) s.SetCellText(h, 1, std::to_wstring(h));
  // Only the parents whose order changed are reported: the two devices tie on the missing
  // cell and stay as they are.
  auto orders = s.SortAll(1, false);
  ASSERT_EQ(orders.size(), 1u);
  EXPECT_EQ(orders[0].first, 1u);
  EXPECT_EQ(orders[0].second, (std::vector<RowHandle>{5, 4, 3}));
  EXPECT_EQ(s.Children(1), (std::vector<RowHandle>{5, 4, 3}));
  EXPECT_TRUE(s.SortAll(1, false).empty());
  // Sorting changes neither handles, nor cells, nor check states.
  s.SetChecked(1, true);
  s.SortAll(0, true);
  EXPECT_EQ(s.Children(kRootRow), (std::vector<RowHandle>{2, 1}));
  EXPECT_TRUE(s.IsChecked(1));
  EXPECT_EQ(s.GetCell(4, 0), std::wstring(L"1 - 10.0.0.2"));
}

// A list already in order is not sorted again until something that can move a row
// happens; each such change must still be sorted in.
TEST(GridSort, OnlyChangesThatCanMoveARowSortAgain) {
  GridRowStore s;
  s.Insert(1, kRootRow, L"10.0.0.1", false, true);
  s.Insert(2, kRootRow, L"10.0.0.2", false, true);
  s.Insert(3, kRootRow, L"10.0.0.3", false, true);
  s.SetCellText(1, 1, L"b");
  s.SetCellText(2, 1, L"a");
  s.SetCellText(3, 1, L"c");
  EXPECT_FALSE(s.SortAll(1, true).empty());
  EXPECT_EQ(s.Children(kRootRow), (std::vector<RowHandle>{2, 1, 3}));
  // The same text again, or another column: nothing to do.
  s.SetCellText(3, 1, L"c");
  s.SetCellText(2, 4, L"serial");
  EXPECT_TRUE(s.SortAll(1, true).empty());
  struct Step {
    const char* what;
    std::function<void()> change;
    int index;
    bool ascending;
    std::vector<RowHandle> order;
  } steps[] = {
      {"a key changed", [&] { s.SetCellText(3, 1, L"0"); }, 1, true, {3, 2, 1}},
      {"the other direction", [] {}, 1, false, {1, 2, 3}},
      {"another column", [] {}, 0, true, {1, 2, 3}},
      {"a new row", [&] { s.Insert(9, kRootRow, L"10.0.0.0", false, true); }, 0, true, {9, 1, 2, 3}},
      {"a changed address", [&] { s.SetCellText(9, 0, L"10.0.0.4"); }, 0, true, {1, 2, 3, 9}},
  };
  for (const Step& step : steps) {
    step.change();
    s.SortAll(step.index, step.ascending);
    EXPECT_EQ(s.Children(kRootRow), step.order) << step.what;
  }
  // A row whose key cell comes into being by a write to a later cell.
  GridRowStore t;
  t.Insert(1, kRootRow, L"10.0.0.1", false, true);
  t.Insert(2, kRootRow, L"10.0.0.2", false, true);
  t.SetCellText(1, 1, L"a");
  t.SortAll(1, false);
  const auto before = t.Children(kRootRow);
  t.SetCellText(2, 1, L"z");
  t.SortAll(1, false);
  EXPECT_EQ(t.Children(kRootRow), (std::vector<RowHandle>{2, 1})) << "from " << before[0] << "," << before[1];
}

// Rows arrive one at a time and the list is sorted after each: the result must always be
// what one stable sort of the whole list gives, whatever the arrival order (ties included).
TEST(GridSort, SortingAfterEachArrivalMatchesOneStableSort) {
  for (unsigned seed = 1; seed <= 20; ++seed) {
    for (int index : {0, 1}) {
      GridRowStore s;
      std::vector<std::pair<std::wstring, RowHandle>> all;
      unsigned x = seed;
      for (RowHandle h = 1; h <= 60; ++h) {
        x = x * 1103515245u + 12345u;
        const unsigned key = (x >> 16) % 25;  // many ties
        const std::wstring ip = L"10.0." + std::to_wstring(key) + L".1";
        const std::wstring serial = L"SN" + std::to_wstring(key);
        s.Insert(h, kRootRow, ip, false, true);
        s.SetCellText(h, 1, serial);
        all.emplace_back(index == 0 ? std::to_wstring(1000 + key) : serial, h);
        s.SortAll(index, true);
      }
      std::stable_sort(all.begin(), all.end(),
                       [](const auto& a, const auto& b) { return a.first < b.first; });
      std::vector<RowHandle> expected;
      for (const auto& a : all) expected.push_back(a.second);
      EXPECT_EQ(s.Children(kRootRow), expected) << "seed " << seed << " index " << index;
    }
  }
}

}  // namespace

// Whatever happens between two sorts (rows added, keys changed, other cells written, rows
// deleted, another column or direction), each sort gives what one stable sort of the list
// as it stood gives, and reports exactly the lists whose order changed.
TEST(GridSort, AnyChangesBetweenSortsEndAsOneStableSort) {
  for (unsigned seed = 1; seed <= 30; ++seed) {
    GridRowStore s;
    std::vector<RowHandle> order;  // the root's rows as the store should hold them
    RowHandle next = 1;
    unsigned x = seed;
    auto roll = [&](unsigned n) {
      x = x * 1103515245u + 12345u;
      return (x >> 16) % n;
    };
    auto key = [&](unsigned k, int index) {
      return index == 0 ? L"10.0." + std::to_wstring(k) + L".1" : L"K" + std::to_wstring(k);
    };
    int index = 1;
    bool ascending = true;
    for (int step = 0; step < 400; ++step) {
      const unsigned what = roll(10);
      if (what < 3 || order.empty()) {  // a new row, its key written at once or later
        const RowHandle h = next++;
        s.Insert(h, kRootRow, key(roll(8), 0), false, true);
        if (roll(2)) s.SetCellText(h, 1, key(roll(8), 1));
        order.push_back(h);
      } else if (what < 5) {  // a key changed, or written again as it was
        const RowHandle h = order[roll(static_cast<unsigned>(order.size()))];
        const int cell = static_cast<int>(roll(2));
        s.SetCellText(h, cell, roll(3) ? key(roll(8), cell) : s.GetCell(h, cell).value_or(L""));
      } else if (what < 6) {  // another cell
        s.SetCellText(order[roll(static_cast<unsigned>(order.size()))], 3, L"x");
      } else if (what < 7) {  // a row deleted
        const std::size_t at = roll(static_cast<unsigned>(order.size()));
        s.Erase(order[at]);
        order.erase(order.begin() + static_cast<std::ptrdiff_t>(at));
      } else {  // a sort, now and then by another column or the other way
        if (roll(6) == 0) index = 1 - index;
        if (roll(8) == 0) ascending = !ascending;
        std::vector<RowHandle> want = order;
        std::stable_sort(want.begin(), want.end(), [&](RowHandle a, RowHandle b) {
          const auto ca = s.GetCell(a, index), cb = s.GetCell(b, index);
          const std::wstring* pa = ca ? &*ca : nullptr;
          const std::wstring* pb = cb ? &*cb : nullptr;
          if (!ascending) std::swap(pa, pb);
          return index == 0 ? GridIpKey(pa) < GridIpKey(pb) : CompareGridCells(pa, pb, index) < 0;
        });
        const auto orders = s.SortAll(index, ascending);
        ASSERT_EQ(s.Children(kRootRow), want) << "seed " << seed << " step " << step;
        EXPECT_EQ(!orders.empty(), want != order) << "seed " << seed << " step " << step;
        if (!orders.empty()) {
          EXPECT_EQ(orders[0].second, want);
        }
        order = want;
      }
    }
  }
}
