// Whether every text of a window fits the room it is given. Call it once the window is laid
// out in the language under test (every dialog's test runs it in all 13 languages):
//
//   std::vector<std::string> cut = labelfit::CutTexts(dialog);
//   EXPECT_TRUE(cut.empty()) << labelfit::Join(cut);
//
// It repaints the window and each visible window inside it, one at a time, with the text log
// of fx open (CDC::SetTextLog), so it sees every text as drawn: the labels of the skin, the
// captions of buttons, header items, combo faces. Each text is measured in the font it was
// drawn in and must
//   - fit the rectangle it was drawn into (texts drawn with an ellipsis are shortened on
//     purpose and pass; the cell's tooltip shows them whole),
//   - lie inside the window's client area,
//   - not run into a control of the window (a text drawn wholly on a control, such as a
//     combo box's face, belongs to it).
// Besides: every visible control lies inside its parent and overlaps no sibling, and every
// item of a skinned combo box fits the face that shows the chosen one.
#pragma once
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fx/fx.h"
#include "kit/jcombobox.h"
#include "kit/palette.h"

namespace labelfit {

inline std::string Utf8(const std::wstring& w) {
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<std::size_t>(n > 0 ? n - 1 : 0), '\0');
  if (n > 1) ::WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, &s[0], n, nullptr, nullptr);
  return s;
}

inline std::string Join(const std::vector<std::string>& lines) {
  std::string all;
  for (const std::string& l : lines) all += "\n  " + l;
  return all;
}

// "control 1116 (ComboBox)" or "window (#32770)".
inline std::string Name(HWND w) {
  wchar_t cls[64] = L"";
  ::GetClassNameW(w, cls, 64);
  const bool child = (::GetWindowLongPtrW(w, GWL_STYLE) & WS_CHILD) != 0;
  return (child ? "control " + std::to_string(::GetDlgCtrlID(w)) : std::string("window")) + " (" +
         Utf8(cls) + ")";
}

inline std::string Box(const RECT& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + ")";
}

// The size of a text drawn with `format` in `font`.
inline SIZE Measure(const std::wstring& text, HFONT font, UINT format, int roomWidth) {
  HDC dc = ::GetDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, font ? font : static_cast<HFONT>(g_Font.GetSafeHandle()));
  RECT r{0, 0, (format & DT_WORDBREAK) ? roomWidth : 0, 0};
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
              DT_CALCRECT | (format & (DT_SINGLELINE | DT_NOPREFIX | DT_WORDBREAK | DT_EXPANDTABS)));
  ::SelectObject(dc, old);
  ::ReleaseDC(nullptr, dc);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

// Where the glyphs of a text of `size` stand in its room.
inline RECT Placed(const RECT& room, SIZE size, UINT format) {
  RECT r{room.left, room.top, room.left + size.cx, room.top + size.cy};
  if (format & DT_CENTER) ::OffsetRect(&r, ((room.right - room.left) - size.cx) / 2, 0);
  if (format & DT_RIGHT) ::OffsetRect(&r, (room.right - room.left) - size.cx, 0);
  if ((format & DT_SINGLELINE) && (format & DT_VCENTER)) ::OffsetRect(&r, 0, ((room.bottom - room.top) - size.cy) / 2);
  if ((format & DT_SINGLELINE) && (format & DT_BOTTOM)) ::OffsetRect(&r, 0, (room.bottom - room.top) - size.cy);
  return r;
}

inline bool Inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}
inline bool Overlap(const RECT& a, const RECT& b) {
  RECT i;
  return ::IntersectRect(&i, &a, &b) != FALSE;
}

// The visible controls directly inside `w`, with their rectangles in its client coordinates.
inline std::vector<std::pair<HWND, RECT>> Controls(HWND w) {
  std::vector<std::pair<HWND, RECT>> out;
  for (HWND c = ::GetWindow(w, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
    if (!::IsWindowVisible(c)) continue;
    RECT r;
    ::GetWindowRect(c, &r);
    ::MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&r), 2);
    out.emplace_back(c, r);
  }
  return out;
}

// The texts one window's own paint draws (its controls paint separately).
inline std::vector<DrawnText> PaintedTexts(HWND w) {
  std::vector<DrawnText> log;
  CDC::SetTextLog(&log);
  ::RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_NOCHILDREN);
  CDC::SetTextLog(nullptr);
  // A window that paints its skin both when erasing and when painting draws each text twice.
  std::vector<DrawnText> once;
  for (const DrawnText& t : log) {
    bool seen = false;
    for (const DrawnText& o : once)
      seen = seen || (o.text == t.text && ::EqualRect(&o.room, &t.room) && o.format == t.format);
    if (!seen) once.push_back(t);
  }
  return once;
}

inline void CheckWindow(HWND w, std::vector<std::string>& cut) {
  RECT client;
  ::GetClientRect(w, &client);
  const std::vector<std::pair<HWND, RECT>> controls = Controls(w);
  // A combo box whose face its parent draws shows the parent's texts, checked there.
  auto* combo = dynamic_cast<JComboBox*>(CWnd::FromHandlePermanent(w));
  const std::vector<DrawnText> texts = combo && combo->FaceInParent() ? std::vector<DrawnText>() : PaintedTexts(w);
  for (const DrawnText& t : texts) {
    if (t.text.empty() || (t.format & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS))) continue;
    const RECT& room = t.room;
    const SIZE need = Measure(t.text, t.font, t.format, room.right - room.left);
    const std::string what = Name(w) + ": \"" + Utf8(t.text) + "\"";
    if (need.cx > room.right - room.left || need.cy > room.bottom - room.top)
      cut.push_back(what + " needs " + std::to_string(need.cx) + " x " + std::to_string(need.cy) + ", has " +
                    Box(room));
    const RECT glyphs = Placed(room, need, t.format);
    if (!Inside(glyphs, client)) cut.push_back(what + " at " + Box(glyphs) + " leaves the client area " + Box(client));
    for (const auto& c : controls)
      if (Overlap(glyphs, c.second) && !Inside(room, c.second))
        cut.push_back(what + " at " + Box(glyphs) + " runs into " + Name(c.first) + " at " + Box(c.second));
  }
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const auto& c = controls[i];
    if (!Inside(c.second, client))
      cut.push_back(Name(c.first) + " at " + Box(c.second) + " leaves " + Name(w) + " " + Box(client));
    for (std::size_t j = i + 1; j < controls.size(); ++j)
      if (Overlap(c.second, controls[j].second))
        cut.push_back(Name(c.first) + " at " + Box(c.second) + " overlaps " + Name(controls[j].first) + " at " +
                      Box(controls[j].second));
    // Every item of a skinned combo box fits the face, in the face's font.
    if (auto* combo = dynamic_cast<JComboBox*>(CWnd::FromHandlePermanent(c.first))) {
      const RECT face = combo->FaceTextRect();
      HFONT font = static_cast<HFONT>(g_Font.GetSafeHandle());
      for (const DrawnText& t : texts)
        if (Inside(t.room, c.second)) font = t.font;
      for (int i2 = 0; i2 < combo->GetCount(); ++i2) {
        CString item;
        combo->GetLBText(i2, item);
        const SIZE need = Measure(item.GetString(), font, DT_SINGLELINE | DT_NOPREFIX, 0);
        if (need.cx > face.right - face.left)
          cut.push_back(Name(c.first) + ": item \"" + Utf8(item.GetString()) + "\" needs " + std::to_string(need.cx) +
                        ", the face has " + std::to_string(face.right - face.left));
      }
    }
  }
}

// Every problem found in the window and in every visible window inside it.
inline std::vector<std::string> CutTexts(CWnd& window) {
  std::vector<std::string> cut;
  std::vector<HWND> todo{window.m_hWnd};
  while (!todo.empty()) {
    HWND w = todo.back();
    todo.pop_back();
    if (!::IsWindowVisible(w)) continue;
    CheckWindow(w, cut);
    for (const auto& c : Controls(w)) todo.push_back(c.first);
  }
  return cut;
}

}  // namespace labelfit
