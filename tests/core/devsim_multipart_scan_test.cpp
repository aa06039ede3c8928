// The simulated device's delimiter scan: whatever pieces the body arrives in, it finds the
// same delimiters as one search of the whole body.
#include "tools/devsim/multipart_scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::vector<std::size_t> SearchWhole(const std::string& body, const std::string& needle) {
  std::vector<std::size_t> at;
  for (std::size_t p = body.find(needle); p != std::string::npos; p = body.find(needle, p + needle.size())) at.push_back(p);
  return at;
}

TEST(MultipartScan, PiecesOfAnySizeFindWhatOneSearchFinds) {
  const std::string boundary = "---------------------------7d72d818540206";
  const std::string d = "\r\n--" + boundary;
  // Near misses (a CR before the CR, a boundary one letter off, a cut-off boundary) around
  // real delimiters, one at the very start and one at the very end.
  const std::string body = d + "\r\nhead\r\n\r\n" + std::string(300, '\r') + "\r\r\n--" + boundary + "x" +
                           "\r\n--" + boundary.substr(0, 20) + "\r\n" + d + d + std::string(5000, 'z') + "\n\r" + d;
  const auto expected = SearchWhole(body, d);
  ASSERT_EQ(5u, expected.size());
  for (std::size_t piece : {std::size_t(1), std::size_t(2), d.size() - 1, d.size(), d.size() + 1, std::size_t(1000), body.size()}) {
    devsim::MultipartScan scan(boundary);
    for (std::size_t have = 0; have < body.size();) {
      have = std::min(body.size(), have + piece);
      scan.Feed(body.data(), have);
    }
    EXPECT_EQ(expected, scan.Positions()) << "pieces of " << piece;
  }
}

TEST(MultipartScan, BoundaryComesFromAMultipartContentTypeOnly) {
  struct Case {
    const char* contentType;
    const char* boundary;
  } cases[] = {
      {"multipart/form-data; boundary=abc", "abc"},
      {"Multipart/Form-Data; Boundary=AbC; charset=x", "AbC"},
      {"multipart/form-data; boundary=\"a b\"", "a b"},
      {"multipart/form-data", ""},
      {"text/plain; boundary=abc", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.boundary, devsim::MultipartScan::BoundaryOf(c.contentType)) << c.contentType;
  devsim::MultipartScan none("");
  const std::string body = "\r\n--\r\n--x";
  none.Feed(body.data(), body.size());
  EXPECT_FALSE(none.Active());
  EXPECT_TRUE(none.Positions().empty());
}

}  // namespace
