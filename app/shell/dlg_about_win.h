// Dlg_About (dialog 324, caption "Version"): the program's icon and its version, read from the
// executable's version resource ("Dorvik V1.0.00"; no version line when that cannot be read).
// Opened modally by the main window's about button.
#pragma once
#include <windows.h>

#include "fx/dlgtemplate.h"
#include "fx/fxstring.h"
#include "kit/dlg_base.h"

class Dlg_About : public Dlg_Base {
 public:
  enum : UINT { IDD = 324, IDC_ICON_IMAGE = 1000 };
  static constexpr int kTextX = 70, kTextY = 33;

  explicit Dlg_About(CWnd* parent = nullptr);

  BOOL OnInitDialog() override;
  void DrawSkin(CDC* dc) override;
  HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor) override;

  CString m_Version;

 private:
  DialogTemplate m_Template;
};
