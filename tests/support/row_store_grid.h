// The grid window as the device list sees it, kept in a row store: rows, cells, blocked flags
// and check boxes; what only shows on screen is ignored (a test records what it needs).
#pragma once
#include <vector>

#include "app/device_list/device_list.h"
#include "grid/grid_rows.h"

namespace testlab {

class RowStoreGrid : public DeviceRowOps {
 public:
  RowHandle InsertRow(RowHandle parent, const std::wstring& text, bool marker, bool box) override {
    RowHandle h = ++next;
    store.Insert(h, parent, text, marker, box);
    return h;
  }
  void DeleteRow(RowHandle row) override { store.Erase(row); }
  std::wstring GetCell(RowHandle row, int cell) override { return store.GetCell(row, cell).value_or(L""); }
  void SetCell(RowHandle row, int cell, const std::wstring& t) override { store.SetCellText(row, cell, t); }
  void BlockRow(RowHandle row) override { store.SetBlocked(row, true); }
  void DisableCheckBox(RowHandle) override {}
  void ShowStatus(RowHandle, int) override {}
  void ReportConflict(RowHandle, std::uint32_t) override {}
  void SetMarkerTip(RowHandle, const std::wstring&) override {}
  void SortRows(int) override {}
  void SelectRow(RowHandle) override {}
  void RowAdded(const DeviceRecord&) override {}
  std::vector<RowHandle> CheckedRows() override {
    std::vector<RowHandle> out;
    store.GetCheckedRows(out);
    return out;
  }

  bool Blocked(RowHandle row) { return store.GetRow(row)->blocked; }

  GridRowStore store;
  RowHandle next = 100;
};

}  // namespace testlab
