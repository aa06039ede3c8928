// Login challenges as a device may send them: each line one WWW-Authenticate value.
#include <vector>

#include "device/http_auth.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  std::vector<std::string> values;
  while (!in.Empty() && values.size() < 8) values.push_back(in.Part('\n'));
  for (const std::string& v : values) {
    http::AuthChallenge c;
    if (http::ParseAuthHeader(v, &c)) c.Param("realm");
  }
  http::AuthChallenge chosen;
  if (http::ChooseChallenge(values, &chosen)) {
    const std::string answer = http::DigestAuthorization(chosen, "GET", "/cgi-bin/cmd/system?SYSTEM_INFO", "admin",
                                                         "740912", "0123456789abcdef");
    // The answer goes into a header line: it never carries a line break.
    FUZZ_CHECK(answer.find('\r') == std::string::npos && answer.find('\n') == std::string::npos);
  }
  std::string decoded;
  http::Base64Decode(values.empty() ? std::string() : values[0], &decoded);
  return 0;
}
