// One page of the device settings dialog: a child dialog that the dialog's tab control shows
// under the tab with the page's caption. Whenever the tab control shows a page it sends the
// page the click of its enable box; the page answers that, and every real click of the box, by
// telling the dialog (WM_PAGE_ENABLE) whether it is enabled, and the dialog takes the tall or
// the short layout.
#pragma once
#include <windows.h>

#include <initializer_list>
#include <vector>

#include "fx/dlgtemplate.h"
#include "kit/dlg_base.h"
#include "kit/jbutton.h"

// A text a page draws on its skin, in the room the page gives it.
struct PageLabel {
  CRect room;
  CString text;
  COLORREF colour;
};

class SettingsPage : public Dlg_Base {
 public:
  // templateId: the page's template id, which is also the tab's caption; enableBoxId: the
  // control id of its enable box, the command the tab control sends.
  SettingsPage(UINT templateId, UINT enableBoxId);

  UINT EnableBoxId() const { return m_EnableBoxId; }
  // Makes the page's window inside the tab control (hidden until its tab shows it).
  BOOL CreatePage(CWnd* tabs);
  // Whether the page can give what it shows; when not, it has said why (the dialog's Apply
  // then stays, and no page is copied).
  virtual bool Check() { return true; }
  // Copies what the page shows into its record (the dialog's Apply).
  virtual void Collect() {}
  virtual bool IsEnabled() const { return false; }

  // The titles and labels the page shows now, each in one line.
  virtual std::vector<PageLabel> Labels() const { return {}; }

  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  // Enter and Escape belong to the dialog, never to a page.
  void OnCancel() override {}
  // Draws the labels.
  void DrawSkin(CDC* dc) override;

 protected:
  // Tells the dialog (the page's grandparent) the enable state.
  void PostEnableState();
  // The enable box was clicked (or the page shown): before the dialog hears of it.
  virtual void OnEnableChanged() {}
  // Shows or hides every control of the page but those in `keep`: a page whose enable box is
  // off shows only that box (and what stands beside its title), so nothing is cut by the
  // dialog's short layout. Those in `never` (null entries allowed) stay hidden either way, and
  // the skin is painted where they stand.
  void ShowContent(bool show, std::initializer_list<const CWnd*> keep,
                   std::initializer_list<const CWnd*> never = {});
  // The page's template; a page adds its controls in its constructor and places them in
  // OnInitDialog.
  DialogTemplate m_Template;
  UINT m_EnableBoxId;
};

// The skin's title colour and the grey of rules and panel borders.
constexpr COLORREF kPageTitleColour = RGB(0x14, 0x60, 0xB2);
constexpr COLORREF kPageRuleColour = RGB(0xB2, 0xB2, 0xB2);
// The fill of a page's framed panels.
constexpr COLORREF kPagePanelColour = RGB(0xEA, 0xEA, 0xEA);
// The rule under a page's title.
void DrawTitleRule(CDC* dc, const CRect& title);

// The skinned check box and radio buttons of the pages: the state images, and the caption
// (the string under the control id) kept clear of the image.
void SetCheckBoxImages(JButton& box);
void SetRadioImages(JButton& radio);
// An owner-drawn list of a page at its place, with a dropped list of up to 12 rows.
void PlaceCombo(CComboBox& combo, int x, int y, int w, int h);
// Moves a control, its size kept.
void MoveControl(CWnd& w, int x, int y);
CSize ControlSize(const CWnd& w);
// Moves a control level with a line of lists at `lineY`.
void MoveInLine(CWnd& w, int x, int lineY);
// "%d".
CString NumberText(int v);
// Widths of texts in the skin font (g_Font), as the pages draw them.
int TextWidth(const CString& text);
int TextHeight();
// The widest of the texts with the string ids first ... first + count - 1.
int WidestText(UINT first, int count);
// The widest entry of a list.
int WidestItem(const CComboBox& combo);
// Adds an entry with its value.
void AddItem(CComboBox& combo, const CString& text, int value);
// Selects the entry with that value; none when no entry has it.
void SelectValue(CComboBox& combo, int value);
// The chosen entry's value, or `none` when nothing is chosen.
int SelectedValue(const CComboBox& combo, int none);
