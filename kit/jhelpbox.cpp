#include "kit/jhelpbox.h"

#include <algorithm>

#include "kit/lang.h"
#include "kit/palette.h"
#include "kit/png_cache.h"

namespace {
CRect MeasureText(CDC* dc, const CString& text) {
  CRect r(0, 0, 0, 0);
  dc->DrawText(text, &r, DT_CALCRECT | DT_NOPREFIX);
  return r;
}
}  // namespace

JHelpBox::JHelpBox(UINT titleId, std::vector<Item> items, CWnd* parent)
    : Dlg_Base(IDD, parent),
      m_TitleId(titleId),
      m_Items(std::move(items)),
      m_Template(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER, 0, 0, 200, 100) {
  InitModalIndirect(m_Template.Get(), parent);
}

JHelpBox::~JHelpBox() = default;

BOOL JHelpBox::OnInitDialog() {
  Dlg_Base::OnInitDialog();
  SetWindowText(LoadLangString(m_TitleId));
  CClientDC dc(this);
  CFont* old = dc.SelectObject(&g_Font);
  int width = 0, height = 0;
  for (const Item& it : m_Items) {
    // Only text items have a text to measure; a picture's id is a resource id.
    CRect text = it.width == 0 ? MeasureText(&dc, LoadLangString(it.id)) : CRect();
    width = std::max({width, (int)text.Width(), it.width});
    height += it.height + 5 + text.Height();
  }
  dc.SelectObject(old);
  SetWindowPos(nullptr, 0, 0, width + 40, height + 65, SWP_NOMOVE | SWP_NOZORDER);
  return TRUE;
}

void JHelpBox::DrawSkin(CDC* dc) {
  int top = 20;
  for (const Item& it : m_Items) {
    if (it.width != 0) {
      CRect r(20, top, 20 + it.width, top + it.height);
      DrawPng(dc, it.id, &r);
      top = r.bottom + 5;
    } else {
      CString text = LoadLangString(it.id);
      CRect r = MeasureText(dc, text);
      r.OffsetRect(20, top);
      dc->DrawText(text, &r, DT_NOPREFIX);
      top = r.bottom + 5;
    }
  }
}
