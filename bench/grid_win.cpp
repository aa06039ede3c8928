// Device grid benchmark (Windows, run under Wine): a search's worth of device rows in the
// grid of a real window. Each round makes a new grid, inserts the rows in one burst and
// sorts them, paints the full view (the rows with their buttons), scrolls page by page,
// then fills a second grid row by row as a search does (insert, cells, sort, queue drained
// after each row) and deletes everything. Prints the median of the rounds for each figure
// and the goal lines: 1000 rows in and sorted within 500 ms, the first paint of the full
// view under 100 ms, a page of scrolling under 30 ms.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_stats.h"
#include "grid/grid_sort.h"
#include "tests/win/grid_test_window.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

constexpr int kRounds = 7;
constexpr int kPages = 8;

// Discovery order is arrival order: addresses shuffled so that the sort has work to do.
std::wstring IpOf(int i, int rows) {
  const int n = (i * 7919) % rows;
  return L"192.168." + std::to_wstring(n / 250) + L"." + std::to_wstring(n % 250 + 1);
}

void FillCells(JTreeCtrl& tree, RowHandle r, int i) {
  tree.SetCellText(r, 1, L"SN" + std::to_wstring(100000 + i));
  tree.SetCellText(r, 2, L"00:0F:7C:00:" + std::to_wstring(i % 100));
  tree.SetCellText(r, 3, L"A1D-220-V4.12.09-AC");
  tree.SetCellText(r, 4, L"CAM-2100");
  tree.SetCellText(r, 5, L"239.0.0.1");
}

// Paints the tree, rows and their buttons, as the screen would show it.
void PaintAll(gridtest::GridWindow& w) {
  w.tree().FlushRedraw();
  w.tree().RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  gridtest::Pump();
}

bool InIpOrder(gridtest::GridWindow& w) {
  std::uint32_t last = 0;
  for (RowHandle r : w.TreeOrder()) {
    std::optional<std::wstring> ip = w.tree().GetCell(r, 0);
    const std::uint32_t key = GridIpKey(ip ? &*ip : nullptr);
    if (key < last) return false;
    last = key;
  }
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int rows = 1000;
  if (argc > 1) rows = _wtoi(argv[1]);
  if (rows <= 0) rows = 1000;
  gridtest::InitProcess();

  bench::Samples window, insert, sort, firstPaint, page, oneByOne, remove;
  bool ordered = true;
  // The row buttons are drawn with the rows: the tree has no child window at any time, and
  // the rows in view show theirs (a row's check box has its place after each paint).
  bool buttonsDrawn = true;
  for (int round = 0; round < kRounds; ++round) {
    {
      auto t0 = Clock::now();
      gridtest::GridWindow w(1100, 700, false);
      window.Add(MsSince(t0));
      const HWND tree = w.tree().m_hWnd;
      auto firstInView = [&] { return JTreeCtrl::RowOf(w.tree().GetFirstVisibleItem()); };

      t0 = Clock::now();
      for (int i = 0; i < rows; ++i) FillCells(w.tree(), w.grid.InsertRow(IpOf(i, rows), true, true), i);
      insert.Add(MsSince(t0));
      t0 = Clock::now();
      w.tree().SortByColumn(0, true);
      sort.Add(MsSince(t0));
      // A fast but wrong sort must show: the tree's own order is checked.
      ordered = ordered && InIpOrder(w);

      t0 = Clock::now();
      PaintAll(w);
      firstPaint.Add(MsSince(t0));
      buttonsDrawn = buttonsDrawn && gridtest::CountChildWindows(tree) == 0 &&
                     !w.tree().GetPartRect(firstInView(), JTreeCtrl::RowPart::CheckBox).IsRectEmpty();

      for (int p = 0; p < kPages; ++p) {
        t0 = Clock::now();
        w.tree().SendMessage(WM_VSCROLL, SB_PAGEDOWN, 0);
        gridtest::Pump();
        page.Add(MsSince(t0));
      }

      t0 = Clock::now();
      w.tree().DeleteAllRows();
      gridtest::Pump();
      remove.Add(MsSince(t0));
      buttonsDrawn = buttonsDrawn && gridtest::CountChildWindows(tree) == 0;
    }
    {
      // As a search brings them: each row inserted, filled and sorted in, then the queue
      // drained (paints included) before the next.
      gridtest::GridWindow w(1100, 700, false);
      auto t0 = Clock::now();
      for (int i = 0; i < rows; ++i) {
        RowHandle r = w.grid.InsertRow(IpOf(i, rows), true, true);
        FillCells(w.tree(), r, i);
        w.tree().SortByColumn(1, true);
        gridtest::Pump();
      }
      PaintAll(w);
      oneByOne.Add(MsSince(t0) / rows);
      w.tree().DeleteAllRows();
      gridtest::Pump();
    }
  }

  std::printf("device grid, %d device rows (6 cells each), %d rounds\n", rows, kRounds);
  std::printf("  window with grid             %s\n", window.Describe("ms").c_str());
  std::printf("  insert %d rows             %s\n", rows, insert.Describe("ms").c_str());
  std::printf("  sort by IP address           %s  (%s)\n", sort.Describe("ms").c_str(),
              ordered ? "order checked" : "WRONG ORDER");
  std::printf("  first paint of the view      %s\n", firstPaint.Describe("ms").c_str());
  std::printf("  scroll one page              %s\n", page.Describe("ms").c_str());
  std::printf("  delete all rows              %s\n", remove.Describe("ms").c_str());
  std::printf("  rows one by one, per row     %s\n", oneByOne.Describe("ms", 3).c_str());
  std::printf("  row buttons                  %s\n",
              buttonsDrawn ? "drawn with the rows (no child window), in place after each paint" : "WRONG");

  const double scale = 1000.0 / rows;
  bench::PrintGoal("grid: 1000 rows in and sorted", (insert.Median() + sort.Median()) * scale, "ms", true, 500);
  bench::PrintGoal("grid: first paint of a full view after 1000 rows", firstPaint.Median(), "ms", true, 100);
  bench::PrintGoal("grid: scrolling one page", page.Median(), "ms", true, 30);
  return buttonsDrawn && ordered ? 0 : 1;
}
