// The whole content of a file as text (empty when it cannot be read).
#pragma once
#include <fstream>
#include <sstream>
#include <string>

namespace testlab {

inline std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

}  // namespace testlab
