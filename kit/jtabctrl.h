// JTabCtrl: a row of JButton tabs, 25 pixels high, above a framed page area; each
// tab shows its page window and hides the others.
#pragma once
#include <windows.h>

#include <memory>
#include <vector>

#include "fx/wnd.h"
#include "kit/jbutton.h"
#include "kit/jobject.h"

class JTabCtrl : public CWnd, public JObject {
 public:
  struct Tab {
    std::unique_ptr<JButton> button;  // owned by the strip
    CWnd* page;                       // not owned
    UINT command;                     // sent to the page (low 16 bits) when selected
  };

  JTabCtrl();
  ~JTabCtrl() override;

  // Adds a tab with the caption LoadLangString(captionId) for `page`, places the page
  // inside the frame below the tabs and selects the first tab again.
  void AddTab(CWnd* page, UINT captionId, UINT commandId);
  // Selects the tab whose button was pressed.
  void OnJButtonClick(JButton* pressed);

  void DrawSkin(CDC* dc) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  int GetTabCount() const { return (int)m_Tabs.size(); }
  JButton* GetTabButton(int i) const { return m_Tabs[(size_t)i].button.get(); }
  // Index of the selected tab, -1 when none.
  int GetSelected() const;

  CRect m_NextTabRect{0, 0, 16, 25};  // just right of the last tab: the end piece
  std::vector<Tab> m_Tabs;

 protected:
  void OnPaint();
};
