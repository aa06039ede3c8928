// The device grid's header in a real window: columns of the two layouts, the last column
// filling the width, divider drags, sort clicks, the check-all box and horizontal
// scrolling.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/win/grid_test_window.h"

using gridtest::GridWindow;
using gridtest::Pump;

namespace {

int ItemWidth(JHeaderCtrl& h, int i) {
  HDITEMW hd{};
  hd.mask = HDI_WIDTH;
  h.GetItem(i, &hd);
  return hd.cxy;
}

CString ItemText(JHeaderCtrl& h, int i) {
  wchar_t buf[64] = {0};
  HDITEMW hd{};
  hd.mask = HDI_TEXT;
  hd.pszText = buf;
  hd.cchTextMax = 63;
  h.GetItem(i, &hd);
  return CString(buf);
}

// The width a caption takes in the header's font.
int CaptionWidth(const wchar_t* text) {
  HDC dc = ::GetDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, g_Font.GetSafeHandle());
  SIZE s{};
  ::GetTextExtentPoint32W(dc, text, lstrlenW(text), &s);
  ::SelectObject(dc, old);
  ::ReleaseDC(nullptr, dc);
  return s.cx;
}

TEST(GridHeader, TwoLayoutsShowEveryEntryButPlatformAndFillTheWidth) {
  struct Case {
    bool withName;
    std::size_t tableSize;
    int items;
    const wchar_t* fourth;  // caption of header item 3
    int fixedTotal;         // widths of every column but the last
  };
  const Case cases[] = {{false, 9, 8, L"MAC Address", 870}, {true, 10, 9, L"Camera Name", 970}};
  for (const Case& c : cases) {
    GridWindow w(1100, 500, c.withName);
    const auto& table = c.withName ? g_ColumnHeadersWithName : g_ColumnHeaders;
    ASSERT_EQ(table.size(), c.tableSize);
    ASSERT_EQ(w.header().GetItemCount(), c.items) << c.withName;
    EXPECT_STREQ(ItemText(w.header(), 1), L"IP Address");
    EXPECT_STREQ(ItemText(w.header(), 3), c.fourth);
    EXPECT_STREQ(ItemText(w.header(), c.items - 1), L"Status");  // Platform never shown
    // The last shown column (Status, width 0 in the table) takes the rest of the width,
    // and the tree draws its cells with the same widths.
    EXPECT_EQ(ItemWidth(w.header(), c.items - 1), 1100 - c.fixedTotal);
    EXPECT_EQ(w.grid.TotalColumnWidth(), 1100);
    ASSERT_EQ(w.tree().ColumnWidths().Count(), (std::size_t)c.items);
    for (int i = 0; i < c.items; ++i)
      EXPECT_EQ(w.tree().ColumnWidths().Get(i), ItemWidth(w.header(), i)) << i;
    EXPECT_FALSE(w.grid.GetScrollBar().IsWindowVisible());

    // Setting the columns again replaces them (a new search does it every time).
    w.grid.SetColumns(table);
    EXPECT_EQ(w.header().GetItemCount(), c.items);
    EXPECT_EQ(w.tree().ColumnWidths().Count(), (std::size_t)c.items);
    // An empty table leaves no column and no width.
    w.grid.SetColumns({});
    EXPECT_EQ(w.header().GetItemCount(), 0);
    EXPECT_EQ(w.tree().ColumnWidths().Count(), 0u);
    EXPECT_EQ(w.grid.TotalColumnWidth(), 0);
  }
}

// Drags a divider from its right edge by dx with the mouse.
void DragDivider(JHeaderCtrl& h, int item, int dx) {
  CRect rc;
  h.GetItemRect(item, &rc);
  const int x = rc.right - 1, y = 14;
  h.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
  h.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  h.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x + dx / 2, y));
  h.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x + dx, y));
  h.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(x + dx, y));
  Pump();
}

TEST(GridHeader, FirstTwoDividersCannotBeDragged) {
  GridWindow w(1100, 500, false);
  DragDivider(w.header(), 0, 40);
  DragDivider(w.header(), 1, 40);
  EXPECT_EQ(ItemWidth(w.header(), 0), 80);
  EXPECT_EQ(ItemWidth(w.header(), 1), 105);
  EXPECT_FALSE(w.header().IsTracking());

  // Column 2 (Serial No.) can be widened; the tree follows the new width, and the last
  // column gives up what the others take, down to what its caption needs; beyond that the
  // grid is wider than the window and the scroll bar appears.
  const int last = ItemWidth(w.header(), 7);
  DragDivider(w.header(), 2, 50);
  EXPECT_EQ(ItemWidth(w.header(), 2), 210);
  EXPECT_EQ(w.tree().ColumnWidths().Get(2), 210);
  EXPECT_FALSE(w.header().IsTracking());
  w.grid.Relayout();
  EXPECT_EQ(ItemWidth(w.header(), 7), last - 50);
  EXPECT_EQ(w.grid.TotalColumnWidth(), 1100);
  EXPECT_FALSE(w.grid.GetScrollBar().IsWindowVisible());
  DragDivider(w.header(), 3, last);
  w.grid.Relayout();
  EXPECT_GT(w.grid.TotalColumnWidth(), 1100);
  EXPECT_GE(ItemWidth(w.header(), 7), CaptionWidth(L"Status"));
  EXPECT_TRUE(w.grid.GetScrollBar().IsWindowVisible());
}

TEST(GridHeader, ClicksSortWithTheDirectionSequence) {
  GridWindow w(1100, 500, false);
  const RowHandle a = w.AddDevice({L"10.0.0.2", L"B"});
  const RowHandle b = w.AddDevice({L"10.0.0.10", L"A"});
  const RowHandle c = w.AddDevice({L"10.0.0.1", L"C"});
  auto clickColumn = [&](int col) {
    CRect rc;
    w.header().GetItemRect(col, &rc);
    GridWindow::Click(w.header(), rc.CenterPoint().x, 14);
  };
  using V = std::vector<RowHandle>;
  struct Step {
    int column;
    V order;
  };
  // IP Address starts as the sort column, ascending: its first click sorts descending.
  const Step steps[] = {
      {1, V{b, a, c}},  // IP descending, numerically (10 after 2)
      {1, V{c, a, b}},  // IP ascending
      {2, V{b, a, c}},  // Serial No.: a new column sorts ascending
      {2, V{c, a, b}},  // and reverses on the next click
      {1, V{c, a, b}},  // back to IP: ascending first
  };
  for (const Step& s : steps) {
    clickColumn(s.column);
    EXPECT_EQ(w.TreeOrder(), s.order) << "column " << s.column;
    // Readers on other threads see the same order as the window.
    std::vector<RowHandle> copy;
    w.grid.GetChildItems(kRootRow, copy);
    EXPECT_EQ(copy, s.order);
  }
  EXPECT_EQ(w.header().GetSortColumn(), 1);
  EXPECT_TRUE(w.header().GetSortAscending());

  // Once sorted by a header click, a sort asked for by the program keeps that column.
  w.tree().SortByColumn(1, false);
  EXPECT_EQ(w.TreeOrder(), (V{b, a, c}));
}

TEST(GridHeader, CameraNameColumnClickDoesNothing) {
  GridWindow w(1200, 500, true);
  const RowHandle a = w.AddDevice({L"10.0.0.2", L"S1", L"zeta"});
  const RowHandle b = w.AddDevice({L"10.0.0.1", L"S2", L"alpha"});
  CRect rc;
  w.header().GetItemRect(3, &rc);
  GridWindow::Click(w.header(), rc.CenterPoint().x, 14);
  EXPECT_EQ(w.TreeOrder(), (std::vector<RowHandle>{a, b}));
  EXPECT_EQ(w.header().GetSortColumn(), 1);
}

TEST(GridHeader, CheckAllTwiceLeavesNothingChecked) {
  GridWindow w(1100, 500, true);
  const RowHandle d1 = w.AddDevice({L"10.0.0.1"});
  const RowHandle d2 = w.AddDevice({L"10.0.0.2"});
  const RowHandle ch = w.AddChannel(d1, L"1 - 10.0.0.1");
  w.Paint();
  const std::vector<COLORREF> unchecked = w.PartPixels(d1, JTreeCtrl::RowPart::CheckBox);
  w.tree().SetChecked(d2, true);  // one already checked by hand

  GridWindow::Click(w.header(), 30, 14);  // inside the check-all box
  EXPECT_TRUE(w.header().GetCheckAll());
  std::vector<RowHandle> checked;
  w.tree().GetCheckedRows(checked);
  EXPECT_EQ(checked, (std::vector<RowHandle>{std::min(d1, d2), std::max(d1, d2)}));
  EXPECT_FALSE(w.tree().IsChecked(ch));  // channel rows have no check box
  Pump();
  EXPECT_NE(w.PartPixels(d1, JTreeCtrl::RowPart::CheckBox), unchecked);  // the box is drawn checked

  GridWindow::Click(w.header(), 30, 14);
  EXPECT_FALSE(w.header().GetCheckAll());
  checked.clear();
  w.tree().GetCheckedRows(checked);
  EXPECT_TRUE(checked.empty());
  Pump();
  EXPECT_EQ(w.PartPixels(d2, JTreeCtrl::RowPart::CheckBox), unchecked);

  // A click beside the box checks nothing.
  GridWindow::Click(w.header(), 60, 14);
  w.tree().GetCheckedRows(checked);
  EXPECT_TRUE(checked.empty());
}

// The check-all box is ticked exactly while every row that can be ticked is: rows that
// arrive unticked, a row unticked by hand, or no such row at all leave it unticked, and its
// next click ticks what is not.
TEST(GridHeader, TheCheckAllBoxTellsWhetherEveryRowIsTicked) {
  GridWindow w(1100, 500, false);
  JHeaderCtrl& h = w.header();
  const CRect box(JHeaderCtrl::kCheckAllBox);
  auto boxLook = [&] {
    Pump();
    return GridWindow::PixelsIn(h, box);
  };
  const std::vector<COLORREF> unticked = boxLook();
  auto clickBox = [&] { GridWindow::Click(h, 30, 14); };
  auto checkedRows = [&] {
    std::vector<RowHandle> rows;
    w.tree().GetCheckedRows(rows);
    return rows.size();
  };

  clickBox();  // no row at all
  EXPECT_FALSE(h.GetCheckAll());
  const RowHandle locked = w.AddDevice({L"10.0.9.9"});
  w.tree().SetCheckBoxEnabled(locked, false);
  clickBox();  // no row that can be ticked
  EXPECT_FALSE(h.GetCheckAll());
  EXPECT_EQ(boxLook(), unticked);

  const RowHandle a = w.AddDevice({L"10.0.9.1"});
  const RowHandle b = w.AddDevice({L"10.0.9.2"});
  w.Paint();
  clickBox();
  EXPECT_TRUE(h.GetCheckAll());
  EXPECT_EQ(checkedRows(), 2u);
  const std::vector<COLORREF> ticked = boxLook();
  EXPECT_NE(ticked, unticked);

  // A search's later answers come unticked: the box no longer says every row is ticked,
  // and its next click ticks the rest instead of unticking everything.
  const RowHandle late = w.AddDevice({L"10.0.9.3"});
  EXPECT_FALSE(h.GetCheckAll());
  EXPECT_EQ(boxLook(), unticked);
  clickBox();
  EXPECT_TRUE(h.GetCheckAll());
  EXPECT_EQ(checkedRows(), 3u);
  EXPECT_TRUE(w.tree().IsChecked(late));
  EXPECT_EQ(boxLook(), ticked);

  // One row unticked by hand clears the box; ticked again, every row is ticked again.
  w.Paint();
  w.PressPart(a, JTreeCtrl::RowPart::CheckBox);
  EXPECT_FALSE(h.GetCheckAll());
  EXPECT_EQ(boxLook(), unticked);
  w.PressPart(a, JTreeCtrl::RowPart::CheckBox);
  EXPECT_TRUE(h.GetCheckAll());
  // The one unticked row going leaves every row ticked; the last rows going leave none.
  w.tree().SetChecked(b, false);
  EXPECT_FALSE(h.GetCheckAll());
  w.tree().DeleteRow(b);
  EXPECT_TRUE(h.GetCheckAll());
  w.tree().DeleteAllRows();
  EXPECT_FALSE(h.GetCheckAll());
  EXPECT_EQ(boxLook(), unticked);
}

// The header remembers the order the rows are shown in, whoever sorted them: rows that a
// search sorts in ascending as they come, and the rows of a new search, are shown
// ascending, so the next click on the column sorts them descending.
TEST(GridHeader, TheNextClickReversesTheOrderShown) {
  struct Case {
    const char* what;
    int column;           // the header column clicked
    int clicksBefore;     // clicks on it before the rows are sorted again
    bool refresh;         // a new search (every row deleted, the columns set again)
  };
  const Case cases[] = {
      {"IP Address, a row arriving during the search", 1, 1, false},
      {"IP Address, after a Refresh", 1, 1, true},
      {"IP Address clicked twice, after a Refresh", 1, 2, true},
      {"Serial No. clicked twice, a row arriving", 2, 2, false},
      {"Serial No. clicked twice, after a Refresh", 2, 2, true},
  };
  for (const Case& c : cases) {
    GridWindow w(1100, 500, false);
    auto clickColumn = [&](int col) {
      CRect rc;
      w.header().GetItemRect(col, &rc);
      GridWindow::Click(w.header(), rc.CenterPoint().x, 14);
    };
    // Addresses and serial numbers in the same order.
    auto addRow = [&](int n) {
      w.AddDevice({L"10.0.0." + std::to_wstring(n), L"SN" + std::to_wstring(100 + n)});
      w.tree().SortByColumn(0, true);  // as the search sorts each row in
    };
    for (int n : {2, 10, 1}) addRow(n);
    for (int i = 0; i < c.clicksBefore; ++i) clickColumn(c.column);
    if (c.refresh) {
      w.tree().DeleteAllRows();
      w.grid.SetColumns(g_ColumnHeaders);
      for (int n : {3, 1, 2}) addRow(n);
    } else {
      addRow(5);
    }
    // Shown ascending now.
    auto cells = [&] {
      std::vector<std::wstring> out;
      for (RowHandle r : w.TreeOrder()) out.push_back(*w.tree().GetCell(r, 0));
      return out;
    };
    std::vector<std::wstring> shown = cells();
    ASSERT_TRUE(std::is_sorted(shown.begin(), shown.end(), [](const std::wstring& x, const std::wstring& y) {
      return std::stoi(x.substr(7)) < std::stoi(y.substr(7));
    })) << c.what;
    EXPECT_EQ(w.header().GetSortColumn(), c.column) << c.what;
    EXPECT_TRUE(w.header().GetSortAscending()) << c.what;
    clickColumn(c.column);
    std::reverse(shown.begin(), shown.end());
    EXPECT_EQ(cells(), shown) << c.what;
    EXPECT_FALSE(w.header().GetSortAscending()) << c.what;
  }
}

// The user's own sort is on the screen at once, and a press right after it acts on the row
// the screen shows under the mouse.
TEST(GridHeader, APressRightAfterASortActsOnTheRowShown) {
  GridWindow w(1100, 500, false);
  std::vector<RowHandle> rows;
  for (int i = 2; i <= 12; ++i) rows.push_back(w.AddDevice({L"10.0.0." + std::to_wstring(i)}));
  w.tree().SortByColumn(0, true);
  w.Paint();
  // How each row looks on the screen: its link, which shows its address.
  using Pixels = std::vector<COLORREF>;
  std::vector<Pixels> looks;
  for (std::size_t i = 0; i < rows.size(); ++i)
    looks.push_back(GridWindow::PixelsIn(w.tree(), GridWindow::PartInPlace((int)i, JTreeCtrl::RowPart::Link)));
  auto shownIn = [&](int place) {
    const Pixels px = GridWindow::PixelsIn(w.tree(), GridWindow::PartInPlace(place, JTreeCtrl::RowPart::Link));
    for (std::size_t i = 0; i < looks.size(); ++i)
      if (looks[i] == px) return rows[i];
    return kRootRow;
  };

  // A click on IP Address (descending) as the header reports it; nothing is pumped before
  // the press.
  w.header().OnColumnClick(1);
  EXPECT_FALSE(w.tree().IsRedrawDeferred());
  EXPECT_EQ(shownIn(0), rows.back());
  EXPECT_EQ(shownIn(1), rows[rows.size() - 2]);
  const RowHandle second = shownIn(1);
  const CPoint at = GridWindow::PartInPlace(1, JTreeCtrl::RowPart::CheckBox).CenterPoint();
  w.tree().SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
  w.tree().SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
  std::vector<RowHandle> checked;
  w.tree().GetCheckedRows(checked);
  EXPECT_EQ(checked, std::vector<RowHandle>{second});
}

TEST(GridHeader, HorizontalScrollBarScrollsHeaderAndRows) {
  GridWindow w(600, 400, false);  // 870 px of columns and the status caption in 600 px
  w.AddDevice({L"10.0.0.1"});
  CScrollBar& sb = w.grid.GetScrollBar();
  ASSERT_TRUE(sb.IsWindowVisible());
  int lo = -1, hi = -1;
  sb.GetScrollRange(&lo, &hi);
  EXPECT_EQ(lo, 0);
  const int range = w.grid.TotalColumnWidth() - 600;
  EXPECT_EQ(range, 870 + ItemWidth(w.header(), 7) - 600);
  EXPECT_EQ(hi, range);

  auto headerX = [&] {
    CRect rc;
    w.header().GetWindowRect(&rc);
    w.grid.ScreenToClient(&rc);
    return rc.left;
  };
  auto treeX = [&] {
    CRect rc;
    w.tree().GetWindowRect(&rc);
    w.grid.ScreenToClient(&rc);
    return rc.left;
  };
  auto scroll = [&](UINT code, int pos = 0) {
    w.grid.SendMessage(WM_HSCROLL, MAKEWPARAM(code, pos), (LPARAM)sb.m_hWnd);
    Pump();
  };
  scroll(SB_LINERIGHT);
  EXPECT_EQ(sb.GetScrollPos(), 20);
  EXPECT_EQ(headerX(), -20);
  EXPECT_EQ(treeX(), -20);
  scroll(SB_PAGERIGHT);
  EXPECT_EQ(sb.GetScrollPos(), range);
  EXPECT_EQ(headerX(), -range);
  scroll(SB_LINELEFT);
  EXPECT_EQ(sb.GetScrollPos(), range - 20);
  scroll(SB_LEFT);
  EXPECT_EQ(sb.GetScrollPos(), 0);
  EXPECT_EQ(headerX(), 0);
  scroll(SB_RIGHT);
  EXPECT_EQ(treeX(), -range);

  // Wide enough again: no scroll bar and nothing shifted.
  w.frame.SetWindowPos(nullptr, 0, 0, 1200, 450, SWP_NOMOVE | SWP_NOZORDER);
  CRect c;
  w.frame.GetClientRect(&c);
  w.grid.MoveWindow(0, 0, c.Width(), c.Height(), TRUE);
  Pump();
  EXPECT_FALSE(sb.IsWindowVisible());
  EXPECT_EQ(sb.GetScrollPos(), 0);
  EXPECT_EQ(headerX(), 0);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  gridtest::InitProcess();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
