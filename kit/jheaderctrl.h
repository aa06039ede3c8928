// JHeaderCtrl: the skinned column header of the device grid.
//
// Draws its captions over PNG images, carries the check-all box in column 0, turns
// column clicks into sort requests and reports divider drags. It talks to its parent
// grid with three private messages:
//   WM_HEADER_CLICK  (wParam column, lParam flag): column 0 = check-all (flag = new
//                    state); any other column = sort by it (flag 1 = ascending);
//   WM_HEADER_WIDTH  (wParam column, lParam width): a divider drag ended;
//   WM_GRID_RELAYOUT: the header released the mouse capture (the tree sends it too).
#pragma once
#include <windows.h>

#include "grid/grid_header_state.h"
#include "fx/controls.h"
#include "kit/jobject.h"
#include "kit/png_cache.h"
#include "kit/kit_messages.h"

// Skin images of the header.
enum : UINT {
  PNG_HEADER_NORMAL = 341,
  PNG_HEADER_HOT = 349,
  PNG_HEADER_PRESSED = 350,
};

class JHeaderCtrl : public CHeaderCtrl, public JObject {
 public:
  static constexpr int kHeight = 29;
  // Each item draws its background image stretched over this band, whatever its width.
  static constexpr int kBandWidth = 1920;
  // The background images at the band's size, for the start-up's warm-up (kit/png_cache.h):
  // the one every item shows, and those of an item under the mouse or pressed.
  static std::vector<PngSize> BandImages();
  static std::vector<PngSize> HoverBandImages();
  // Where the check-all box sits, header coordinates.
  static constexpr RECT kCheckAllBox = {25, 7, 39, 21};

  JHeaderCtrl();
  ~JHeaderCtrl() override;

  void DrawSkin(CDC* dc) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

  // Check-all box state: the grid keeps it ticked exactly while every row that can be
  // ticked is; setting it repaints the box when it changes.
  bool GetCheckAll() const { return m_Sort.CheckAllOn(); }
  void SetCheckAll(bool on);
  int GetSortColumn() const { return m_Sort.SortColumn(); }
  bool GetSortAscending() const { return m_Sort.Ascending(); }
  // The rows are shown sorted by that header column in that direction.
  void SetSortShown(int column, bool ascending) { m_Sort.SetShown(column, ascending); }
  // The header item under the mouse at the last paint (-1 = none).
  int GetFocusedItem() const { return m_FocusedItem; }
  bool IsTracking() const { return m_Tracking; }

  // A column click as the header control reports it (exposed for the grid's tests).
  void OnColumnClick(int column);

  CPoint m_HoverPoint{-1, -1};  // mouse in client coordinates, (-1, -1) outside

 protected:
  void OnMouseMove(UINT flags, CPoint point);
  void OnMouseLeave();
  void OnLButtonDown(UINT flags, CPoint point);
  BOOL OnSetCursor();
  void DrawHeaderItem(NMCUSTOMDRAW* cd);
  void SendToGrid(UINT msg, WPARAM wParam, LPARAM lParam, bool post);

 private:
  HeaderSortState m_Sort;
  bool m_Tracking = false;
  bool m_LeaveTracking = false;
  int m_FocusedItem = -1;
  CPen m_GridPen;
};
