#include "fx/dlgtemplate.h"

DialogTemplate::DialogTemplate(DWORD style, short x, short y, short cx, short cy,
                               const wchar_t* title, WORD pointSize, const wchar_t* face) {
  if (face) style |= DS_SETFONT;
  PutDword(style);
  PutDword(0);             // extended style
  m_words.push_back(0);    // control count, counted by AddControl
  m_words.push_back((WORD)x);
  m_words.push_back((WORD)y);
  m_words.push_back((WORD)cx);
  m_words.push_back((WORD)cy);
  m_words.push_back(0);    // no menu
  m_words.push_back(0);    // the dialog class
  PutString(title);
  if (face) {
    m_words.push_back(pointSize);
    PutString(face);
  }
}

void DialogTemplate::Align() {
  // Every control item starts on a DWORD boundary.
  if (m_words.size() % 2) m_words.push_back(0);
}

void DialogTemplate::PutString(const wchar_t* s) {
  for (; s && *s; ++s) m_words.push_back((WORD)*s);
  m_words.push_back(0);
}

void DialogTemplate::AddControl(const wchar_t* className, const wchar_t* text, WORD id,
                                DWORD style, short x, short y, short cx, short cy,
                                DWORD exStyle) {
  Align();
  PutDword(style | WS_CHILD | WS_VISIBLE);
  PutDword(exStyle);
  m_words.push_back((WORD)x);
  m_words.push_back((WORD)y);
  m_words.push_back((WORD)cx);
  m_words.push_back((WORD)cy);
  m_words.push_back(id);
  PutString(className);
  PutString(text);
  m_words.push_back(0);  // no creation data
  m_words[4]++;          // cdit follows style (2 words) and extended style (2 words)
}
