// The device grid's rows in a real window: sorting, cells, check boxes, channel rows, the
// row buttons drawn with the rows, deletion, status writes and readers on other threads.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "kit/device_rows.h"
#include "tests/win/grid_test_window.h"

using gridtest::CountChildWindows;
using gridtest::GridWindow;
using gridtest::Pump;
using Part = JTreeCtrl::RowPart;

namespace {

TEST(GridRows, SortTableThroughTheTreeWindow) {
  struct Case {
    const char* name;
    int cell;
    bool ascending;
    std::vector<std::vector<std::wstring>> rows;
    std::vector<int> order;  // positions in rows
  };
  const std::vector<Case> cases = {
      {"ip numeric", 0, true, {{L"192.168.1.10"}, {L"192.168.1.9"}, {L"200.1.1.1"}, {L"1.2.3.4"}}, {3, 1, 0, 2}},
      {"ip unparsable last", 0, true, {{L"n/a"}, {L"10.0.0.1"}, {L""}, {L"10.0.0.0"}}, {3, 1, 0, 2}},
      {"ip descending", 0, false, {{L"192.168.1.9"}, {L"192.168.1.10"}, {L"x"}}, {2, 1, 0}},
      {"text, missing cell first", 3, true,
       {{L"1", L"", L"", L"b"}, {L"2"}, {L"3", L"", L"", L"A"}}, {1, 2, 0}},
      {"text descending", 3, false,
       {{L"1", L"", L"", L"b"}, {L"2"}, {L"3", L"", L"", L"A"}}, {0, 2, 1}},
  };
  for (const Case& c : cases) {
    GridWindow w(1000, 500, false);
    std::vector<RowHandle> rows;
    for (const auto& cells : c.rows) rows.push_back(w.AddDevice(cells));
    w.tree().SortByColumn(c.cell, c.ascending);
    std::vector<RowHandle> expect;
    for (int i : c.order) expect.push_back(rows[i]);
    EXPECT_EQ(w.TreeOrder(), expect) << c.name;
    EXPECT_EQ(w.tree().GetSortColumn(), c.cell);
  }
}

TEST(GridRows, ChannelRowsSortUnderTheirDeviceAndExpandOnlyWhenAllowed) {
  GridWindow w(1000, 500, false);  // basic search: child rows off
  const RowHandle dev = w.AddDevice({L"10.0.0.5"});
  const RowHandle ch2 = w.AddChannel(dev, L"2 - 10.0.0.5");
  const RowHandle ch1 = w.AddChannel(dev, L"1 - 10.0.0.5");
  w.tree().SortByColumn(0, false);  // channel texts are no addresses: order kept
  EXPECT_EQ(w.TreeOrder(dev), (std::vector<RowHandle>{ch2, ch1}));
  w.tree().SetCellText(ch2, 1, L"b");
  w.tree().SetCellText(ch1, 1, L"a");
  w.tree().SortByColumn(1, true);
  EXPECT_EQ(w.TreeOrder(dev), (std::vector<RowHandle>{ch1, ch2}));

  HTREEITEM item = JTreeCtrl::ItemOf(dev);
  w.tree().Expand(item, TVE_EXPAND);
  Pump();
  EXPECT_EQ(w.tree().GetItemState(item, TVIS_EXPANDED) & TVIS_EXPANDED, 0u);
  EXPECT_EQ(w.tree().CountShownRows(), 1);

  // Advanced search: the same row expands and the grid makes room for its channels.
  w.tree().SetChildRowsEnabled(true);
  w.tree().SelectItem(item);
  w.tree().SendMessage(WM_KEYDOWN, VK_ADD, 0);
  Pump();
  EXPECT_NE(w.tree().GetItemState(item, TVIS_EXPANDED) & TVIS_EXPANDED, 0u);
  EXPECT_EQ(w.tree().CountShownRows(), 3);
  CRect rc;
  w.tree().GetClientRect(&rc);
  EXPECT_EQ(rc.Height(), 3 * 20 + 1);
}

// Handles messages (timers included) until `done` or two seconds have passed.
template <class Done>
bool PumpUntil(Done done) {
  const DWORD start = ::GetTickCount();
  while (!done()) {
    if (::GetTickCount() - start > 2000) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    Pump();
  }
  return true;
}

TEST(GridRows, ABurstOfRowsReachesTheScreenByItself) {
  GridWindow w(1000, 500, false);
  std::vector<RowHandle> rows;
  for (int i = 0; i < 30; ++i) {
    rows.push_back(w.AddDevice({L"10.0.4." + std::to_wstring(i + 1), L"SN" + std::to_wstring(i)}));
    w.tree().SortByColumn(1, true);
    Pump();
  }
  // Nobody paints on purpose: the tree turns its drawing back on and paints by itself.
  EXPECT_TRUE(PumpUntil([&] { return !w.tree().IsRedrawDeferred(); }));
  Pump();
  CRect item;
  ASSERT_TRUE(w.tree().GetItemRect(JTreeCtrl::ItemOf(rows[0]), &item, FALSE));
  EXPECT_EQ(w.tree().GetPartRect(rows[0], Part::Link), CRect(81, item.top + 1, 185, item.top + 20));
  // The link shows the address in the buttons' grey.
  EXPECT_TRUE(w.PartShowsColour(rows[0], Part::Link, RGB(0x3C, 0x3C, 0x3C)));
}

TEST(GridRows, ABurstPaintsTheTreeOnlyWhereItsViewChanged) {
  GridWindow w(1000, 400, false);  // 16 rows in view
  std::vector<RowHandle> rows;
  auto add = [&] {
    const std::wstring n = std::to_wstring(rows.size() + 1);
    rows.push_back(w.AddDevice({L"10.0.9." + n, L"SN" + n, L"Cam " + n}));
  };
  for (int i = 0; i < 20; ++i) add();
  w.Paint();
  JTreeCtrl& tree = w.tree();
  auto toPaint = [&] { return ::GetUpdateRect(tree.m_hWnd, nullptr, FALSE) != FALSE; };
  CRect row2;
  ASSERT_TRUE(tree.GetItemRect(JTreeCtrl::ItemOf(rows[2]), &row2, FALSE));
  const CRect cells(190, row2.top + 2, 700, row2.bottom - 2);
  const std::vector<COLORREF> before = GridWindow::PixelsIn(tree, cells);

  // Rows below the view: the screen already shows what a paint would draw.
  for (int i = 0; i < 10; ++i) add();
  ASSERT_TRUE(tree.IsRedrawDeferred());
  tree.FlushRedraw();
  EXPECT_FALSE(toPaint());

  // What else waited for a paint meanwhile still gets it.
  add();
  ASSERT_TRUE(tree.IsRedrawDeferred());
  CRect damaged(300, 40, 340, 60);
  tree.InvalidateRect(&damaged, FALSE);
  tree.FlushRedraw();
  CRect left;
  ASSERT_TRUE(::GetUpdateRect(tree.m_hWnd, &left, FALSE));
  EXPECT_EQ(left, damaged);
  Pump();

  // A row in view changed during the burst: painted, and the screen shows it.
  add();
  tree.SetCellText(rows[2], 2, L"Renamed camera");
  ASSERT_TRUE(tree.IsRedrawDeferred());
  tree.FlushRedraw();
  EXPECT_TRUE(toPaint());
  Pump();
  EXPECT_NE(GridWindow::PixelsIn(tree, cells), before);

  // Rows that come into a view with room left are painted too.
  GridWindow few(1000, 400, false);
  few.AddDevice({L"10.0.8.1"});
  few.Paint();
  few.AddDevice({L"10.0.8.2"});
  ASSERT_TRUE(few.tree().IsRedrawDeferred());
  few.tree().FlushRedraw();
  EXPECT_TRUE(::GetUpdateRect(few.tree().m_hWnd, nullptr, FALSE));
}

TEST(GridRows, CellsBeyondTheEndAndTheLinkCaption) {
  GridWindow w(1000, 500, false);
  const RowHandle r = w.AddDevice({L"10.0.0.7"});
  EXPECT_FALSE(w.tree().GetCell(r, 5).has_value());
  w.tree().SetCellText(r, 5, L"Model X");
  auto row = w.tree().GetRow(r);
  ASSERT_TRUE(row.has_value());
  EXPECT_EQ(row->cells, (std::vector<std::wstring>{L"10.0.0.7", L"", L"", L"", L"", L"Model X"}));
  // The tree item's own text follows cell 0: a row is found by its address from outside.
  const HTREEITEM item = JTreeCtrl::ItemOf(r);
  EXPECT_STREQ(w.tree().GetItemText(item), L"10.0.0.7");
  w.tree().SetCellText(r, 0, L"10.0.0.8");
  EXPECT_STREQ(w.tree().GetItemText(item), L"10.0.0.8");
  w.tree().SetCellText(r, 0, L"");
  EXPECT_STREQ(w.tree().GetItemText(item), L"");
  EXPECT_FALSE(w.tree().GetCell(12345, 0).has_value());
  w.tree().SetCellText(12345, 0, L"nothing");  // no such row: no effect, no crash
  EXPECT_EQ(w.tree().GetRowCount(), 1u);
}

TEST(GridRows, LinkButtonOpensThePageOfItsAddress) {
  GridWindow w(1000, 500, false);
  std::vector<std::wstring> opened;
  w.tree().SetLinkHandler([&](const std::wstring& ip) { opened.push_back(ip); });
  const RowHandle r = w.AddDevice({L"10.0.0.9"});
  const RowHandle other = w.AddDevice({L"10.0.0.10"});
  w.tree().SelectItem(JTreeCtrl::ItemOf(other));
  w.Paint();
  w.PressPart(r, Part::Link);
  // The marker and the check box open nothing; the check box checks its row.
  w.PressPart(r, Part::Marker);
  w.PressPart(r, Part::CheckBox);
  EXPECT_EQ(opened, (std::vector<std::wstring>{L"10.0.0.9"}));
  EXPECT_TRUE(w.tree().IsChecked(r));
  // A press on a button is the button's: the caret stays, and nothing stays held.
  EXPECT_EQ(w.tree().GetSelectedItem(), JTreeCtrl::ItemOf(other));
  EXPECT_EQ(w.tree().GetPressedPart().part, Part::None);
  EXPECT_EQ(::GetCapture(), nullptr);
  w.PressPart(r, Part::CheckBox);
  EXPECT_FALSE(w.tree().IsChecked(r));
  // A quick second press is a press too.
  const CPoint box = w.tree().GetPartRect(r, Part::CheckBox).CenterPoint();
  w.tree().SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(box.x, box.y));
  w.tree().SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(box.x, box.y));
  w.tree().SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(box.x, box.y));
  w.tree().SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(box.x, box.y));
  EXPECT_FALSE(w.tree().IsChecked(r));
  // The link opens the address the row has now; an empty one opens nothing.
  w.tree().SetCellText(r, 0, L"10.0.0.19");
  w.PressPart(r, Part::Link);
  w.tree().SetCellText(r, 0, L"");
  w.PressPart(r, Part::Link);
  EXPECT_EQ(opened, (std::vector<std::wstring>{L"10.0.0.9", L"10.0.0.19"}));
  // A blocked row's link and a disabled check box take no press.
  w.tree().SetBlocked(other, true);
  w.tree().SetCheckBoxEnabled(other, false);
  w.PressPart(other, Part::Link);
  w.PressPart(other, Part::CheckBox);
  EXPECT_EQ(opened.size(), 2u);
  EXPECT_FALSE(w.tree().IsChecked(other));
  EXPECT_EQ(w.tree().GetSelectedItem(), JTreeCtrl::ItemOf(other));
}

// Each button is drawn as its row's state says: checked, disabled, blocked, under the mouse.
TEST(GridRows, RowButtonsAreDrawnByTheirState) {
  GridWindow w(1000, 500, false);
  const RowHandle plain = w.AddDevice({L"10.0.7.1"});
  const RowHandle checked = w.AddDevice({L"10.0.7.2"});
  const RowHandle disabled = w.AddDevice({L"10.0.7.3"});
  const RowHandle blocked = w.AddDevice({L"10.0.7.4"});
  w.tree().SetChecked(checked, true);
  w.tree().SetCheckBoxEnabled(disabled, false);
  w.tree().SetBlocked(blocked, true);
  w.Paint();
  const auto box = [&](RowHandle r) { return w.PartPixels(r, Part::CheckBox); };
  EXPECT_FALSE(box(plain).empty());
  EXPECT_NE(box(plain), box(checked));
  EXPECT_NE(box(plain), box(disabled));
  EXPECT_NE(box(checked), box(disabled));
  EXPECT_EQ(box(plain), box(blocked));  // blocking leaves the check box alone
  const auto marker = [&](RowHandle r) { return w.PartPixels(r, Part::Marker); };
  EXPECT_EQ(marker(plain), marker(blocked));  // a disabled marker keeps its normal image

  constexpr COLORREF grey = RGB(0x3C, 0x3C, 0x3C), hover = RGB(0x14, 0x60, 0xB2), off = RGB(0xB2, 0xB2, 0xB2);
  EXPECT_TRUE(w.PartShowsColour(plain, Part::Link, grey));
  EXPECT_TRUE(w.PartShowsColour(blocked, Part::Link, off));
  EXPECT_FALSE(w.PartShowsColour(blocked, Part::Link, grey));

  // Under the mouse: the link turns blue and the marker lights up; a blocked row's do not.
  const std::vector<COLORREF> markerBefore = marker(plain);
  for (Part part : {Part::Link, Part::Marker}) {
    const CPoint at = w.tree().GetPartRect(plain, part).CenterPoint();
    w.tree().SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
    Pump();
    EXPECT_EQ(w.tree().GetHotPart(), (JTreeCtrl::PartRef{plain, part}));
  }
  EXPECT_NE(marker(plain), markerBefore);
  CPoint at = w.tree().GetPartRect(plain, Part::Link).CenterPoint();
  w.tree().SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
  Pump();
  EXPECT_TRUE(w.PartShowsColour(plain, Part::Link, hover));
  EXPECT_EQ(marker(plain), markerBefore);
  at = w.tree().GetPartRect(blocked, Part::Link).CenterPoint();
  w.tree().SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
  Pump();
  EXPECT_FALSE(w.PartShowsColour(plain, Part::Link, hover));
  EXPECT_FALSE(w.PartShowsColour(blocked, Part::Link, hover));
  // Off the buttons, and out of the tree: nothing keeps the hover look.
  w.tree().SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(400, at.y));
  EXPECT_EQ(w.tree().GetHotPart().part, Part::None);
  w.tree().SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
  w.tree().SendMessage(WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(w.tree().GetHotPart().part, Part::None);

  // Checking all redraws every box.
  w.tree().CheckAll(true);
  Pump();
  EXPECT_EQ(box(plain), box(checked));
}

TEST(GridRows, ButtonsFollowTheRowsInView) {
  GridWindow w(1000, 400, false);  // the tree stops at 400 - 75 px: 16 rows in view
  std::vector<RowHandle> rows;
  for (int i = 0; i < 40; ++i) rows.push_back(w.AddDevice({L"10.0.1." + std::to_wstring(i + 1)}));
  const RowHandle channel = w.AddChannel(rows[0], L"1 - 10.0.1.1");
  w.tree().SetChecked(rows[35], true);
  w.tree().SetBlocked(rows[36], true);
  w.tree().SetCheckBoxEnabled(rows[37], false);
  w.Paint();
  auto shown = [&](RowHandle r) { return w.Shows(r, Part::CheckBox); };
  EXPECT_TRUE(shown(rows[0]));
  EXPECT_TRUE(w.Shows(rows[0], Part::Link));
  EXPECT_TRUE(w.Shows(rows[0], Part::Marker));
  EXPECT_TRUE(shown(rows[10]));
  EXPECT_FALSE(shown(rows[20]));
  EXPECT_FALSE(shown(rows[39]));
  EXPECT_FALSE(w.Shows(channel, Part::Marker));  // collapsed
  EXPECT_EQ(CountChildWindows(w.tree().m_hWnd), 0);  // the buttons are drawn, not windows

  // The strip below keeps its room: the tree is capped.
  CRect tree;
  w.tree().GetClientRect(&tree);
  EXPECT_EQ(tree.Height(), 400 - 75 + 1);

  // Scrolled to the end: the first rows' buttons go, the last rows' come, each with its
  // own row's states: a press reaches the row it shows.
  const CPoint topBox = w.tree().GetPartRect(rows[0], Part::CheckBox).CenterPoint();
  w.tree().EnsureVisible(JTreeCtrl::ItemOf(rows[39]));
  w.Paint();
  EXPECT_FALSE(shown(rows[0]));
  EXPECT_FALSE(w.Shows(rows[0], Part::Marker));
  EXPECT_TRUE(shown(rows[39]));
  EXPECT_NE(w.PartPixels(rows[35], Part::CheckBox), w.PartPixels(rows[34], Part::CheckBox));
  EXPECT_NE(w.PartPixels(rows[37], Part::CheckBox), w.PartPixels(rows[34], Part::CheckBox));
  EXPECT_FALSE(w.PartShowsColour(rows[36], Part::Link, RGB(0x3C, 0x3C, 0x3C)));
  EXPECT_TRUE(w.PartShowsColour(rows[38], Part::Link, RGB(0x3C, 0x3C, 0x3C)));
  const JTreeCtrl::PartRef under = w.tree().PartAt(topBox);
  ASSERT_EQ(under.part, Part::CheckBox);
  EXPECT_NE(under.row, rows[0]);
  w.tree().SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(topBox.x, topBox.y));
  w.tree().SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(topBox.x, topBox.y));
  EXPECT_FALSE(w.tree().IsChecked(rows[0]));
  EXPECT_TRUE(w.tree().IsChecked(under.row));
  // And back: the rows at the top get theirs again.
  w.tree().EnsureVisible(JTreeCtrl::ItemOf(rows[0]));
  w.Paint();
  EXPECT_TRUE(shown(rows[0]));
  w.tree().EnsureVisible(JTreeCtrl::ItemOf(rows[39]));
  w.Paint();
  // A shown button sits on its row.
  CRect item;
  w.tree().GetItemRect(JTreeCtrl::ItemOf(rows[39]), &item, FALSE);
  EXPECT_EQ(w.tree().GetPartRect(rows[39], Part::CheckBox), CRect(25, item.top + 3, 39, item.top + 17));
  EXPECT_EQ(w.tree().GetPartRect(rows[39], Part::Marker), CRect(58, item.top + 3, 72, item.top + 17));
}

// The tree draws no scroll bar of its own: the grid's bar beside it follows every way the
// rows scroll (its arrows and pages, a drag, the wheel, the keyboard, a row made visible),
// counts expanded channel rows, and goes when the rows fit again.
TEST(GridRows, RowsScrollByTheGridsOwnBar) {
  GridWindow w(1000, 400, true);
  std::vector<RowHandle> rows;
  for (int i = 0; i < 40; ++i) rows.push_back(w.AddDevice({L"10.0.2." + std::to_wstring(i + 1)}));
  w.Paint();
  JScrollBar& bar = w.grid.GetRowBar();
  auto first = [&] {
    const RowHandle top = JTreeCtrl::RowOf(w.tree().GetFirstVisibleItem());
    return static_cast<int>(std::find(rows.begin(), rows.end(), top) - rows.begin());
  };
  auto info = [&] {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    bar.GetScrollInfo(&si, SIF_ALL);
    return si;
  };
  auto barScroll = [&](UINT code) {
    w.grid.SendMessage(WM_VSCROLL, MAKEWPARAM(code, 0), (LPARAM)bar.m_hWnd);
    w.Paint();
  };
  EXPECT_EQ(w.tree().GetStyle() & (WS_VSCROLL | WS_HSCROLL), 0u);
  ASSERT_TRUE(bar.IsWindowVisible());
  // The bar stands at the right of the rows, as tall as the tree, which leaves it the room.
  CRect tree, at;
  w.tree().GetWindowRect(&tree);
  bar.GetWindowRect(&at);
  EXPECT_EQ(at.left, tree.right);
  EXPECT_EQ(at.top, tree.top);
  EXPECT_EQ(at.bottom, tree.bottom);
  CRect grid;
  w.grid.GetWindowRect(&grid);
  EXPECT_EQ(at.right, grid.right);
  EXPECT_EQ(info().nMax, 39);
  const int page = static_cast<int>(w.tree().GetVisibleCount());
  const int last = 40 - page;
  ASSERT_GT(page, 10);
  EXPECT_EQ(info().nPage, static_cast<UINT>(page));
  EXPECT_EQ(info().nPos, 0);

  struct Step {
    const char* what;
    std::function<void()> act;
    int first;
  };
  // A press of the left button on the bar, as the user makes it.
  auto press = [&](int y) { bar.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(8, y)); };
  auto release = [&](int y) {
    bar.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(8, y));
    w.Paint();
  };
  UINT lines = 3;
  ::SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
  const int wheel = static_cast<int>(lines);
  const std::vector<Step> steps = {
      {"a line down", [&] { barScroll(SB_LINEDOWN); }, 1},
      {"a page down", [&] { barScroll(SB_PAGEDOWN); }, 1 + page},
      {"a page past the end stops at the last rows", [&] { barScroll(SB_PAGEDOWN); }, last},
      {"a line up", [&] { barScroll(SB_LINEUP); }, last - 1},
      {"the top", [&] { barScroll(SB_TOP); }, 0},
      {"the bottom", [&] { barScroll(SB_BOTTOM); }, last},
      {"a drag of the thumb",
       [&] {
         w.tree().SendMessage(WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 5), 0);
         w.Paint();
       },
       5},
      {"the wheel down a notch",
       [&] {
         w.tree().SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
         w.Paint();
       },
       5 + wheel},
      {"half a notch up does nothing yet",
       [&] {
         w.tree().SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA / 2), 0);
         w.Paint();
       },
       5 + wheel},
      {"the other half scrolls",
       [&] {
         w.tree().SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA / 2), 0);
         w.Paint();
       },
       5},
      {"End on the keyboard shows the last row",
       [&] {
         w.tree().SelectItem(JTreeCtrl::ItemOf(rows[5]));
         w.tree().SendMessage(WM_KEYDOWN, VK_END, 0);
         w.Paint();
       },
       last},
      {"Home shows the first",
       [&] {
         w.tree().SendMessage(WM_KEYDOWN, VK_HOME, 0);
         w.Paint();
       },
       0},
      {"a row made visible below the view comes to its bottom",
       [&] {
         w.tree().EnsureVisible(JTreeCtrl::ItemOf(rows[30]));
         w.Paint();
       },
       31 - page},
      {"a press on the bar's down arrow",
       [&] {
         press(at.Height() - 4);
         release(at.Height() - 4);
       },
       31 - page + 1},
      {"a press on the track above the thumb",
       [&] {
         const RowBarLayout l = bar.Layout();
         press(l.thumbTop - 2);
         release(l.thumbTop - 2);
       },
       31 - page + 1 - page},
      {"the thumb dragged to the bottom of the track",
       [&] {
         const RowBarLayout l = bar.Layout();
         const int grab = (l.thumbTop + l.thumbBottom) / 2;
         press(grab);
         bar.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(8, grab + at.Height()));
         release(grab + at.Height());
       },
       last},
      {"a row selected above it comes to its top",
       [&] {
         w.tree().ShowRow(rows[3]);
         w.Paint();
       },
       3},
  };
  for (const Step& st : steps) {
    st.act();
    EXPECT_EQ(first(), st.first) << st.what;
    EXPECT_EQ(info().nPos, st.first) << st.what;
  }

  // Channel rows that open count as rows of the view.
  for (int c = 1; c <= 4; ++c) w.AddChannel(rows[0], std::to_wstring(c) + L" - 10.0.2.1");
  w.tree().Expand(JTreeCtrl::ItemOf(rows[0]), TVE_EXPAND);
  w.grid.SendMessage(WM_GRID_RELAYOUT);
  w.Paint();
  EXPECT_EQ(info().nMax, 43);

  // Rows that go until the rest fit: the bar goes, the tree takes its room back and shows
  // its first row.
  barScroll(SB_BOTTOM);
  for (int i = 39; i >= 10; --i) w.tree().DeleteRow(rows[i]);
  w.grid.UpdateScrollBar();
  w.Paint();
  EXPECT_FALSE(bar.IsWindowVisible());
  w.tree().GetWindowRect(&tree);
  EXPECT_EQ(tree.right, grid.right);
  EXPECT_EQ(first(), 0);
}

TEST(GridRows, DeletingRowsReleasesButtonsAndHandles) {
  GridWindow w(1000, 500, true);
  const RowHandle a = w.AddDevice({L"10.0.0.1"});
  const RowHandle b = w.AddDevice({L"10.0.0.2"});
  const RowHandle c1 = w.AddChannel(a, L"1 - 10.0.0.1");
  const RowHandle c2 = w.AddChannel(a, L"2 - 10.0.0.1");
  w.Paint();
  EXPECT_TRUE(w.Shows(a, Part::CheckBox));
  EXPECT_TRUE(w.Shows(b, Part::Link));
  EXPECT_FALSE(w.Shows(c1, Part::Marker));  // collapsed

  // The caret row is deleted after a paint remembered it, with the mouse on its link and
  // while its check box is held down.
  w.tree().SelectItem(JTreeCtrl::ItemOf(a));
  w.tree().SetChecked(c1, true);
  w.Paint();
  const CPoint link = w.tree().GetPartRect(a, Part::Link).CenterPoint();
  const CPoint box = w.tree().GetPartRect(a, Part::CheckBox).CenterPoint();
  w.tree().SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(link.x, link.y));
  w.tree().SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(box.x, box.y));
  EXPECT_EQ(w.tree().GetPressedPart(), (JTreeCtrl::PartRef{a, Part::CheckBox}));
  w.tree().DeleteRow(a);
  EXPECT_FALSE(w.tree().HasRow(a));
  EXPECT_FALSE(w.tree().HasRow(c1));
  EXPECT_FALSE(w.tree().HasRow(c2));
  EXPECT_EQ(w.tree().GetLastCaretRow(), kRootRow);
  EXPECT_EQ(w.tree().GetHotPart().part, Part::None);
  EXPECT_EQ(w.tree().GetPressedPart().part, Part::None);
  EXPECT_EQ(::GetCapture(), nullptr);
  EXPECT_TRUE(w.tree().GetPartRect(a, Part::CheckBox).IsRectEmpty());
  std::vector<RowHandle> checked;
  w.tree().GetCheckedRows(checked);
  EXPECT_TRUE(checked.empty());
  w.tree().SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(box.x, box.y));
  w.Paint();  // painting after the deletion touches no released row
  EXPECT_TRUE(w.Shows(b, Part::CheckBox));

  // A new search deletes every row: widths emptied, sort column 0.
  for (int i = 0; i < 30; ++i) w.AddDevice({L"10.0.2." + std::to_wstring(i)});
  w.tree().SortByColumn(3, true);
  w.tree().SelectItem(JTreeCtrl::ItemOf(b));
  w.Paint();
  w.tree().DeleteAllRows();
  EXPECT_EQ(w.tree().GetRowCount(), 0u);
  EXPECT_EQ(w.tree().GetCount(), 0u);
  EXPECT_EQ(w.tree().ColumnWidths().Count(), 0u);
  EXPECT_EQ(w.tree().GetSortColumn(), 0);
  EXPECT_EQ(w.tree().GetLastCaretRow(), kRootRow);
  EXPECT_EQ(w.tree().PartAt(box).part, Part::None);
  w.Paint();

  // The columns are set again and rows come back.
  w.grid.SetColumns(g_ColumnHeadersWithName);
  const RowHandle again = w.AddDevice({L"10.0.0.3"});
  w.Paint();
  EXPECT_TRUE(w.Shows(again, Part::CheckBox));
  EXPECT_EQ(CountChildWindows(w.tree().m_hWnd), 0);
}

TEST(GridRows, CloseDeletesEverything) {
  auto* w = new GridWindow(1000, 500, false);
  for (int i = 0; i < 5; ++i) w->AddDevice({L"10.0.3." + std::to_wstring(i)});
  const HWND gridWnd = w->grid.m_hWnd;
  const HWND treeWnd = w->tree().m_hWnd;
  w->grid.SendMessage(WM_CLOSE);
  Pump();
  EXPECT_FALSE(::IsWindow(treeWnd));
  EXPECT_FALSE(::IsWindow(gridWnd));
  EXPECT_EQ(w->grid.GetTree(), nullptr);
  EXPECT_EQ(w->grid.GetHeader(), nullptr);
  EXPECT_EQ(CountChildWindows(w->frame.m_hWnd), 0);
  delete w;
}

TEST(GridRows, StatusWritesByRowKey) {
  GridWindow w(1000, 500, false);
  ASSERT_EQ(g_pDeviceRows, static_cast<DeviceRowTarget*>(&w.grid));
  const RowHandle r = w.AddDevice({L"10.0.0.4"});
  EXPECT_TRUE(g_pDeviceRows->SetStatusCell(r, RGB(0x43, 0x8C, 0x12), L"Success"));
  EXPECT_TRUE(g_pDeviceRows->SetFirmwareCell(r, L"V1.2"));
  EXPECT_TRUE(g_pDeviceRows->SetAddressCell(r, L"10.0.0.40"));
  auto row = w.tree().GetRow(r);
  ASSERT_TRUE(row.has_value());
  EXPECT_EQ(row->statusColour, (std::uint32_t)RGB(0x43, 0x8C, 0x12));
  ASSERT_EQ(row->cells.size(), 7u);  // Status is cell 6 without the camera name
  EXPECT_EQ(row->cells[6], L"Success");
  EXPECT_EQ(row->cells[3], L"V1.2");
  EXPECT_STREQ(w.tree().GetItemText(JTreeCtrl::ItemOf(r)), L"10.0.0.40");
  // A row that is gone changes nothing.
  w.tree().DeleteRow(r);
  EXPECT_FALSE(g_pDeviceRows->SetStatusCell(r, RGB(187, 0, 0), L"Failed"));
}

TEST(GridRows, MarkerTipsFollowTheirRows) {
  GridWindow w(1000, 500, true);
  CToolTipCtrl& tip = w.tree().GetToolTip();
  ASSERT_TRUE(tip.m_hWnd != nullptr);
  const RowHandle a = w.AddDevice({L"10.0.6.1"});
  const RowHandle b = w.AddDevice({L"10.0.6.2"});
  const RowHandle c = w.AddDevice({L"10.0.6.3"});
  w.tree().SetMarkerTip(a, L"Platform = A");
  w.tree().SetMarkerTip(b, L"Platform = K");
  w.Paint();
  EXPECT_EQ(w.tree().GetRow(a)->markerTip, L"Platform = A");
  // What the tip shows, and where, with the mouse at a point of the tree.
  auto tipAt = [&](CPoint at, CRect* where) {
    w.tree().SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
    CString text;
    tip.GetText(text, &w.tree(), JTreeCtrl::kMarkerTipId);
    *where = tip.GetToolRect(&w.tree(), JTreeCtrl::kMarkerTipId);
    return std::wstring(text.GetString());
  };
  const CRect markerA = w.tree().GetPartRect(a, Part::Marker), markerB = w.tree().GetPartRect(b, Part::Marker);
  CRect where;
  EXPECT_EQ(tipAt(markerA.CenterPoint(), &where), L"Platform = A");
  EXPECT_EQ(where, markerA);
  w.tree().SetMarkerTip(a, L"Platform = T");  // replaced while the mouse rests on it
  CString now;
  tip.GetText(now, &w.tree(), JTreeCtrl::kMarkerTipId);
  EXPECT_STREQ(now, L"Platform = T");
  EXPECT_EQ(tipAt(markerB.CenterPoint(), &where), L"Platform = K");
  EXPECT_EQ(where, markerB);
  // A marker without a tip, a cell, a deleted row: no tip anywhere.
  tipAt(w.tree().GetPartRect(c, Part::Marker).CenterPoint(), &where);
  EXPECT_TRUE(where.IsRectEmpty());
  tipAt(CPoint(400, markerA.top), &where);
  EXPECT_TRUE(where.IsRectEmpty());
  tipAt(markerB.CenterPoint(), &where);
  w.tree().DeleteRow(b);
  tip.GetText(now, &w.tree(), JTreeCtrl::kMarkerTipId);
  EXPECT_TRUE(tip.GetToolRect(&w.tree(), JTreeCtrl::kMarkerTipId).IsRectEmpty());
}

// Holds a key down in this thread's keyboard state (what GetKeyState reads).
void HoldKey(int vk, bool down) {
  BYTE keys[256];
  ::GetKeyboardState(keys);
  keys[vk] = down ? 0x80 : 0;
  ::SetKeyboardState(keys);
}

// A click on a row as the user makes it (the tree follows the mouse until the button is up).
void ClickRow(GridWindow& w, RowHandle row) {
  CRect rc;
  w.tree().GetItemRect(JTreeCtrl::ItemOf(row), &rc, FALSE);
  const LPARAM at = MAKELPARAM(300, rc.top + 5);
  w.tree().PostMessage(WM_LBUTTONUP, 0, at);
  w.tree().SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, at);
  Pump();
}

void PressKey(GridWindow& w, int vk) {
  w.tree().SendMessage(WM_KEYDOWN, vk, 1);
  w.tree().SendMessage(WM_KEYUP, vk, 0xC0000001);
  Pump();
}

TEST(GridRows, ShiftCtrlAndDoubleClickOfTheUserToggleChecks) {
  GridWindow w(1000, 500, false);
  std::vector<RowHandle> r;
  for (int i = 0; i < 6; ++i) r.push_back(w.AddDevice({L"10.0.5." + std::to_wstring(i + 1)}));
  w.Paint();
  auto checked = [&] {
    std::vector<RowHandle> out;
    for (RowHandle h : r) out.push_back(w.tree().IsChecked(h) ? 1 : 0);
    return out;
  };
  using V = std::vector<RowHandle>;
  ClickRow(w, r[1]);  // no key held: nothing toggles
  EXPECT_EQ(checked(), (V{0, 0, 0, 0, 0, 0}));

  HoldKey(VK_SHIFT, true);
  ClickRow(w, r[3]);  // downward: rows 1..3 invert
  EXPECT_EQ(checked(), (V{0, 1, 1, 1, 0, 0}));
  PressKey(w, VK_UP);  // upward by key: rows 2..3 invert back
  EXPECT_EQ(checked(), (V{0, 1, 0, 0, 0, 0}));
  HoldKey(VK_SHIFT, false);

  HoldKey(VK_CONTROL, true);
  ClickRow(w, r[5]);
  EXPECT_EQ(checked(), (V{0, 1, 0, 0, 0, 1}));
  HoldKey(VK_CONTROL, false);
  // The check boxes show what the rows hold.
  Pump();
  EXPECT_NE(w.PartPixels(r[1], Part::CheckBox), w.PartPixels(r[3], Part::CheckBox));
  EXPECT_EQ(w.PartPixels(r[0], Part::CheckBox), w.PartPixels(r[3], Part::CheckBox));

  // A double click on the caret row inverts it; one on another row does not.
  CRect caret, other;
  w.tree().GetItemRect(JTreeCtrl::ItemOf(r[5]), &caret, FALSE);
  w.tree().GetItemRect(JTreeCtrl::ItemOf(r[4]), &other, FALSE);
  w.tree().SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(400, caret.top + 5));
  Pump();
  EXPECT_FALSE(w.tree().IsChecked(r[5]));
  w.tree().SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(400, other.top + 5));
  Pump();
  EXPECT_FALSE(w.tree().IsChecked(r[4]));
  EXPECT_FALSE(w.tree().IsChecked(r[5]));

  // The program moves the caret too (answers select their rows, deletion moves it): whatever
  // keys are held meanwhile, that toggles nothing.
  for (int vk : {VK_CONTROL, VK_SHIFT}) {
    HoldKey(vk, true);
    w.tree().SelectItem(JTreeCtrl::ItemOf(r[2]));
    w.tree().SelectItem(JTreeCtrl::ItemOf(r[4]));
    HoldKey(vk, false);
    EXPECT_EQ(checked(), (V{0, 1, 0, 0, 0, 0})) << vk;
  }
  HoldKey(VK_CONTROL, true);
  w.tree().DeleteRow(r[5]);
  HoldKey(VK_CONTROL, false);
  r.pop_back();
  EXPECT_EQ(checked(), (V{0, 1, 0, 0, 0}));
}

// A search in progress: 10.0.0.2 ... 10.0.0.12 but .7 in view as painted, then .7 arrives and
// is sorted in while the tree's drawing is off: on the screen .8 still shows in the sixth
// place, where the tree now holds .7.
struct SearchInView {
  GridWindow w{1000, 500, false};
  std::vector<RowHandle> painted;  // top down, as the screen shows them
  RowHandle late = 0;
  SearchInView() {
    for (int i = 2; i <= 12; ++i)
      if (i != 7) painted.push_back(w.AddDevice({L"10.0.0." + std::to_wstring(i)}));
    w.tree().SortByColumn(0, true);
    w.Paint();
  }
  void Arrive() {
    late = w.AddDevice({L"10.0.0.7"});
    w.tree().SortByColumn(0, true);  // as the search sorts each row in
  }
};

// A press is judged against what the screen shows, not against where the rows are now.
TEST(GridRows, APressWhileRowsArriveActsOnTheRowShownUnderTheMouse) {
  struct Case {
    const char* what;
    int place;  // the place pressed, from the top
    Part part;  // Part::None: the row itself, with Ctrl held
    int expected;  // the painted row that must be acted on, -1 for none
  };
  const Case cases[] = {
      {"check box of .8", 5, Part::CheckBox, 5},
      {"link of .8", 5, Part::Link, 5},
      {"Ctrl and a click on .8's row", 5, Part::None, 5},
      {"check box of .12", 9, Part::CheckBox, 9},
      {"check box where nothing is shown yet", 10, Part::CheckBox, -1},
      {"Ctrl and a click where nothing is shown yet", 10, Part::None, -1},
  };
  for (const Case& c : cases) {
    SearchInView s;
    std::vector<std::wstring> opened;
    s.w.tree().SetLinkHandler([&](const std::wstring& ip) { opened.push_back(ip); });
    const CRect box = GridWindow::PartInPlace(c.place, Part::CheckBox);
    const std::vector<COLORREF> boxBefore = GridWindow::PixelsIn(s.w.tree(), box);
    s.Arrive();
    ASSERT_TRUE(s.w.tree().IsRedrawDeferred()) << c.what;
    CRect nowAt;
    ASSERT_TRUE(s.w.tree().GetItemRect(JTreeCtrl::ItemOf(s.late), &nowAt, FALSE));
    ASSERT_EQ(nowAt.top, 5 * JTreeCtrl::kRowHeight);  // .7 is where .8 is drawn

    if (c.part == Part::None) {
      HoldKey(VK_CONTROL, true);
      const LPARAM at = MAKELPARAM(300, c.place * JTreeCtrl::kRowHeight + 5);
      s.w.tree().PostMessage(WM_LBUTTONUP, 0, at);
      s.w.tree().SendMessage(WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, at);
      HoldKey(VK_CONTROL, false);
    } else {
      const CPoint at = GridWindow::PartInPlace(c.place, c.part).CenterPoint();
      s.w.tree().SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
      s.w.tree().SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    }
    const RowHandle target = c.expected < 0 ? kRootRow : s.painted[c.expected];
    std::vector<RowHandle> checked;
    s.w.tree().GetCheckedRows(checked);
    if (c.part == Part::Link) {
      EXPECT_TRUE(checked.empty()) << c.what;
      EXPECT_EQ(opened, (std::vector<std::wstring>{*s.w.tree().GetCell(target, 0)})) << c.what;
    } else {
      EXPECT_TRUE(opened.empty()) << c.what;
      EXPECT_EQ(checked, target ? std::vector<RowHandle>{target} : std::vector<RowHandle>{}) << c.what;
    }
    if (c.part == Part::CheckBox && target) {
      // The box is drawn ticked where the user pressed it, while the rows still wait.
      Pump();
      if (s.w.tree().IsRedrawDeferred()) {
        EXPECT_NE(GridWindow::PixelsIn(s.w.tree(), box), boxBefore) << c.what;
      }
    }
    // Once the rows are shown where they are, the ticked row shows its tick and the late
    // row none.
    EXPECT_TRUE(PumpUntil([&] { return !s.w.tree().IsRedrawDeferred(); })) << c.what;
    s.w.Paint();
    if (c.part != Part::Link && target) {
      EXPECT_NE(s.w.PartPixels(target, Part::CheckBox), s.w.PartPixels(s.late, Part::CheckBox)) << c.what;
    }
  }
}

// While rows arrive the buttons the screen shows answer the mouse as at rest: the hover
// look, the hand cursor and the marker's tip.
TEST(GridRows, ButtonsAnswerTheMouseWhileRowsArrive) {
  SearchInView s;
  JTreeCtrl& tree = s.w.tree();
  const RowHandle eight = s.painted[5];
  tree.SetMarkerTip(eight, L"Platform = K");
  s.Arrive();
  ASSERT_TRUE(tree.IsRedrawDeferred());

  const CRect link = GridWindow::PartInPlace(5, Part::Link), marker = GridWindow::PartInPlace(5, Part::Marker);
  tree.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(link.CenterPoint().x, link.CenterPoint().y));
  EXPECT_EQ(tree.GetHotPart(), (JTreeCtrl::PartRef{eight, Part::Link}));
  EXPECT_EQ(tree.GetPartRect(eight, Part::Link), link);
  ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
  EXPECT_TRUE(tree.SendMessage(WM_SETCURSOR, (WPARAM)tree.m_hWnd, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
  EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_HAND));
  Pump();
  const bool stillDeferred = tree.IsRedrawDeferred();
  const COLORREF hover = RGB(0x14, 0x60, 0xB2);
  const std::vector<COLORREF> px = GridWindow::PixelsIn(tree, link);
  if (stillDeferred) {
    EXPECT_NE(std::find(px.begin(), px.end(), hover), px.end());
  }

  tree.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(marker.CenterPoint().x, marker.CenterPoint().y));
  EXPECT_EQ(tree.GetHotPart(), (JTreeCtrl::PartRef{eight, Part::Marker}));
  CString text;
  tree.GetToolTip().GetText(text, &tree, JTreeCtrl::kMarkerTipId);
  EXPECT_STREQ(text, L"Platform = K");
  EXPECT_EQ(tree.GetToolTip().GetToolRect(&tree, JTreeCtrl::kMarkerTipId), marker);
  // Hovering brings no rows forward: the screen keeps them still under the mouse.
  EXPECT_EQ(tree.IsRedrawDeferred(), stillDeferred);

  // Where the screen shows no row yet, nothing answers.
  const CPoint empty = GridWindow::PartInPlace(10, Part::Link).CenterPoint();
  tree.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(empty.x, empty.y));
  EXPECT_EQ(tree.GetHotPart().part, Part::None);
}

// What a tool reading the tree finds for a row: the address as the item's text and the
// check state as its state image (1 unticked, 2 ticked; a channel row has none). The tree
// keeps no state images of its own: it draws no box and toggles none itself.
TEST(GridRows, TheTreeItemsCarryTheirAddressAndCheckState) {
  GridWindow w(1000, 500, true);
  const RowHandle a = w.AddDevice({L"10.0.8.1"});
  const RowHandle b = w.AddDevice({L"10.0.8.2"});
  const RowHandle ch = w.AddChannel(a, L"1 - 10.0.8.1");
  w.tree().Expand(JTreeCtrl::ItemOf(a), TVE_EXPAND);
  w.Paint();
  // Read as another program would: the tree's own messages.
  auto read = [&](RowHandle r, std::wstring* text) {
    wchar_t buf[64] = {0};
    TVITEMW it{};
    it.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_STATE;
    it.hItem = JTreeCtrl::ItemOf(r);
    it.stateMask = TVIS_STATEIMAGEMASK;
    it.pszText = buf;
    it.cchTextMax = 63;
    if (!w.tree().SendMessage(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it))) return ~0u;
    if (text) *text = buf;
    return (it.state & TVIS_STATEIMAGEMASK) >> 12;
  };
  using States = std::vector<unsigned>;
  auto states = [&] { return States{read(a, nullptr), read(b, nullptr), read(ch, nullptr)}; };
  struct Step {
    const char* what;
    std::function<void()> run;
    States expected;  // a, b, channel
  };
  const Step steps[] = {
      {"as inserted", [] {}, {1, 1, 0}},
      {"a's box pressed", [&] { w.PressPart(a, Part::CheckBox); }, {2, 1, 0}},
      {"check all from the header", [&] { GridWindow::Click(w.header(), 30, 14); }, {2, 2, 0}},
      {"b's box pressed", [&] { w.PressPart(b, Part::CheckBox); }, {2, 1, 0}},
      {"Ctrl and a click on b", [&] {
         HoldKey(VK_CONTROL, true);
         ClickRow(w, b);
         HoldKey(VK_CONTROL, false);
       }, {2, 2, 0}},
      {"a's box disabled", [&] { w.tree().SetCheckBoxEnabled(a, false); }, {1, 2, 0}},
      {"a's box enabled again", [&] { w.tree().SetCheckBoxEnabled(a, true); }, {1, 2, 0}},
      {"set by the program", [&] { w.tree().SetChecked(a, true); }, {2, 2, 0}},
      // The tree's own ways of toggling a box: the space key and a press where its state
      // image would be. Neither changes anything.
      {"space on the caret row", [&] {
         w.tree().SendMessage(WM_KEYDOWN, VK_SPACE, 1);
         w.tree().SendMessage(WM_CHAR, L' ', 1);
         w.tree().SendMessage(WM_KEYUP, VK_SPACE, 0xC0000001);
         Pump();
       }, {2, 2, 0}},
      {"a press left of the check box", [&] {
         CRect rc;
         w.tree().GetItemRect(JTreeCtrl::ItemOf(a), &rc, FALSE);
         for (int x : {3, 10, 19}) {
           // The tree follows the mouse until the button is up.
           w.tree().PostMessage(WM_LBUTTONUP, 0, MAKELPARAM(x, rc.top + 10));
           w.tree().SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, rc.top + 10));
           Pump();
         }
       }, {2, 2, 0}},
      {"uncheck all from the header", [&] { GridWindow::Click(w.header(), 30, 14); }, {1, 1, 0}},
  };
  for (const Step& step : steps) {
    step.run();
    EXPECT_EQ(states(), step.expected) << step.what;
    EXPECT_EQ(w.tree().IsChecked(a), step.expected[0] == 2) << step.what;
    EXPECT_EQ(w.tree().IsChecked(b), step.expected[1] == 2) << step.what;
  }
  EXPECT_EQ(w.tree().SendMessage(TVM_GETIMAGELIST, TVSIL_STATE, 0), 0);
  EXPECT_EQ(w.tree().GetStyle() & TVS_CHECKBOXES, 0u);
  std::wstring text;
  read(b, &text);
  EXPECT_EQ(text, L"10.0.8.2");
  w.tree().SetCellText(b, 0, L"10.0.8.20");
  read(b, &text);
  EXPECT_EQ(text, L"10.0.8.20");
}

// Channel rows have no check box and some devices have theirs disabled: no way of checking
// reaches them, so the checked rows are exactly the ticked boxes the user sees.
TEST(GridRows, RowsWithoutAnEnabledCheckBoxAreNeverChecked) {
  GridWindow w(1000, 500, true);
  RowHandle a = w.AddDevice({L"10.0.6.1"});
  RowHandle channel = w.AddChannel(a, L"1 - 10.0.6.1");
  RowHandle locked = w.AddDevice({L"10.0.6.2"});
  RowHandle b = w.AddDevice({L"10.0.6.3"});
  w.tree().Expand(JTreeCtrl::ItemOf(a), TVE_EXPAND);
  w.tree().SetCheckBoxEnabled(locked, false);
  w.Paint();
  w.PressPart(locked, Part::CheckBox);  // a disabled box takes no press
  EXPECT_FALSE(w.tree().IsChecked(locked));

  auto checkedRows = [&] {
    std::vector<RowHandle> rows;
    w.tree().GetCheckedRows(rows);
    return rows;
  };
  const std::vector<RowHandle> both = a < b ? std::vector<RowHandle>{a, b} : std::vector<RowHandle>{b, a};
  w.grid.SendMessage(WM_HEADER_CLICK, 0, 1);  // check-all
  EXPECT_EQ(checkedRows(), both);
  w.grid.SendMessage(WM_HEADER_CLICK, 0, 0);
  EXPECT_TRUE(checkedRows().empty());

  HoldKey(VK_CONTROL, true);
  ClickRow(w, channel);
  ClickRow(w, locked);
  HoldKey(VK_CONTROL, false);
  EXPECT_TRUE(checkedRows().empty());
  ClickRow(w, a);
  HoldKey(VK_SHIFT, true);
  ClickRow(w, b);  // a..b: the disabled row between is passed over
  HoldKey(VK_SHIFT, false);
  EXPECT_EQ(checkedRows(), both);
  for (RowHandle row : {channel, locked}) {
    ClickRow(w, row);
    CRect rc;
    w.tree().GetItemRect(JTreeCtrl::ItemOf(row), &rc, FALSE);
    w.tree().SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(400, rc.top + 5));
    Pump();
  }
  EXPECT_EQ(checkedRows(), both);

  // Disabling a ticked box unticks it.
  w.tree().SetCheckBoxEnabled(b, false);
  EXPECT_EQ(checkedRows(), (std::vector<RowHandle>{a}));
  w.PressPart(b, Part::CheckBox);
  EXPECT_EQ(checkedRows(), (std::vector<RowHandle>{a}));
}

// Worker threads read the checked rows, cells and child rows of the global grid while the
// user-interface thread inserts, changes, sorts and deletes rows.
TEST(GridRows, WorkersReadCopiesWhileRowsChange) {
  GridWindow w(1000, 500, false);
  std::atomic<bool> stop{false};
  std::atomic<long> bad{0}, reads{0};
  auto worker = [&] {
    while (!stop) {
      std::vector<RowHandle> rows;
      g_pDeviceGrid->GetTree()->GetCheckedRows(rows);
      for (RowHandle r : rows) {
        std::vector<RowHandle> kids;
        g_pDeviceGrid->GetChildItems(r, kids);
        if (auto ip = g_pDeviceGrid->GetTree()->GetCell(r, 0)) {
          ++reads;
          // Between the two reads the row may go and its handle come back as a channel row.
          if (ip->compare(0, 3, L"10.") != 0 && *ip != L"1 - x") ++bad;
        }
        if (auto m = g_pDeviceGrid->GetTree()->GetCell(r, 4)) {
          for (wchar_t ch : *m)
            if (ch != L'm') ++bad;
        }
      }
    }
  };
  std::thread t1(worker), t2(worker);
  for (int round = 0; round < 15; ++round) {
    std::vector<RowHandle> rows;
    for (int i = 0; i < 20; ++i) {
      RowHandle r = w.AddDevice({L"10.0.4." + std::to_wstring(i)});
      w.AddChannel(r, L"1 - x");
      rows.push_back(r);
    }
    w.tree().CheckAll(true);
    for (int k = 0; k < 5; ++k)
      for (RowHandle r : rows) w.tree().SetCellText(r, 4, std::wstring(20 + (k * 7 + round) % 40, L'm'));
    w.tree().SortByColumn(0, round % 2 == 0);
    for (std::size_t i = 0; i < rows.size(); i += 2) w.tree().DeleteRow(rows[i]);
    Pump();
    w.tree().DeleteAllRows();
    w.grid.SetColumns(g_ColumnHeaders);
  }
  stop = true;
  t1.join();
  t2.join();
  EXPECT_EQ(bad.load(), 0);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  gridtest::InitProcess();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
