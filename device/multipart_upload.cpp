#include "device/multipart_upload.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "device/block_pool.h"
#include "device/http_port_map.h"
#include "device/jsocket.h"
#include "device/upgrade_rules.h"
#include "port/net.h"
#include "port/text.h"

namespace {

constexpr int kReplyPiece = 511;
constexpr int kReadPollMs = 50;
constexpr std::int64_t kReplyGraceMs = 1000;
constexpr int kNetworkReplySize = 512;
constexpr int kNetworkTimeoutMs = 300000;
constexpr std::size_t kSendBlock = 1024 * 1024;
// The blocks kept between uploads: those of four uploads.
constexpr std::size_t kKeptSendBlocks = 8;

// The blocks that files are read into on their way to the socket, kept from one upload to
// the next. Never destroyed: an upload may still run on a worker thread while the program
// ends.
BlockPool& SendBlocks() {
  static BlockPool* const pool = new BlockPool(kSendBlock, kKeptSendBlocks);
  return *pool;
}

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Opens a file for binary reading; others may read and write it meanwhile.
File OpenShared(const std::wstring& path) {
#ifdef _WIN32
  return File(_wfopen(path.c_str(), L"rb"));
#else
  return File(std::fopen(port::ToUtf8(path).c_str(), "rb"));
#endif
}

// The size of an open file, -1 when it cannot be told.
long SizeOf(std::FILE* f) {
  if (std::fseek(f, 0, SEEK_END) != 0) return -1;
  long size = std::ftell(f);
  if (std::fseek(f, 0, SEEK_SET) != 0) return -1;
  return size;
}

// A text that goes into a request line or header must not break the request apart.
bool SafeForHead(const std::string& s, bool allowSpace) {
  for (unsigned char c : s)
    if (c < 0x20 || c == 0x7F || (!allowSpace && c == ' ')) return false;
  return true;
}

bool SafeForDisposition(const std::string& s) { return SafeForHead(s, true) && s.find('"') == std::string::npos; }

const char* const kFileType = "application/x-gzip-compressed";
const char* const kSecondFileType = "text/plain";

// The most of the answer that is read: interim replies, then the final reply's first piece.
constexpr std::size_t kReplyReadMax = 4096;

// Where the final reply begins in what came of the answer, after any interim (1xx) replies;
// npos while it is not known yet (an interim reply, or a status line, still incomplete).
std::size_t FinalReplyAt(const std::string& got) {
  std::size_t at = 0;
  while (got.compare(at, 5, "HTTP/") == 0) {
    std::size_t sp = got.find(' ', at);
    if (sp == std::string::npos || sp + 1 >= got.size()) return std::string::npos;
    if (got[sp + 1] != '1') return at;
    std::size_t end = got.find("\r\n\r\n", at);
    if (end == std::string::npos) return std::string::npos;
    at = end + 4;
  }
  return at;
}

// The final reply's part of what came (its first 511 bytes at most); empty when none came.
std::string FinalReply(const std::string& got) {
  std::size_t at = FinalReplyAt(got);
  if (at == std::string::npos || at >= got.size()) return std::string();
  return got.substr(at, kReplyPiece);
}

// True when what came of the answer is enough to judge it (see SendAndWait).
bool ReplyComplete(const std::string& got) {
  if (got.size() >= kReplyReadMax) return true;
  std::size_t at = FinalReplyAt(got);
  if (at == std::string::npos || at >= got.size()) return false;
  const std::string reply = got.substr(at);
  if (reply.size() >= static_cast<std::size_t>(kReplyPiece)) return true;
  const std::string http = "HTTP/";
  if (reply.compare(0, std::min(reply.size(), http.size()), http, 0, std::min(reply.size(), http.size())) != 0)
    return true;
  std::size_t end = reply.find("\r\n\r\n");
  if (end == std::string::npos) return false;
  std::string head = reply.substr(0, end);
  for (auto& c : head) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::size_t cl = head.find("\r\ncontent-length:");
  if (cl == std::string::npos) return false;
  std::size_t length = static_cast<std::size_t>(std::strtoul(head.c_str() + cl + 17, nullptr, 10));
  return reply.size() - (end + 4) >= length;
}

}  // namespace

std::string BuildUploadHead(const std::string& postPath, const std::string& referer, const std::string& host,
                            std::size_t contentLength) {
  std::string h;
  h += "POST " + postPath + " HTTP/1.1\r\n";
  h += "Accept: .\r\n";
  h += "Referer: " + referer + "\r\n";
  h += "Accept-Language: en-us\r\n";
  h += std::string("Content-Type: multipart/form-data; boundary=") + kUploadBoundary + "\r\n";
  h += "User-Agent: ZOLK\r\n";
  h += "Host: " + host + "\r\n";
  h += "Content-Length: " + std::to_string(contentLength) + "\r\n";
  h += "Connection: Keep-Alive\r\n";
  h += "Cache-Control: no-cache\r\n";
  h += "\r\n";
  return h;
}

std::string BuildFilePartHead(const std::string& field, const std::string& fileName, const char* contentType) {
  std::string p = std::string(kUploadDelimiter) + "\r\n";
  p += "Content-Disposition: form-data; name=\"" + field + "\"; filename=\"" + fileName + "\"\r\n";
  p += std::string("Content-Type: ") + contentType + "\r\n";
  p += "\r\n";
  return p;
}

std::string BuildClosingPart(const std::string& submitName) {
  std::string p = std::string(kUploadDelimiter) + "\r\n";
  p += "Content-Disposition: form-data; name=\"" + submitName + "\"\r\n";
  p += "\r\n";
  p += "Apply\r\n";
  p += std::string(kUploadDelimiter) + "--\r\n";
  p.push_back('\0');
  return p;
}

std::string BuildUploadBody(const UpgradeForm& form, const std::string& firstName, const std::string& first,
                            const std::string& secondName, const std::string& second) {
  std::string body = BuildFilePartHead(form.fileField, firstName, kFileType) + first + "\r\n";
  if (!secondName.empty()) body += BuildFilePartHead(form.secondFileField, secondName, kSecondFileType) + second + "\r\n";
  return body + BuildClosingPart(form.submitName);
}

int JudgeUploadReply(const char* data, std::size_t length) {
  const std::string piece = FinalReply(std::string(data, length));
  if (piece.empty()) return RESULT_UPLOAD_FAIL;  // interim replies only: no verdict was given
  if (piece.compare(0, 5, "HTTP/") == 0) {
    std::size_t sp = piece.find(' ');
    if (sp != std::string::npos) {
      int status = 0, digits = 0;
      for (std::size_t i = sp + 1; i < piece.size() && digits < 3 && piece[i] >= '0' && piece[i] <= '9'; ++i, ++digits)
        status = status * 10 + (piece[i] - '0');
      if (digits == 3 && status >= 400) return RESULT_UPLOAD_FAIL;
    }
  }
  for (const char* word : {"ERR", "err", "Err"})
    if (piece.find(word) != std::string::npos) return RESULT_UPLOAD_FAIL;
  return RESULT_SUCCESS;
}

int SendAndWait(JSocket* connection, const UpgradeJob& job, const std::string& head, const UploadBodyWriter& body,
                const std::wstring& updatePath, const UploadContext& context) {
  if (job.kind == UPGRADE_NETWORK) {
    UpgradeIo& io = context.io ? *context.io : DefaultUpgradeIo();
    std::wstring url = L"http://" + job.ip + L":" + std::to_wstring(ResolveHttpPort(job.ip)) + updatePath;
    char reply[kNetworkReplySize] = {0};
    int n = io.GetUrl(url, kNetworkTimeoutMs, reply, kNetworkReplySize);
    return n > 0 ? RESULT_SUCCESS : RESULT_UPLOAD_FAIL;
  }
  if (!connection) return RESULT_UPLOAD_FAIL;
  // Every byte of head and body must go out; a short or failed send ends the upload.
  int sent = connection->SendAll(head.data(), head.size(), context.sendStallMs) ? body(*connection) : RESULT_UPLOAD_FAIL;
  if (sent != RESULT_SUCCESS) {
    connection->Close();
    return sent;
  }
  const UpgradeClock& clock = context.clock ? *context.clock : RealUpgradeClock();
  const std::int64_t deadline = clock.NowMs() + context.replyDeadlineMs;
  // The verdict reads the first 511 bytes of the final reply, after any interim (1xx) ones. A
  // device may send its status line and head in one piece and the body in the next, so the
  // reading goes on until those bytes are in, the body that the head announces is complete,
  // the device closes, or it has stayed silent for a moment after the final reply began.
  std::string got;
  char piece[kReplyPiece];
  int result = RESULT_TIMEOUT;
  std::int64_t lastData = 0;
  auto answered = [&] { return !FinalReply(got).empty(); };
  while (true) {
    if (context.stop && context.stop->load()) break;
    const std::size_t room = std::min(sizeof piece, kReplyReadMax - got.size());
    int n = connection->ReceiveSome(piece, static_cast<int>(room), kReadPollMs);
    if (n > 0) {
      got.append(piece, static_cast<std::size_t>(n));
      lastData = port::SteadyMs();
      if (ReplyComplete(got)) break;
      continue;
    }
    if (n == 0 || n == -1) {
      // Closed or reset: with no verdict received the upload failed; else judge what came.
      if (!answered()) result = RESULT_UPLOAD_FAIL;
      break;
    }
    if (answered() && port::SteadyMs() - lastData >= kReplyGraceMs) break;
    if (clock.NowMs() >= deadline) break;
  }
  if (!answered()) got.clear();
  if (!got.empty()) result = JudgeUploadReply(got.data(), got.size());
  connection->Close();
  return result;
}

int PostFile(UpgradeEvents* owner, const std::wstring& updatePath, const UpgradeJob& job, const UpgradeForm& form,
             const UploadContext& context) {
  const int noFile = job.kind == UPGRADE_CONFIG_SET ? RESULT_NO_CONFIG_FILE : RESULT_NO_UPGRADE_FILE;
  const int port = ResolveHttpPort(job.ip);
  if (job.kind == UPGRADE_NETWORK) {
    // The device's address goes into a URL: a dotted address, never a name to look up.
    std::uint32_t address = 0;
    if (!port::ParseIPv4(port::ToLocal8(job.ip), &address)) return RESULT_CONNECTION_FAIL;
    if (owner) owner->OnDeviceStatus(job.row, RESULT_UPLOADING);
    return SendAndWait(nullptr, job, std::string(), UploadBodyWriter(), updatePath, context);
  }

  if (job.filePath.empty()) return noFile;
  File first = OpenShared(job.filePath);
  if (!first) return noFile;
  long firstSize = SizeOf(first.get());
  if (firstSize < 0) return noFile;
  File second;
  long secondSize = 0;
  if (!job.secondFilePath.empty()) {
    second = OpenShared(job.secondFilePath);
    if (!second) return noFile;
    secondSize = SizeOf(second.get());
    if (secondSize < 0) return noFile;
  }
  const std::string firstName = port::ToLocal8(FileNameOf(job.filePath, true));
  const std::string secondName = job.secondFilePath.empty() ? std::string()
                                                             : port::ToLocal8(FileNameOf(job.secondFilePath, true));
  if (!SafeForDisposition(firstName) || !SafeForDisposition(secondName)) return noFile;

  // The form comes from the device's page: refuse texts that would break the request.
  // A form without an action posts to its own page, as a browser does.
  const std::string referer = port::ToLocal8(updatePath);
  const std::string postPath = form.postPath.empty() ? referer : form.postPath;
  const std::string host = port::ToLocal8(job.ip);
  if (!SafeForHead(postPath, false) || !SafeForHead(referer, false) || !SafeForHead(host, false) ||
      !SafeForDisposition(form.fileField) || !SafeForDisposition(form.secondFileField) ||
      !SafeForDisposition(form.submitName))
    return RESULT_UPGRADE_FAIL;

  JSocket connection;  // this upload's own socket, closed once when it goes out of scope
  if (!connection.OpenTcp(host, static_cast<std::uint16_t>(port))) return RESULT_CONNECTION_FAIL;

  const std::string head1 = BuildFilePartHead(form.fileField, firstName, kFileType);
  const std::string head2 = second ? BuildFilePartHead(form.secondFileField, secondName, kSecondFileType) : std::string();
  const std::string closing = BuildClosingPart(form.submitName);
  const std::size_t length = head1.size() + static_cast<std::size_t>(firstSize) + 2 +
                             (second ? head2.size() + static_cast<std::size_t>(secondSize) + 2 : 0) + closing.size();

  // The body goes out as it is read: each file for exactly the size measured (a file that
  // shrank meanwhile fails the upload), through two block-sized buffers: while one block
  // waits for room in the socket, the next one is read into the other. Only the bytes read
  // into a block go out: a kept block holds the bytes of an earlier upload.
  const int stall = context.sendStallMs;
  auto writer = [&](JSocket& c) -> int {
    BlockPool::Block sending = SendBlocks().Take();
    BlockPool::Block reading = SendBlocks().Take();
    if (!sending || !reading) return RESULT_UPGRADE_FAIL;
    auto text = [&](const std::string& t) { return c.SendAll(t.data(), t.size(), stall); };
    auto file = [&](std::FILE* f, long size) -> int {
      std::size_t left = static_cast<std::size_t>(size);
      std::size_t want = std::min(left, kSendBlock);
      if (std::fread(sending.Data(), 1, want, f) != want) return noFile;
      while (left > 0) {
        left -= want;
        const std::size_t next = std::min(left, kSendBlock);
        bool read = false, readOk = true;
        auto readNext = [&] {
          if (read || next == 0) return;
          read = true;
          readOk = std::fread(reading.Data(), 1, next, f) == next;
        };
        if (!c.SendAll(sending.Data(), want, stall, readNext)) return RESULT_UPLOAD_FAIL;
        readNext();
        if (!readOk) return noFile;
        std::swap(sending, reading);
        want = next;
      }
      return RESULT_SUCCESS;
    };
    if (!text(head1)) return RESULT_UPLOAD_FAIL;
    int r = file(first.get(), firstSize);
    if (r != RESULT_SUCCESS) return r;
    if (!text("\r\n")) return RESULT_UPLOAD_FAIL;
    if (second) {
      if (!text(head2)) return RESULT_UPLOAD_FAIL;
      r = file(second.get(), secondSize);
      if (r != RESULT_SUCCESS) return r;
      if (!text("\r\n")) return RESULT_UPLOAD_FAIL;
    }
    return text(closing) ? RESULT_SUCCESS : RESULT_UPLOAD_FAIL;
  };

  const std::string head = BuildUploadHead(postPath, referer, host, length);
  if (owner) owner->OnDeviceStatus(job.row, RESULT_UPLOADING);
  return SendAndWait(&connection, job, head, writer, updatePath, context);
}
