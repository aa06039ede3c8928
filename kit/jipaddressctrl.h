// JIPAddressCtrl: the system's four-field IPv4 address control painted on the skin
// background with its own dot separators at 36, 72 and 108 pixels.
#pragma once
#include <windows.h>

#include <string>

#include "fx/controls.h"
#include "kit/jobject.h"

class JIPAddressCtrl : public CIPAddressCtrl, public JObject {
 public:
  JIPAddressCtrl();
  ~JIPAddressCtrl() override;

  // The address shown, as "a.b.c.d" (a blank field reads 0: a blank control is "0.0.0.0").
  std::wstring AddressText() const;

  // Background #D6E0E8 and the three black 2 x 2 dots.
  void DrawSkin(CDC* dc) override;
  // The four edit fields: g_Font, #444444 on #D6E0E8.
  HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 protected:
  void OnPaint();
};
