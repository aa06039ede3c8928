// What the maintenance dialogs (firmware, backup, restore, troubleshooting) share: a template
// made in memory with their controls, the skinned push and option buttons, the Apply button
// (1002) that ends each of them, and a layout in pixels made from the texts as measured in the
// skin's font, so that no text is cut in any language. Each dialog places its own controls and
// draws its labels itself.
#pragma once
#include <windows.h>

#include <memory>

#include "fx/dlgtemplate.h"
#include "fx/fxstring.h"
#include "kit/dlg_base.h"
#include "kit/jbutton.h"

class SkinDialog : public Dlg_Base {
 public:
  static constexpr UINT IDC_APPLY = 1002;
  // Spacing of the layouts, in pixels.
  static constexpr int kMargin = 16;      // around the client area
  static constexpr int kLabelGap = 8;     // between a label and its control
  static constexpr int kRowGap = 12;      // between rows
  static constexpr int kOptionGap = 24;   // between option buttons on one row
  static constexpr int kButtonWidth = 109;
  static constexpr int kButtonHeight = 26;
  static constexpr int kEditHeight = 22;
  static constexpr int kPathWidth = 300;  // the path fields

  // captionId: the dialog's caption (its template id by the program's rule).
  explicit SkinDialog(UINT captionId);
  ~SkinDialog() override;

  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  // Apply goes to OnApply; the option buttons act when they are pressed.
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

  // The size of a text drawn in the skin's font (several lines allowed).
  static CSize TextSize(const wchar_t* text);
  static CSize TextSize(UINT textId) { return TextSize(LoadText(textId)); }
  static CString LoadText(UINT id);
  // Whether a control is shown (its own flag: the dialog itself may not be shown yet).
  static bool Shown(const CWnd& control) { return control.m_hWnd && (control.GetStyle() & WS_VISIBLE) != 0; }
  // The dialog made modeless and left hidden (its layout can be measured without showing it).
  BOOL CreateHidden();

  JButton m_Apply{jbutton::LAYOUT_IMAGE};

 protected:
  // The Apply button was clicked.
  virtual void OnApply() = 0;
  // An option button was pressed (its group is already updated).
  virtual void OnOptionPressed(JButton* /*option*/) {}

  // Template of the dialog's controls, made in the constructor of the dialog before DoModal.
  void AddButton(WORD id);
  void AddEdit(WORD id, bool readOnly);
  void AddCombo(WORD id);
  // Ends the template with the Apply button: DoModal shows it.
  void UseTemplate();

  // A push button with the 109 x 26 button skin and the caption of that string.
  void SkinPushButton(JButton& button, UINT captionId);
  // An option button (14 x 14 skin, caption beside it) of a radio group of this dialog.
  void SkinOption(JButton& option, UINT captionId, int group);
  // Checks `on` and clears the rest of its group.
  void CheckOption(JButton& on);
  // The skin's font for an edit or a list.
  void UseSkinFont(CWnd& control);

  // Moves a control; its size stays when cx or cy is 0.
  void Place(CWnd& control, int x, int y, int cx = 0, int cy = 0);
  int WidthOf(CWnd& control) const;
  int HeightOf(CWnd& control) const;
  // A path field of `width` at (x, top) with its browse button after it, centred on a row as
  // high as the button; returns the row's right edge.
  int PlacePathRow(CWnd& edit, JButton& browse, int x, int top, int width = kPathWidth);
  // Apply at the bottom right, under `bottom`; the client area reaches `right` plus the
  // margin; the skin is made again for the controls shown.
  void EndLayout(int right, int bottom);
  // The skin lets every shown control show through it (after controls were shown, hidden or
  // moved), then the dialog is painted again.
  void Refresh();
  // A label drawn right-aligned so that it ends at `right`, centred on a row of `rowHeight`.
  void DrawLabel(CDC* dc, UINT textId, int right, int rowTop, int rowHeight);

 private:
  std::unique_ptr<DialogTemplate> m_Template;
};
