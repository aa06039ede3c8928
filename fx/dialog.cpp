#include "fx/dialog.h"

#include "fx/app.h"

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
  if (control.m_hWnd) return;
  HWND h = ::GetDlgItem(dx->m_pDlgWnd->m_hWnd, id);
  if (h) control.SubclassWindow(h);
}

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nTemplateId(templateId), m_pParentWnd(parent) {}

CDialog::CDialog() = default;

CDialog::~CDialog() = default;

const DLGTEMPLATE* CDialog::FindTemplate(UINT id) const {
  HMODULE module = ::GetModuleHandleW(nullptr);
  HRSRC res = ::FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5) /* RT_DIALOG */);
  if (!res) return nullptr;
  HGLOBAL data = ::LoadResource(module, res);
  return data ? static_cast<const DLGTEMPLATE*>(::LockResource(data)) : nullptr;
}

// The dialog procedure only lets the system's dialog manager do its defaults:
// every message reaches the object first through the window procedure of CWnd,
// which sits in front of the dialog manager, so handlers return their results
// directly (no DWLP_MSGRESULT needed).
INT_PTR CALLBACK CDialog::StaticDlgProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

HWND CDialog::CreateFromTemplate(const DLGTEMPLATE* tmpl, HWND parent) {
  if (!tmpl || m_hWnd) return nullptr;
  return CreateHooked([&] {
    return ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr), tmpl, parent,
                                        &CDialog::StaticDlgProc, reinterpret_cast<LPARAM>(this));
  });
}

void CDialog::InitModalIndirect(const DLGTEMPLATE* tmpl, CWnd* parent) {
  m_lpDialogTemplate = tmpl;
  if (parent) m_pParentWnd = parent;
}

INT_PTR CDialog::DoModal() {
  const DLGTEMPLATE* tmpl = m_lpDialogTemplate ? m_lpDialogTemplate : FindTemplate(m_nTemplateId);
  if (!tmpl || m_hWnd) return -1;

  HWND owner = nullptr;
  if (m_pParentWnd && m_pParentWnd->m_hWnd) {
    owner = m_pParentWnd->GetTopLevelParent()->m_hWnd;
  } else if (CWnd* main = AfxGetMainWnd()) {
    if (main->m_hWnd && ::IsWindow(main->m_hWnd)) owner = main->m_hWnd;
  }
  bool reenable = owner && ::IsWindowEnabled(owner);
  if (reenable) ::EnableWindow(owner, FALSE);

  m_modal = true;
  m_endModal = false;
  m_nModalResult = -1;
  HWND h = CreateFromTemplate(tmpl, owner);
  if (h && !m_endModal) {
    ::ShowWindow(h, SW_SHOWNORMAL);
    MSG msg;
    while (!m_endModal && ::IsWindow(h)) {
      BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
      if (got == 0) {
        // Keep the quit request for the outer loop.
        ::PostQuitMessage((int)msg.wParam);
        break;
      }
      if (got == -1) break;
      if (WalkPreTranslateTree(h, &msg)) continue;
      if (::IsDialogMessageW(h, &msg)) continue;
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  if (reenable) ::EnableWindow(owner, TRUE);
  if (h && ::IsWindow(h)) {
    ::SetWindowPos(h, nullptr, 0, 0, 0, 0,
                   SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (owner) ::SetActiveWindow(owner);
    ::DestroyWindow(h);
  }
  m_modal = false;
  return h ? m_nModalResult : -1;
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
  m_nTemplateId = templateId;
  if (parent) m_pParentWnd = parent;
  return CreateIndirect(FindTemplate(templateId), m_pParentWnd);
}

BOOL CDialog::CreateIndirect(const DLGTEMPLATE* tmpl, CWnd* parent) {
  if (parent) m_pParentWnd = parent;
  m_modal = false;
  return CreateFromTemplate(tmpl, m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr) != nullptr;
}

void CDialog::EndDialog(int result) {
  m_nModalResult = result;
  if (m_modal) {
    m_endModal = true;
    if (m_hWnd) ::PostMessageW(m_hWnd, WM_NULL, 0, 0);  // wake the modal loop
  } else if (m_hWnd) {
    ::ShowWindow(m_hWnd, SW_HIDE);
  }
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
  CDataExchange dx(this, saveAndValidate);
  DoDataExchange(&dx);
  return TRUE;
}

BOOL CDialog::PreTranslateMessage(MSG*) { return FALSE; }

LRESULT CDialog::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      return OnInitDialog();
    case WM_COMMAND: {
      LRESULT result = 0;
      if (lParam && ReflectToChild(msg, wParam, lParam, &result)) return result;
      if (OnCommand(wParam, lParam)) return 0;
      // Enter (IDOK) and Escape / close (IDCANCEL) from the dialog manager.
      if (HIWORD(wParam) == BN_CLICKED || lParam == 0) {
        if (LOWORD(wParam) == IDOK) {
          OnOK();
          return 0;
        }
        if (LOWORD(wParam) == IDCANCEL) {
          OnCancel();
          return 0;
        }
      }
      return Default();
    }
    default:
      return CWnd::WindowProc(msg, wParam, lParam);
  }
}
