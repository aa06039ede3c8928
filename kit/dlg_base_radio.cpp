#include "kit/dlg_base.h"
#include "kit/jbutton.h"

// Radio groups: a press checks the sender and clears the other buttons of its
// group; buttons of other groups are left alone.
void Dlg_Base::OnJButtonClick(JButton* sender) {
  if (!sender) return;
  for (JButton* b : m_RadioButtons) {
    if (!b || b->m_GroupId != sender->m_GroupId) continue;
    b->m_Checked = (b == sender);
    if (b->m_hWnd) b->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  }
}
