// JComboBox: an owner-drawn drop-down list whose rows are drawn as framed bars and
// whose closed face the parent dialog draws into its own skin (DrawFace).
// Create it with CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS.
#pragma once
#include <windows.h>

#include "fx/controls.h"
#include "kit/jobject.h"

class JComboBox : public CComboBox, public JObject {
 public:
  JComboBox();
  ~JComboBox() override;

  // Takes the face and arrow rectangles from the combo's place in its parent.
  void PreSubclassWindow() override;
  // One row of the list (or the selection field).
  void DrawItem(LPDRAWITEMSTRUCT dis) override;
  // Selects the row frame pen and black text into the memory DC.
  void DrawSkin(CDC* dc) override;
  // Draws the closed face (text and drop arrow) into the parent's memory DC.
  void DrawFace(CDC* parentDc);
  // Where the face's text goes, in the parent's client coordinates: from 5 px inside the
  // left edge to just before the arrow.
  CRect FaceTextRect() const;
  // Recomputes the face and arrow rectangles (after the parent moved the combo).
  void UpdateFaceRect();
  // The parent draws this combo's face into its skin (DrawFace) and opens the list when its
  // face is clicked: the combo then shows the parent's skin where it stands (asked for with
  // WM_PRINTCLIENT, a focus mark on top) and lets mouse clicks through to the parent.
  void SetFaceInParent(bool on) { m_FaceInParent = on; }
  bool FaceInParent() const { return m_FaceInParent; }

  BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  bool m_Open = false;  // the list is dropped down
  CRect m_FaceRect;     // the combo's window rectangle in its parent's client coordinates
  CRect m_ArrowRect;    // where the drop arrow is drawn in the parent

  static constexpr UINT kArrowImage = 347;

 private:
  void PaintParentFace();
  bool m_FaceInParent = false;
};
