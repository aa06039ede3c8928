// Dlg_Language (dialog 326): the choice of the interface language among the 13 of the string
// tables, each name in its own language. The frame makes it once, hidden, and shows it on the
// hot key Ctrl+Alt+J. "Apply" switches the language at once, tells the frame
// (WM_LANGUAGE_CHANGED), which relabels the main window and searches again, and hides the
// dialog; Escape hides it without a change.
#pragma once
#include <windows.h>

#include "fx/dlgtemplate.h"
#include "kit/dlg_base.h"
#include "kit/jbutton.h"
#include "kit/jcombobox.h"

class Dlg_Language : public Dlg_Base {
 public:
  enum : UINT { IDD = 326, IDC_APPLY = 1002, IDC_LANGUAGES = 1118 };

  Dlg_Language();

  // Makes the dialog's window, hidden, owned by the frame (which gets WM_LANGUAGE_CHANGED).
  BOOL CreateHidden(CWnd* frame);
  // Shows it over the frame, in front, with the current language chosen.
  void ShowOver(CWnd* frame);

  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  // Apply: the chosen language, the button's caption in it, the frame told, the dialog hidden.
  void OnBnClickedOk();

  // The LANGID of the chosen entry (0 when none is chosen).
  LANGID ChosenLanguage() const;
  // Chooses the entry of the language whose texts are shown now.
  void ChooseCurrentLanguage();

  JButton m_Apply{jbutton::LAYOUT_IMAGE};
  JComboBox m_Languages;

 private:
  // Caption, sizes and places for the texts of the current language.
  void Layout();

  DialogTemplate m_Template;
  CWnd* m_pFrame = nullptr;
};
