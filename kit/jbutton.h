// JButton: the skinned push button, check box, radio button and tab button.
//
// An owner-drawn button (create it with BS_OWNERDRAW) that draws one of four PNG
// images by state (normal, hover, pressed, disabled) with its caption over or beside
// the image. Every press is told to the parent with WM_JBUTTON_CLICK (wParam = the
// button) before the ordinary BN_CLICKED that follows on release. A toggle flips on the
// press, so its parent hears BN_CLICKED even when the press is released off the button:
// whoever follows the box sees every flip. Radio groups are kept by the parent dialog
// (m_GroupId, m_Checked), tab strips by JTabCtrl.
#pragma once
#include <windows.h>

#include "fx/controls.h"
#include "kit/jbutton_look.h"
#include "kit/jobject.h"
#include "kit/kit_messages.h"

class JButton : public CButton, public JObject {
 public:
  // style: layout in the low byte (jbutton::LAYOUT_*), jbutton::STYLE_TOGGLE to make
  // a press invert the checked state (0x102 is a check box).
  explicit JButton(unsigned style = jbutton::LAYOUT_IMAGE);
  ~JButton() override;

  // Takes the caption (the window text, or the string whose id is the control id when
  // the window text is empty), sizes the button for its layout without moving it,
  // keeps the four image ids and redraws at once.
  void SetImages(UINT normal, UINT hover, UINT pressed, UINT disabled, int imageWidth,
                 int height, int tag = -1, bool imageAtRight = false);
  // Keeps the text as the caption and sets the window text; the size stays.
  virtual void SetWindowText(const wchar_t* text);

  bool IsChecked() const { return m_Checked; }
  // Sets the checked state and redraws at once.
  void SetChecked(bool checked);
  // Repaints at once (nothing while the button has no window yet).
  void RedrawNow() {
    if (m_hWnd) RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  }

  // The button always draws itself: BS_OWNERDRAW is put in place of any other button
  // type, whether it is made here or bound to a template's control.
  BOOL PreCreateWindow(CREATESTRUCTW& cs) override;
  void PreSubclassWindow() override;
  void DrawItem(LPDRAWITEMSTRUCT dis) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  // State, in the order the rest of the kit relies on.
  bool m_Hover = false;       // the mouse is over the button
  bool m_Checked = false;     // toggled or selected (check box, radio, selected tab)
  int m_GroupId = -1;         // radio group, -1 = none; set by the owning dialog
  CRect m_TextRect;           // where the caption is drawn, button coordinates
  CString m_Caption;
  COLORREF m_PressedTextColour = jbutton::kDefaultPressedText;
  COLORREF m_BackColour = jbutton::kDefaultBackground;
  unsigned m_Style;
  int m_Tag = 0;              // given to SetImages and only kept
  UINT m_Images[4] = {0, 0, 0, 0};  // normal, hover, pressed, disabled
  CRect m_ImageRect;          // where the state image is drawn, button coordinates

 protected:
  void OnMouseMove(UINT flags, CPoint point);
  void OnMouseLeave();
  void OnLButtonDown(UINT flags, CPoint point);
  // Whether the parent is still to hear of the press's flip (released off the button).
  bool OnLButtonUp(UINT flags, CPoint point);

 private:
  bool m_FlipPending = false;  // a toggle flipped by a press not yet released
};
