// JMessageBox: the program's message box, a skinned modal dialog sized to its text.
//   type 0: warning with OK          type 1: question with OK and Cancel
//   type 2: wait box, no buttons, an animation until the program closes it (WM_CLOSE)
//   type 3: wait box with a "StopScan" button and live status lines (g_MessageBoxTexts)
// Wait boxes have no system menu and are not ended by Enter, Escape or Alt+F4. Every
// way the box ends first stops its animation thread and waits for it.
#pragma once
#include <windows.h>

#include <atomic>

#include "fx/dlgtemplate.h"
#include "kit/dlg_base.h"
#include "kit/jbutton.h"
#include "kit/jmessagebox_layout.h"
#include "kit/jmessagebox_lines.h"
#include "port/sync.h"

// Lines that a scan thread writes while a type 3 box shows them, and the copies the
// box drew last. Both live for the whole run; every access takes the line store's lock.
extern MessageBoxLines g_MessageBoxTexts;
extern MessageBoxLines g_MessageBoxShownTexts;

class JMessageBox : public Dlg_Base {
 public:
  enum : UINT { IDD = 323, IDC_STOP = 1013 };
  static constexpr UINT kGifResource = 363;

  JMessageBox(UINT textId, UINT titleId, int type, CWnd* parent = nullptr, int extraLines = 0);
  ~JMessageBox() override;

  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;
  void DrawSkin(CDC* dc) override;
  void OnOK() override;
  void OnCancel() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  // The stop button: disables itself and tells the parent to stop; the box stays.
  void OnButton3();
  // Stops the animation, then closes the box (the way the program ends a wait box).
  void OnClose();
  // Clears the running flag, wakes the animation and waits for its thread to end.
  void StopAnimation();
  bool IsWaitBox() const { return m_Layout.waitBox; }
  bool IsAnimating() const { return m_AnimationThread != nullptr; }

  static DWORD WINAPI GifThreadProc(void* box);
  // Posted by the animation thread when a live line is wider than its place (wParam: the
  // line's width): the box grows to show it whole.
  static constexpr UINT WM_WIDEN_LINES = WM_APP + 0x140;

  std::atomic<bool> m_Running{true};
  HANDLE m_AnimationThread = nullptr;
  JButton m_Ok{jbutton::LAYOUT_IMAGE};
  JButton m_Cancel{jbutton::LAYOUT_IMAGE};
  JButton m_Stop{jbutton::LAYOUT_IMAGE};
  CString m_Text;
  UINT m_TitleId;
  int m_Type;
  int m_ExtraLines;  // live status lines, clamped to those that exist
  CWnd* m_pParent;
  jmsgbox::Layout m_Layout{};
  int m_LineWidth = 0;  // the widest live line the box is laid out for
  int m_StopWidth = 0;  // what the stop button's caption needs

 private:
  void Animate();
  // Sizes the box and places its buttons for the text and the widest line; a box that is
  // already shown keeps its centre.
  void ApplyLayout();
  CSize m_TextSize;
  void StartAnimation();
  DialogTemplate m_Template;
  port::Event m_Wake;  // set when the animation must stop its pause early
};
