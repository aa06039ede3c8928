// Dlg_Base: the base of every dialog of the program. It paints the skin
// background (JObject), gives controls the skin colours and font, sets the
// localised caption, writes the workers' status reports into the device grid,
// keeps radio groups of skinned buttons, and offers virtual slots that the
// scan panels, containers and task dialogs override.
#pragma once
#include <windows.h>

#include <set>
#include <utility>
#include <vector>

#include "fx/dialog.h"
#include "kit/jobject.h"
#include "kit/kit_messages.h"

class JButton;

// Result ids shown in green in a row's status cell; all others are failures
// (dark red). Filled by every Dlg_Base constructor, never emptied.
extern std::set<UINT> g_SuccessIds;

// Shows a modal warning box (title "Warning") with the text of that string id
// and no parent; returns its DoModal result. Further arguments are ignored. A dialog
// warns over itself with Dlg_Base::Warn.
INT_PTR ShowMessageBox(UINT textId, ...);

class Dlg_Base : public CDialog, public JObject {
 public:
  // templateId: the dialog template, and the string id of the caption.
  Dlg_Base(UINT templateId, CWnd* parent);
  ~Dlg_Base() override;

  BOOL PreTranslateMessage(MSG* msg) override;
  BOOL OnInitDialog() override;
  // Enter never closes a dialog; a dialog that wants it handles its OK button.
  void OnOK() override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor) override;

  // ---- slots overridden by particular dialogs ---------------------------
  // The dialog's own task, run in a worker thread under a wait box.
  virtual void DoTask();
  // Paints the skin into `target`; WM_PAINT and WM_ERASEBKGND come here.
  virtual BOOL DrawBackground(CDC* target);
  // Scan container: remove that panel and lay out the others.
  virtual void RemovePanel(Dlg_Base* panel);
  // Scan panel: keep the argument and start the scan thread.
  virtual void StartScan(void* argument);
  // Scan container: tell every panel to stop.
  virtual void StopScan();
  // Scan panel: wait without limit for the scan thread.
  virtual void WaitScanEnd();
  // Scan panel: the running flag that the scan loop polls.
  virtual void SetRunning(bool running);
  virtual bool IsScanDone();
  virtual bool IsInputValid();
  virtual CString GetStatusText();

  // ---- helpers for the dialogs ------------------------------------------
  // Copies the two texts (null = empty) into m_Texts[3] and m_Texts[4].
  void SetUpgradeFileTexts(const wchar_t* first, const wchar_t* second);
  // A warning (title "Warning") with the text of that string id over the window this one
  // belongs to (a page's dialog), which takes no input until the box is closed.
  void Warn(UINT textId);
  // Moves a child sideways by dx (same size, repainted).
  void ShiftChild(CWnd* child, int dx);
  // Lays out one line of labelled controls left to right from (x, y): each
  // label (string id) is drawn into dc, its control moved right after it.
  void LayoutChildren(CDC* dc, const std::vector<std::pair<UINT, UINT>>& controlsAndLabels,
                      int gapAfterLabel, int gapAfterControl, int unused, int x, int y);

  // ---- message handlers ---------------------------------------------------
  void OnPaint();
  BOOL OnEraseBkgnd(CDC* dc);
  void OnJButtonClick(JButton* sender);
  LRESULT OnDeviceStatus(WPARAM row, LPARAM resultId);
  LRESULT OnDeviceFirmware(WPARAM row, LPARAM text);
  LRESULT OnDeviceAddress(WPARAM row, LPARAM text);

  UINT m_CaptionId;
  // The main window and what belongs to it follow every change of language; every other
  // dialog keeps the language it opened in until it closes (a choice made meanwhile is the
  // main window's at once, the dialog's the next time it opens).
  bool m_FollowsLanguage = false;
  // Buttons taking part in radio groups (each with its group id and checked state).
  std::vector<JButton*> m_RadioButtons;
  // Texts used by the dialogs and the batch engine; [3] and [4] are the upgrade files.
  CString m_Texts[6];

  // The language this dialog opened in (0: it follows the program's).
  LANGID m_OpenLanguage = 0;

  // A paint's erasing (WM_ERASEBKGND sent from inside BeginPaint) draws the whole skin on the
  // paint's own DC: the paint itself then has nothing left to draw.
  bool m_OpeningPaint = false;
  bool m_SkinDrawnByErase = false;

  // The batch engine that runs the toolbar's operations over the checked rows lives in the
  // application (app/batch/batch_engine.h); the main window owns it, and its workers report here
  // through WM_DEVICE_STATUS.
};
