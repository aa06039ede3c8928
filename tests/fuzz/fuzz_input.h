// Helpers for the fuzz targets: an input taken apart into the pieces a target needs.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzz {

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : m_data(reinterpret_cast<const char*>(data)), m_size(size) {}
  // One byte (0 when none is left).
  unsigned Byte() { return m_at < m_size ? static_cast<unsigned char>(m_data[m_at++]) : 0u; }
  // The bytes up to the next `separator` (which is passed over), or up to the end.
  std::string Part(char separator = '\0') {
    std::size_t start = m_at;
    while (m_at < m_size && m_data[m_at] != separator) ++m_at;
    std::string out(m_data + start, m_at - start);
    if (m_at < m_size) ++m_at;
    return out;
  }
  // Everything not taken yet.
  std::string Rest() {
    std::string out(m_data + m_at, m_size - m_at);
    m_at = m_size;
    return out;
  }
  bool Empty() const { return m_at >= m_size; }

 private:
  const char* m_data;
  std::size_t m_size;
  std::size_t m_at = 0;
};

// A device's 8-bit text as the program's wide text.
std::wstring Wide(const std::string& bytes);

}  // namespace fuzz

// A broken promise of a target: reported as a crash with its reason.
#define FUZZ_CHECK(cond)                                                                \
  do {                                                                                  \
    if (!(cond)) {                                                                      \
      std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__); \
      std::abort();                                                                     \
    }                                                                                   \
  } while (0)
