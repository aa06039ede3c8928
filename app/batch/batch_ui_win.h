// The batch engine's wait box on the window side: a JMessageBox that the batch's gate closes.
#pragma once
#include <memory>

#include "app/batch/batch_context.h"
#include "app/batch/batch_operation.h"

#include "kit/jmessagebox.h"

// A wait box that a thread closes through the gate, also when its work ended before the box
// was shown: type 2 (the batch's), or 3 with the stop button and `lines` live lines that tell
// `parent` to stop (the range scan's).
class GatedWaitBox : public JMessageBox {
 public:
  GatedWaitBox(UINT textId, std::shared_ptr<WaitBoxGate> gate, int type = 2, CWnd* parent = nullptr,
               int lines = 0);
  ~GatedWaitBox() override;
  BOOL OnInitDialog() override;

 private:
  std::shared_ptr<WaitBoxGate> m_Gate;
};

// A modal wait box with that text (0: none) that the gate closes, also when the gate was closed
// before the box came up; over `parent` (null: the main frame).
void RunGatedWaitBox(unsigned textId, const std::shared_ptr<WaitBoxGate>& gate, CWnd* parent = nullptr);
