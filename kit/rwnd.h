// RWnd: a vertical scroll container for child dialogs of equal height (scan panels,
// firmware result rows), with its own 17-pixel scroll bar at the right edge and
// operations that drive every child through the Dlg_Base virtuals.
#pragma once
#include <windows.h>

#include <vector>

#include "fx/controls.h"
#include "kit/dlg_base.h"
#include "kit/jobject.h"

// What a row of the container offers to RWnd::GetChildren: whether its check box is
// checked and the texts it stands for (a firmware result row: its device addresses).
class RWndRow {
 public:
  virtual ~RWndRow() = default;
  virtual bool IsRowChecked() const = 0;
  virtual std::vector<CString> GetRowTexts() const = 0;
};

class RWnd : public CWnd, public JObject {
 public:
  static constexpr int kScrollBarWidth = 17;
  static constexpr int kScrollStep = 14;

  RWnd();
  ~RWnd() override;

  // Shows the child and places it at (0, y), (width - 17) x height, after the others.
  void AddChild(Dlg_Base* child, int width, int y, int height);
  // Closes that child, takes it out of the list and lays the rest out again.
  void RemoveChild(Dlg_Base* child);
  // Stacks the children from the top and sets the scroll bar for their total height.
  void SetScrollRange();
  // Moves every child to its place for the current scroll position.
  void ScrollTo();

  void StartAll(void* argument);
  // Asks every child (none skipped) and is true when all are valid, or there are none.
  bool AreAllInputsValid();
  void StopAll();
  // Texts of the rows whose check box is checked, row by row in list order.
  std::vector<CString> GetChildren() const;

  int GetScrollPos() const { return m_ScrollBar.m_hWnd ? m_ScrollBar.GetScrollPos() : 0; }
  void SetScrollPos(int pos);

  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  std::vector<Dlg_Base*> m_Children;  // not owned
  CScrollBar m_ScrollBar;

 protected:
  int OnCreate(LPCREATESTRUCTW cs);
  void OnVScroll(UINT code, UINT pos);
};
