// JGridTree: the device grid. A plain child window that owns the column header
// (JHeaderCtrl), the row tree (JTreeCtrl), the strip below the rows (the manual
// add/remove panel, made by a factory that its own module installs) and a horizontal
// scroll bar, and lays them out.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "fx/controls.h"
#include "grid/grid_layout.h"
#include "kit/device_rows.h"
#include "kit/jheaderctrl.h"
#include "kit/jobject.h"
#include "kit/jscrollbar.h"
#include "kit/jtreectrl.h"

struct ColumnHeader;

class JGridTree : public CWnd, public JObject, public DeviceRowTarget {
 public:
  // Makes the strip below the rows as a shown child of the grid; null for none.
  using StripFactory = CWnd* (*)(CWnd* grid);
  static void SetStripFactory(StripFactory factory);

  JGridTree();
  ~JGridTree() override;

  using CWnd::Create;
  // Builds the header, the tree (with its tooltip), the strip and the scroll bar inside
  // the grid window, which must exist.
  BOOL Create();
  // Replaces the header columns with every entry of the table but the last (the last,
  // Platform, is kept in the rows but never shown), each at least as wide as its caption,
  // records the widths in the tree and lays the grid out again.
  void SetColumns(const std::vector<ColumnHeader>& table);
  // Inserts a row and lays the grid out again (the tree grows by the new row).
  RowHandle InsertRow(const std::wstring& text, bool markerShown, bool hasCheckBox,
                      RowHandle parent = kRootRow);
  void UpdateScrollBar();
  // Brings the rows' bar up to where the tree is scrolled and how many rows it shows.
  void UpdateRowBar();
  // Gives the last column what the width leaves after the others (never less than its
  // caption needs), then lays out.
  void Relayout();
  int TotalColumnWidth() const;
  void GetChildItems(RowHandle parent, std::vector<RowHandle>& children) const {
    if (m_pTree) m_pTree->GetChildItems(parent, children);
    else children.clear();
  }

  JHeaderCtrl* GetHeader() const { return m_pHeader.get(); }
  JTreeCtrl* GetTree() const { return m_pTree.get(); }
  CWnd* GetStrip() const { return m_pStrip.get(); }
  CScrollBar& GetScrollBar() { return m_ScrollBar; }
  // The rows' vertical scroll bar, shown while the rows are more than the view holds.
  JScrollBar& GetRowBar() { return m_RowBar; }

  // The dialogs' status writes (g_pDeviceRows points here while the grid exists).
  bool SetStatusCell(WPARAM row, COLORREF colour, const CString& text) override;
  bool SetFirmwareCell(WPARAM row, const CString& text) override;
  bool SetAddressCell(WPARAM row, const CString& text) override;

  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 protected:
  void OnHeaderClick(int column, int flag);
  void OnHeaderWidth(int column, int width);
  void OnHScroll(UINT code, int thumb);
  void OnClose();

 private:
  std::unique_ptr<JHeaderCtrl> m_pHeader;
  std::unique_ptr<JTreeCtrl> m_pTree;
  std::unique_ptr<CWnd> m_pStrip;
  CScrollBar m_ScrollBar;
  JScrollBar m_RowBar;
  bool m_InRowBar = false;
  bool m_RowBarRelayout = false;
  int m_LastColumnMinWidth = 0;  // what the last column's caption needs
  bool m_LayoutDeferred = false;  // rows came while the tree's drawing was off
};

// The one device grid of the program; the application's start-up creates it.
extern JGridTree* g_pDeviceGrid;
