// The grid's row store: cells, check states, deletion of rows with their children, and
// reads from other threads while the rows change.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "grid/grid_rows.h"

namespace {

TEST(GridRowStore, CellsReadBackAsCopiesAndGrowOnWrite) {
  GridRowStore s;
  ASSERT_TRUE(s.Insert(10, kRootRow, L"10.0.0.1", true, true));
  EXPECT_EQ(s.GetCell(10, 0), std::wstring(L"10.0.0.1"));
  // Beyond the cells, a negative index, and a handle that is no row: nothing.
  EXPECT_FALSE(s.GetCell(10, 1).has_value());
  EXPECT_FALSE(s.GetCell(10, -1).has_value());
  EXPECT_FALSE(s.GetCell(11, 0).has_value());

  // Setting cell 5 of a one-cell row creates cells 1 to 4 empty; the result is cell 0.
  EXPECT_EQ(s.SetCellText(10, 5, L"Status"), std::wstring(L"10.0.0.1"));
  auto row = s.GetRow(10);
  ASSERT_TRUE(row.has_value());
  ASSERT_EQ(row->cells.size(), 6u);
  for (int i = 1; i <= 4; ++i) EXPECT_EQ(row->cells[i], L"") << i;
  EXPECT_EQ(row->cells[5], L"Status");
  // Cell 0 set to empty: the caption the caller gets is empty too.
  EXPECT_EQ(s.SetCellText(10, 0, L""), std::wstring());
  EXPECT_FALSE(s.SetCellText(99, 0, L"x").has_value());
  EXPECT_FALSE(s.SetCellText(10, -2, L"x").has_value());

  // A copy stays what it was when the row changes or goes.
  std::wstring copy = *s.GetCell(10, 5);
  s.Erase(10);
  EXPECT_EQ(copy, L"Status");
  EXPECT_FALSE(s.GetCell(10, 5).has_value());
}

TEST(GridRowStore, NewRowDefaultsAndRefusedInserts) {
  GridRowStore s;
  ASSERT_TRUE(s.Insert(1, kRootRow, L"a", false, true));
  auto r = s.GetRow(1);
  ASSERT_TRUE(r.has_value());
  EXPECT_FALSE(r->blocked);
  EXPECT_FALSE(r->checked);
  EXPECT_FALSE(r->markerShown);
  EXPECT_EQ(r->statusColour, GridRgb(0x44, 0x44, 0x44));
  EXPECT_FALSE(s.Insert(1, kRootRow, L"again", false, true));  // already a row
  EXPECT_FALSE(s.Insert(0, kRootRow, L"zero", false, true));   // 0 is no handle
  EXPECT_FALSE(s.Insert(2, 77, L"orphan", false, false));      // parent is no row
  EXPECT_EQ(s.Size(), 1u);
}

TEST(GridRowStore, EraseTakesChildrenAlongAndUnlinksFromParent) {
  GridRowStore s;
  s.Insert(1, kRootRow, L"dev1", true, true);
  s.Insert(2, kRootRow, L"dev2", true, true);
  s.Insert(3, 1, L"1 - ch", true, false);
  s.Insert(4, 1, L"2 - ch", true, false);
  s.Insert(5, 2, L"1 - ch", true, false);
  s.SetChecked(3, true);

  auto removed = s.Erase(1);
  ASSERT_EQ(removed.size(), 3u);
  EXPECT_EQ(removed[0], 1u);
  EXPECT_FALSE(s.Contains(3));
  EXPECT_FALSE(s.Contains(4));
  EXPECT_EQ(s.Children(kRootRow), (std::vector<RowHandle>{2}));
  EXPECT_TRUE(s.Children(1).empty());
  std::vector<RowHandle> checked;
  s.GetCheckedRows(checked);
  EXPECT_TRUE(checked.empty());
  EXPECT_TRUE(s.Erase(1).empty());  // second delete of the same row does nothing

  // A handle value reused by the tree later must start as a fresh row with no children.
  ASSERT_TRUE(s.Insert(1, kRootRow, L"new", false, true));
  EXPECT_TRUE(s.Children(1).empty());
  EXPECT_EQ(s.Children(kRootRow), (std::vector<RowHandle>{2, 1}));

  EXPECT_EQ(s.Clear().size(), 3u);
  EXPECT_EQ(s.Size(), 0u);
  EXPECT_TRUE(s.Children(kRootRow).empty());
}

TEST(GridRowStore, OnlyRowsWithAnEnabledCheckBoxAreEverChecked) {
  GridRowStore s;
  s.Insert(30, kRootRow, L"c", false, true);
  s.Insert(10, kRootRow, L"a", false, true);
  s.Insert(20, 10, L"1 - a", false, false);  // channel row: no check box
  s.Insert(40, kRootRow, L"d", false, true);
  EXPECT_TRUE(s.SetCheckBoxEnabled(40, false));  // a device that takes no operation
  EXPECT_FALSE(s.SetCheckBoxEnabled(5, false));
  EXPECT_TRUE(s.IsCheckable(10));
  EXPECT_FALSE(s.IsCheckable(20));
  EXPECT_FALSE(s.IsCheckable(40));

  EXPECT_EQ(s.CheckAll(true), (std::vector<RowHandle>{10, 30}));
  std::vector<RowHandle> checked{99};  // appended to, not cleared
  s.GetCheckedRows(checked);
  EXPECT_EQ(checked, (std::vector<RowHandle>{99, 10, 30}));

  // Toggles and direct writes pass over rows the user cannot tick.
  for (RowHandle r : {RowHandle(20), RowHandle(40), RowHandle(5)}) {
    EXPECT_FALSE(s.ToggleChecked(r).has_value()) << r;
    EXPECT_FALSE(s.SetChecked(r, true)) << r;
    EXPECT_FALSE(s.IsChecked(r)) << r;
  }
  EXPECT_EQ(s.ToggleChecked(30), std::optional<bool>(false));

  // A ticked row whose box is then disabled is no longer checked.
  EXPECT_TRUE(s.IsChecked(10));
  s.SetCheckBoxEnabled(10, false);
  checked.clear();
  s.GetCheckedRows(checked);
  EXPECT_TRUE(checked.empty());

  // Check-all twice leaves nothing checked.
  s.CheckAll(true);
  s.CheckAll(false);
  checked.clear();
  s.GetCheckedRows(checked);
  EXPECT_TRUE(checked.empty());
}

// The check-all box shows whether every row the user can tick is ticked: each change of a
// row's box, rows coming and going, and boxes being disabled or enabled count.
TEST(GridRowStore, AllCheckedFollowsEveryCheckableRow) {
  GridRowStore s;
  struct Step {
    const char* what;
    std::function<void()> run;
    bool all;
  };
  const Step steps[] = {
      {"no rows", [] {}, false},
      {"a channel row alone has no box", [&] { s.Insert(1, kRootRow, L"a", false, false); }, false},
      {"one unticked device", [&] { s.Insert(2, kRootRow, L"b", false, true); }, false},
      {"ticked by hand", [&] { s.ToggleChecked(2); }, true},
      {"a row arrives unticked", [&] { s.Insert(3, kRootRow, L"c", false, true); }, false},
      {"the rest ticked", [&] { s.SetChecked(3, true); }, true},
      {"ticking again counts once", [&] { s.SetChecked(3, true); }, true},
      {"one unticked", [&] { s.SetChecked(2, false); }, false},
      {"check all", [&] { s.CheckAll(true); }, true},
      {"a disabled box arriving", [&] {
         s.Insert(4, kRootRow, L"d", false, true);
         s.SetCheckBoxEnabled(4, false);
       }, true},
      {"enabled again, unticked", [&] { s.SetCheckBoxEnabled(4, true); }, false},
      {"the unticked row goes", [&] { s.Erase(4); }, true},
      {"a ticked row disabled", [&] { s.SetCheckBoxEnabled(3, false); }, true},
      {"and enabled again", [&] { s.SetCheckBoxEnabled(3, true); }, false},
      {"toggled on", [&] { s.ToggleChecked(3); }, true},
      {"a device with a channel goes", [&] {
         s.Insert(5, kRootRow, L"e", false, true);
         s.Insert(6, 5, L"1 - e", false, false);
         s.SetChecked(5, true);
         s.Erase(5);
       }, true},
      {"uncheck all", [&] { s.CheckAll(false); }, false},
      {"every ticked row erased but one", [&] {
         s.SetChecked(2, true);
         s.Erase(3);
       }, true},
      {"the last ticked row erased", [&] { s.Erase(2); }, false},
      {"cleared", [&] {
         s.Insert(7, kRootRow, L"f", false, true);
         s.CheckAll(true);
         s.Clear();
       }, false},
      {"rows after a clear", [&] {
         s.Insert(8, kRootRow, L"g", false, true);
         s.SetChecked(8, true);
       }, true},
  };
  for (const Step& step : steps) {
    step.run();
    EXPECT_EQ(s.AllChecked(), step.all) << step.what;
    // The count agrees with the rows themselves.
    std::vector<RowHandle> checked;
    s.GetCheckedRows(checked);
    std::size_t checkable = 0;
    for (RowHandle r : s.Rows()) checkable += s.IsCheckable(r) ? 1 : 0;
    EXPECT_EQ(s.AllChecked(), checkable > 0 && checked.size() == checkable) << step.what;
  }
}

TEST(GridRowStore, FlagsColourAndLookupByIp) {
  GridRowStore s;
  s.Insert(8, kRootRow, L"192.168.1.8", false, true);
  s.Insert(4, kRootRow, L"192.168.1.4", false, true);
  s.Insert(6, kRootRow, L"192.168.1.4", false, true);  // same address, address conflict
  EXPECT_TRUE(s.SetBlocked(8, true));
  EXPECT_TRUE(s.SetStatusColour(8, kGridStatusRed));
  EXPECT_FALSE(s.SetBlocked(9, true));
  auto r = s.GetRow(8);
  EXPECT_TRUE(r->blocked);
  EXPECT_EQ(r->statusColour, GridRgb(187, 0, 0));
  EXPECT_EQ(s.FindByIp(L"192.168.1.4"), 4u);
  EXPECT_EQ(s.FindByIp(L"192.168.1.8"), 8u);
  EXPECT_EQ(s.FindByIp(L"192.168.1.9"), 0u);
}

// Worker threads read cells, rows and checked lists while the user-interface thread
// inserts, changes, sorts and deletes rows. Every text a reader gets must be a whole copy
// of a text that was written: the writer only writes runs of one repeated letter.
bool IsRun(const std::wstring& t) {
  for (wchar_t c : t)
    if (c != t[0]) return false;
  return true;
}

TEST(GridRowStore, ReadersOnOtherThreadsGetWholeCopies) {
  GridRowStore s;
  std::atomic<bool> stop{false};
  std::atomic<long> bad{0}, seen{0};
  auto reader = [&] {
    while (!stop.load()) {
      for (RowHandle h = 1; h <= 40; ++h) {
        if (auto row = s.GetRow(h)) {
          for (std::size_t i = 1; i < row->cells.size(); ++i)
            if (!IsRun(row->cells[i])) ++bad;
        }
        if (auto c = s.GetCell(h, 1)) {
          ++seen;
          if (!IsRun(*c)) ++bad;
        }
        std::vector<RowHandle> checked;
        s.GetCheckedRows(checked);
        for (RowHandle c : s.Children(kRootRow))
          if (c == 0 || c > 40) ++bad;
      }
    }
  };
  std::thread r1(reader), r2(reader);
  for (int round = 0; round < 300; ++round) {
    const wchar_t letter = static_cast<wchar_t>(L'a' + round % 26);
    for (RowHandle h = 1; h <= 40; ++h) {
      s.Insert(h, kRootRow, L"10.0.0." + std::to_wstring(h), false, true);
      // Long enough to live on the heap, so that a torn copy would show.
      s.SetCellText(h, 1 + round % 4, std::wstring(static_cast<std::size_t>(20 + round % 50), letter));
    }
    s.CheckAll(round % 2 == 0);
    s.SortAll(round % 3, round % 2 == 0);
    for (RowHandle h = 1; h <= 40; h += 2) s.Erase(h);
    s.Clear();
  }
  stop = true;
  r1.join();
  r2.join();
  EXPECT_EQ(bad.load(), 0);
  EXPECT_EQ(s.Size(), 0u);
  (void)seen;
}

}  // namespace

// Row keys are tree item handles: on a 64-bit build two items may differ only above bit 31.
TEST(GridRowStore, HandlesAbove4GBStayApart) {
  if (sizeof(void*) < 8) GTEST_SKIP() << "32-bit build: handles fit in 32 bits";
  const RowHandle low = 0x10;
  const RowHandle high = static_cast<RowHandle>((std::uint64_t{1} << 32) | 0x10);
  GridRowStore s;
  ASSERT_TRUE(s.Insert(low, kRootRow, L"10.0.0.1", false, true));
  ASSERT_TRUE(s.Insert(high, kRootRow, L"10.0.0.2", false, true));
  ASSERT_TRUE(s.Insert(high + 1, high, L"1 - 10.0.0.2", false, false));
  EXPECT_EQ(s.Size(), 3u);
  EXPECT_EQ(s.FindByIp(L"10.0.0.2"), high);
  EXPECT_EQ(s.Children(high), (std::vector<RowHandle>{high + 1}));
  EXPECT_TRUE(s.SetChecked(high, true));
  EXPECT_FALSE(s.IsChecked(low));
}
