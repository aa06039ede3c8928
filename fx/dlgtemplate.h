// A dialog template built in memory, for dialogs that have no template in the
// resources:
//
//   DialogTemplate t(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0, 200, 80);
//   t.AddControl(L"BUTTON", L"OK", IDOK, WS_TABSTOP | BS_PUSHBUTTON, 70, 55, 60, 14);
//   MyDialog dlg;                      // derived from CDialog (or Dlg_Base)
//   dlg.InitModalIndirect(t.Get());    // or dlg.CreateIndirect(t.Get(), parent)
//   dlg.DoModal();
//
// Units are dialog units; the font is "MS Shell Dlg" 8 unless another is given.
#pragma once
#include <windows.h>

#include <vector>

class DialogTemplate {
 public:
  DialogTemplate(DWORD style, short x, short y, short cx, short cy, const wchar_t* title = L"",
                 WORD pointSize = 8, const wchar_t* face = L"MS Shell Dlg");
  // WS_CHILD | WS_VISIBLE are always added to the control's style.
  void AddControl(const wchar_t* className, const wchar_t* text, WORD id, DWORD style, short x,
                  short y, short cx, short cy, DWORD exStyle = 0);
  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_words.data()); }

 private:
  void Align();
  void PutString(const wchar_t* s);
  void PutDword(DWORD d) {
    m_words.push_back(LOWORD(d));
    m_words.push_back(HIWORD(d));
  }
  std::vector<WORD> m_words;
};
