// JHelpBox: a small skinned pop-up with a list of help texts and pictures, one under
// the other from (20, 20).
#pragma once
#include <windows.h>

#include <vector>

#include "fx/dlgtemplate.h"
#include "kit/dlg_base.h"

class JHelpBox : public Dlg_Base {
 public:
  enum : UINT { IDD = 325 };

  // width 0: a text (id = string id); otherwise a PNG picture (id = resource id)
  // drawn at width x height.
  struct Item {
    UINT id;
    int width;
    int height;
  };

  explicit JHelpBox(UINT titleId, std::vector<Item> items = {}, CWnd* parent = nullptr);
  ~JHelpBox() override;

  void AddText(UINT stringId) { m_Items.push_back({stringId, 0, 0}); }
  void AddImage(UINT pngId, int width, int height) { m_Items.push_back({pngId, width, height}); }

  BOOL OnInitDialog() override;
  void DrawSkin(CDC* dc) override;

  UINT m_TitleId;
  std::vector<Item> m_Items;

 private:
  DialogTemplate m_Template;
};
