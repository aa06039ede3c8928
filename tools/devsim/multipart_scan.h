// Finds a multipart body's delimiters while the body streams in. A device parses an upload as
// it arrives; looking for the delimiters in each piece just received reads bytes that are
// still in the cache, where a search of the whole body afterwards reads tens of megabytes
// again (the upload benchmark measures the device's answer too).
#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace devsim {

class MultipartScan {
 public:
  // The boundary from a "multipart/...; boundary=X" content type; an empty one (any other
  // body) finds nothing.
  static std::string BoundaryOf(const std::string& contentType);

  explicit MultipartScan(const std::string& boundary);

  // Looks at body[0, have): the bytes not yet looked at, and the few before them that may
  // start a delimiter cut in two by the last piece. Call it with a growing `have`.
  void Feed(const char* body, std::size_t have);

  bool Active() const { return !m_needle.empty(); }
  // Where each CR LF "--" boundary starts, in order.
  const std::vector<std::size_t>& Positions() const { return m_positions; }

 private:
  std::string m_needle;
  std::size_t m_next = 0;  // the first position not yet ruled out
  std::vector<std::size_t> m_positions;
};

}  // namespace devsim
