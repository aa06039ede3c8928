// What the device grid puts on the screen: a grid of 20 device rows with checked rows, a
// blocked row, a failed (red) and a successful (green) status, the caret row and an
// expanded channel row, checked pixel by pixel on the screen. With DORVIK_GRID_HOLD_MS set
// the window stays up that long afterwards (for a screenshot).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "tests/win/grid_test_window.h"
#include "tests/win/window_shot.h"

using gridtest::GridWindow;
using gridtest::Pump;
using wintest::ScreenShot;

namespace {

TEST(GridView, TwentyRowsOnScreen) {
  GridWindow w(1180, 640, true);  // advanced layout: camera names, channel rows expand
  std::vector<RowHandle> rows;
  for (int i = 0; i < 20; ++i) {
    const std::wstring n = std::to_wstring(i + 1);
    rows.push_back(w.AddDevice({L"192.168.1." + std::to_wstring(20 - i), L"SN2026" + n,
                                L"Camera " + n, L"00:0F:7C:10:00:" + n, L"A1D-220-V4.12." + n,
                                i % 3 ? L"CAM-2100" : L"NVR-4008", L"239.0.0." + n}));
  }
  const RowHandle channel = w.AddChannel(rows[0], L"1 - 192.168.1.20");
  w.tree().SetCellText(channel, 3, L"00:0F:7C:10:01:01");
  for (int i : {1, 4, 6, 11}) w.tree().SetChecked(rows[i], true);
  const RowHandle blocked = rows[8], red = rows[2], green = rows[3];
  w.tree().SetBlocked(blocked, true);
  g_pDeviceRows->SetStatusCell(red, RGB(187, 0, 0), L"Failed");
  g_pDeviceRows->SetStatusCell(green, RGB(0x43, 0x8C, 0x12), L"Success");
  g_pDeviceRows->SetStatusCell(blocked, RGB(187, 0, 0),
                               L"The device IP address is conflict with another devices");
  w.tree().Expand(JTreeCtrl::ItemOf(rows[0]), TVE_EXPAND);
  w.tree().SelectItem(JTreeCtrl::ItemOf(rows[5]));
  w.tree().SetChildRowsEnabled(true);
  w.grid.Relayout();
  w.Paint();
  w.grid.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Pump();

  CRect client;
  w.frame.GetClientRect(&client);
  ScreenShot shot(w.frame, client);
  auto rowRect = [&](RowHandle r) {
    CRect rc;
    w.tree().GetItemRect(JTreeCtrl::ItemOf(r), &rc, FALSE);
    rc.OffsetRect(0, 29);  // tree below the header, frame and grid share their origin
    return rc;
  };
  // Cell rectangles from the column widths (column i spans the widths before it).
  auto cellRect = [&](RowHandle r, int column) {
    CRect rc = rowRect(r);
    int x = 0;
    for (int i = 0; i < column; ++i) x += w.tree().ColumnWidths().Get(i);
    return CRect(x + 1, rc.top + 1, x + w.tree().ColumnWidths().Get(column), rc.bottom - 1);
  };
  const int status = 8;  // header column of Status in this layout
  EXPECT_GT(shot.Count(cellRect(red, status), RGB(187, 0, 0)), 10);
  EXPECT_EQ(shot.Count(cellRect(red, status), RGB(0x43, 0x8C, 0x12)), 0);
  EXPECT_GT(shot.Count(cellRect(green, status), RGB(0x43, 0x8C, 0x12)), 10);
  // The blocked row's texts are grey; a normal row's are #444444.
  EXPECT_GT(shot.Count(cellRect(blocked, 2), RGB(0xB2, 0xB2, 0xB2)), 10);
  EXPECT_EQ(shot.Count(cellRect(blocked, 2), RGB(0x44, 0x44, 0x44)), 0);
  EXPECT_GT(shot.Count(cellRect(rows[7], 2), RGB(0x44, 0x44, 0x44)), 10);
  // The caret row is highlighted, the others are not.
  EXPECT_GT(shot.Count(cellRect(rows[5], 5), RGB(0xC6, 0xDA, 0xED)), 100);
  EXPECT_EQ(shot.Count(cellRect(rows[7], 5), RGB(0xC6, 0xDA, 0xED)), 0);
  // The channel row shows its text in the IP column and has no buttons.
  EXPECT_GT(shot.Count(cellRect(channel, 1), RGB(0x44, 0x44, 0x44)), 10);
  // Nothing of the transparent key colour reaches the screen.
  EXPECT_EQ(shot.Count(CRect(0, 0, client.Width(), client.Height()), RGB(0x00, 0x80, 0x80)), 0);
  // The check boxes of checked and unchecked rows look different.
  CRect on = rowRect(rows[1]), off = rowRect(rows[2]);
  CRect boxOn(25, on.top + 3, 39, on.top + 17), boxOff(25, off.top + 3, 39, off.top + 17);
  int differ = 0;
  for (int y = 0; y < 14; ++y)
    for (int x = 0; x < 14; ++x)
      differ += shot.Pixel(boxOn.left + x, boxOn.top + y) != shot.Pixel(boxOff.left + x, boxOff.top + y);
  EXPECT_GT(differ, 5);

  EXPECT_TRUE(shot.SavePng(L"grid_20_rows"));

  if (const char* hold = std::getenv("DORVIK_GRID_HOLD_MS")) {
    const DWORD until = ::GetTickCount() + (DWORD)std::atoi(hold);
    while ((int)(until - ::GetTickCount()) > 0) {
      Pump();
      ::Sleep(20);
    }
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  gridtest::InitProcess();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
