// CDialog: modal and modeless dialogs from a template in the resources or in
// memory (see fx/dlgtemplate.h), with dialog data exchange for binding controls.
#pragma once
#include <windows.h>

#include "fx/wnd.h"

class CDataExchange {
 public:
  CDataExchange(CWnd* dlg, BOOL saveAndValidate) : m_pDlgWnd(dlg), m_bSaveAndValidate(saveAndValidate) {}
  CWnd* m_pDlgWnd;
  BOOL m_bSaveAndValidate;
};

// Binds a control of the dialog to a C++ object (once; later calls do nothing).
void DDX_Control(CDataExchange* dx, int id, CWnd& control);

class CDialog : public CWnd {
 public:
  // A dialog from the template of that resource id.
  explicit CDialog(UINT templateId, CWnd* parent = nullptr);
  // A dialog whose template is given later (InitModalIndirect / CreateIndirect).
  CDialog();
  ~CDialog() override;

  // Runs the dialog modally: its own message loop (PreTranslateMessage of the
  // windows under the message, then IsDialogMessage) until EndDialog. The owner
  // (the parent's top-level window, or the application's main window when there
  // is no parent) is disabled meanwhile. Returns the EndDialog result, or -1
  // when the dialog could not be made.
  virtual INT_PTR DoModal();
  // Modeless: creates the dialog window (shown when its template says WS_VISIBLE).
  virtual BOOL Create(UINT templateId, CWnd* parent = nullptr);
  BOOL CreateIndirect(const DLGTEMPLATE* tmpl, CWnd* parent = nullptr);
  // Template in memory for the next DoModal; the memory must stay valid.
  void InitModalIndirect(const DLGTEMPLATE* tmpl, CWnd* parent = nullptr);
  void EndDialog(int result);

  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();
  virtual void DoDataExchange(CDataExchange* dx);
  BOOL UpdateData(BOOL saveAndValidate = TRUE);
  BOOL PreTranslateMessage(MSG* msg) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  void NextDlgCtrl() const { ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, 0, 0); }
  void GotoDlgCtrl(CWnd* ctl) { ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, (WPARAM)ctl->m_hWnd, 1); }
  void SetDefID(UINT id) { ::SendMessageW(m_hWnd, DM_SETDEFID, id, 0); }

  UINT m_nIDHelp = 0;
  UINT m_nTemplateId = 0;
  CWnd* m_pParentWnd = nullptr;

 protected:
  const DLGTEMPLATE* m_lpDialogTemplate = nullptr;
  bool m_modal = false;
  bool m_endModal = false;
  INT_PTR m_nModalResult = -1;

 private:
  const DLGTEMPLATE* FindTemplate(UINT id) const;
  HWND CreateFromTemplate(const DLGTEMPLATE* tmpl, HWND parent);
  static INT_PTR CALLBACK StaticDlgProc(HWND, UINT, WPARAM, LPARAM);
};
