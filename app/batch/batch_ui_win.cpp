#include "app/batch/batch_ui_win.h"

#include "kit/jmessagebox.h"

GatedWaitBox::GatedWaitBox(UINT textId, std::shared_ptr<WaitBoxGate> gate, int type, CWnd* parent, int lines)
    : JMessageBox(textId, 0, type, parent, lines), m_Gate(std::move(gate)) {}

GatedWaitBox::~GatedWaitBox() { m_Gate->Gone(); }

BOOL GatedWaitBox::OnInitDialog() {
  BOOL r = JMessageBox::OnInitDialog();
  HWND box = m_hWnd;
  m_Gate->Opened([box] { ::PostMessageW(box, WM_CLOSE, 0, 0); });
  return r;
}

void RunGatedWaitBox(unsigned textId, const std::shared_ptr<WaitBoxGate>& gate, CWnd* parent) {
  GatedWaitBox box(textId, gate, 2, parent);
  box.DoModal();
}
