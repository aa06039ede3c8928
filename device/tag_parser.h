// Reads the tagged text replies of recorders: <ROOT><NAME>value</NAME>...</ROOT>.
#pragma once
#include <cstddef>
#include <string>

class TagParser {
 public:
  static constexpr std::size_t kMaxText = 10240;

  // Copies the text (at most kMaxText bytes) and finds the first "<root>" and "</root>".
  // True when both are there and the opening tag stands first.
  bool Find(const std::string& text, const std::string& root);
  // The value of element `name` inside the root found last, or an empty text.
  std::string GetValue(const std::string& name) const;

 private:
  std::string m_text;
  std::size_t m_open = std::string::npos;   // position of "<root>"
  std::size_t m_close = std::string::npos;  // position of "</root>"
};
