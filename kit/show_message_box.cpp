#include "kit/dlg_base.h"
#include "kit/jmessagebox.h"
#include "res/strings/kit_strings.h"

INT_PTR ShowMessageBox(UINT textId, ...) {
  JMessageBox box(textId, IDS_TITLE_WARNING, 0, nullptr, 0);
  return box.DoModal();
}
