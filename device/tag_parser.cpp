#include "device/tag_parser.h"

bool TagParser::Find(const std::string& text, const std::string& root) {
  m_text = text.substr(0, kMaxText);
  // A text is read up to its first NUL, as the device sent it.
  std::size_t nul = m_text.find('\0');
  if (nul != std::string::npos) m_text.resize(nul);
  m_open = m_text.find("<" + root + ">");
  m_close = m_text.find("</" + root + ">");
  bool found = m_open != std::string::npos && m_close != std::string::npos && m_open < m_close;
  if (!found) m_open = m_close = std::string::npos;
  return found;
}

std::string TagParser::GetValue(const std::string& name) const {
  if (m_open == std::string::npos) return std::string();
  std::size_t open = m_text.find("<" + name + ">", m_open);
  std::size_t close = m_text.find("</" + name + ">", m_open);
  if (open == std::string::npos || close == std::string::npos) return std::string();
  if (open <= m_open || close >= m_close || open >= close) return std::string();
  // The value runs from after the tag's ">" up to the next "<".
  std::size_t start = m_text.find('>', open);
  if (start == std::string::npos) return std::string();
  ++start;
  std::size_t end = m_text.find('<', start);
  if (end == std::string::npos) end = m_text.size();
  return m_text.substr(start, end - start);
}
