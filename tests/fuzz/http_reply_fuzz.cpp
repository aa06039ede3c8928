// The HTTP client reading whatever a server answers: the input is the bytes of up to two
// connections (the second one for the answer to a login challenge), served in pieces of a size
// the input chooses, each ending as the input says.
#include <vector>

#include "device/http_client.h"
#include "device/http_connection.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/support/scripted_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  const unsigned mode = in.Byte();
  const int bufferSize = static_cast<int>(in.Byte() % 64) * 37 + 1;
  testlab::ScriptedServer server;
  for (int c = 0; c < 2 && !in.Empty(); ++c) {
    std::vector<testlab::ScriptedReply> replies;
    for (int r = 0; r < 2 && !in.Empty(); ++r) {
      testlab::ScriptedReply reply;
      reply.piece = 1 + in.Byte() % 97;
      reply.end = static_cast<testlab::ReplyEnd>(in.Byte() % 4);
      reply.bytes = in.Part('\x01');
      replies.push_back(reply);
    }
    server.AddConnection(replies);
  }
  http::GetRequest req;
  req.host = "10.0.0.5";
  req.target = "/cgi-bin/cmd/system?SYSTEM_INFO";
  req.timeoutMs = 1000;
  req.answerChallenge = (mode & 1) != 0;
  req.user = "admin";
  req.password = "740912";
  req.streams = server.Maker();
  std::vector<char> buf(static_cast<std::size_t>(bufferSize), 'Z');
  http::GetResult result;
  const bool ok = http::Get(req, buf.data(), bufferSize, &result);
  // The body always fits and is terminated; a failure leaves nothing; each request once.
  FUZZ_CHECK(result.bodyBytes >= 0 && result.bodyBytes < bufferSize);
  FUZZ_CHECK(buf[static_cast<std::size_t>(result.bodyBytes)] == '\0');
  if (!ok) FUZZ_CHECK(buf[0] == '\0');
  FUZZ_CHECK(server.Requests().size() <= 2);
  FUZZ_CHECK(server.RequestsWith("Authorization:") <= 1);
  JudgeCgiReply(result.status, buf.data(), result.bodyBytes, (mode & 2) != 0);
  JudgeUrlReply(result.status, buf.data(), result.bodyBytes);
  return 0;
}
