// The bytes of a multipart upload, the verdict on a device's answer, and the failures that
// happen before anything is sent.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "device/http_port_map.h"
#include "device/multipart_upload.h"
#include "port/net.h"
#include "port/sync.h"

namespace fs = std::filesystem;

namespace {

const std::string kDelim = "-----------------------------7d72d818540206";

TEST(MultipartUpload, HeadLinesInOrder) {
  EXPECT_EQ(BuildUploadHead("/cgi-bin/upload.cgi", "/cgi-bin/update?USER=admin&PWD=1&FIRMWARE", "10.0.0.5", 1234),
            "POST /cgi-bin/upload.cgi HTTP/1.1\r\n"
            "Accept: .\r\n"
            "Referer: /cgi-bin/update?USER=admin&PWD=1&FIRMWARE\r\n"
            "Accept-Language: en-us\r\n"
            "Content-Type: multipart/form-data; boundary=---------------------------7d72d818540206\r\n"
            "User-Agent: ZOLK\r\n"
            "Host: 10.0.0.5\r\n"
            "Content-Length: 1234\r\n"
            "Connection: Keep-Alive\r\n"
            "Cache-Control: no-cache\r\n"
            "\r\n");
}

TEST(MultipartUpload, BodyBytesAndLengths) {
  UpgradeForm form{"/u", "upfile", "md5file", "apply"};
  const std::string image("\x1f\x8b\0\r\nimage", 10), md5 = "0123456789abcdef";
  std::string body = BuildUploadBody(form, "K7W-700-V6.10.01-LV.upg", image, "K7W-700-V6.10.01-LV.md5", md5);
  const std::string expected =
      kDelim + "\r\n" + "Content-Disposition: form-data; name=\"upfile\"; filename=\"K7W-700-V6.10.01-LV.upg\"\r\n" +
      "Content-Type: application/x-gzip-compressed\r\n\r\n" + image + "\r\n" +
      kDelim + "\r\n" + "Content-Disposition: form-data; name=\"md5file\"; filename=\"K7W-700-V6.10.01-LV.md5\"\r\n" +
      "Content-Type: text/plain\r\n\r\n" + md5 + "\r\n" +
      kDelim + "\r\n" + "Content-Disposition: form-data; name=\"apply\"\r\n\r\nApply\r\n" + kDelim + "--\r\n" +
      std::string(1, '\0');
  EXPECT_EQ(body, expected);
  // The part lengths: 146 + field + name + size + 2, 127 + ..., 143 + submit name (the NUL).
  std::size_t part1 = 146 + 6 + 23 + image.size() + 2, part2 = 127 + 7 + 23 + md5.size() + 2, closing = 143 + 5;
  EXPECT_EQ(body.size(), part1 + part2 + closing);
  EXPECT_EQ(BuildClosingPart("apply").size(), closing);
  EXPECT_EQ(body.back(), '\0');

  // Without a second file: the file part and the closing part only.
  std::string one = BuildUploadBody(form, "conf.ini", "abc", "", "");
  EXPECT_EQ(one.size(), (146 + 6 + 8 + 3 + 2) + closing);
  EXPECT_EQ(one.find("md5file"), std::string::npos);
  EXPECT_EQ(one.find("text/plain"), std::string::npos);
}

TEST(MultipartUpload, ReplyVerdicts) {
  struct Case {
    const char* reply;
    int expected;
  } cases[] = {
      {"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nOK", RESULT_SUCCESS},
      {"HTTP/1.0 302 Found\r\nLocation: /\r\n\r\n", RESULT_SUCCESS},
      {"Upgrade done", RESULT_SUCCESS},
      {"HTTP/1.1 200 OK\r\n\r\nupload error", RESULT_UPLOAD_FAIL},
      {"HTTP/1.1 200 OK\r\n\r\nTerrible", RESULT_UPLOAD_FAIL},  // "err" inside a word counts
      {"HTTP/1.1 200 OK\r\n\r\nERROR: bad image", RESULT_UPLOAD_FAIL},
      {"HTTP/1.1 200 OK\r\n\r\nErr 3", RESULT_UPLOAD_FAIL},
      {"HTTP/1.1 404 Not Found\r\n\r\n", RESULT_UPLOAD_FAIL},  // no error word, but a 4xx status
      {"HTTP/1.1 401 Unauthorized\r\n\r\n", RESULT_UPLOAD_FAIL},
      {"HTTP/1.1 503 Service Unavailable\r\n\r\n", RESULT_UPLOAD_FAIL},
      {"HTTP/1.1 413", RESULT_UPLOAD_FAIL},
      // The final reply decides, not an interim one before it.
      {"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 403 Forbidden\r\n\r\n", RESULT_UPLOAD_FAIL},
      {"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 102 Processing\r\n\r\nHTTP/1.1 200 OK\r\n\r\nUpgrade OK",
       RESULT_SUCCESS},
      {"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\n\r\nupload error", RESULT_UPLOAD_FAIL},
      {"HTTP/1.1 100 Continue\r\n\r\n", RESULT_UPLOAD_FAIL},  // no verdict at all
      {"HTTP/1.1 100 Continue\r\n", RESULT_UPLOAD_FAIL},
  };
  for (const Case& c : cases) EXPECT_EQ(JudgeUploadReply(c.reply, std::strlen(c.reply)), c.expected) << c.reply;
}

class UploadFailures : public ::testing::Test {
 protected:
  void SetUp() override {
    port::NetInit();
    dir = fs::temp_directory_path() / ("dvkpost" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::create_directories(dir);
    std::ofstream(dir / "fw.upg", std::ios::binary) << "image";
    job.ip = L"127.0.0.1";
    job.kind = UPGRADE_FIRMWARE;
    job.filePath = (dir / "fw.upg").wstring();
    // A loopback port where nothing listens.
    port::socket_t s = port::TcpSocket();
    port::BindLocal(s, "127.0.0.1", 0);
    closedPort = port::LocalPort(s);
    port::CloseSocket(s);
    g_HttpPortMap.Set(L"127.0.0.1", closedPort);
  }
  void TearDown() override {
    g_HttpPortMap.Erase(L"127.0.0.1");
    fs::remove_all(dir);
  }
  fs::path dir;
  UpgradeJob job;
  UpgradeForm form{"/u", "upfile", "md5file", "apply"};
  std::uint16_t closedPort = 0;
};

TEST_F(UploadFailures, MissingFilesNeverConnect) {
  UpgradeJob j = job;
  j.filePath.clear();
  EXPECT_EQ(PostFile(nullptr, L"/update", j, form), RESULT_NO_UPGRADE_FILE);
  j.filePath = (dir / "absent.upg").wstring();
  EXPECT_EQ(PostFile(nullptr, L"/update", j, form), RESULT_NO_UPGRADE_FILE);
  j.kind = UPGRADE_CONFIG_SET;
  EXPECT_EQ(PostFile(nullptr, L"/update", j, form), RESULT_NO_CONFIG_FILE);
  j = job;
  j.secondFilePath = (dir / "absent.md5").wstring();  // the companion is missing
  EXPECT_EQ(PostFile(nullptr, L"/update", j, form), RESULT_NO_UPGRADE_FILE);
}

TEST_F(UploadFailures, NobodyListeningIsAConnectionFailure) {
  ASSERT_NE(closedPort, 0);
  EXPECT_EQ(PostFile(nullptr, L"/update", job, form), RESULT_CONNECTION_FAIL);
}

TEST_F(UploadFailures, AFinalRefusalAfterAnInterimReplyFails) {
  // The device says "100 Continue", thinks for longer than the pause after a reply's first
  // bytes, then refuses the upload.
  port::socket_t listener = port::TcpListen("127.0.0.1", 0);
  ASSERT_NE(listener, port::kInvalidSocket);
  g_HttpPortMap.Set(L"127.0.0.1", port::LocalPort(listener));
  std::thread device([&] {
    port::socket_t c = port::Accept(listener, 5000);
    if (c == port::kInvalidSocket) return;
    char buf[4096];
    std::string in;
    while (in.find("Apply") == std::string::npos) {
      int n = port::RecvSome(c, buf, sizeof buf, 5000);
      if (n <= 0) break;
      in.append(buf, static_cast<std::size_t>(n));
    }
    const std::string interim = "HTTP/1.1 100 Continue\r\n\r\n";
    port::SendAll(c, interim.data(), interim.size(), 2000);
    port::SleepMs(1500);
    const std::string refusal = "HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n";
    port::SendAll(c, refusal.data(), refusal.size(), 2000);
    port::SleepMs(200);
    port::CloseSocket(c);
  });
  EXPECT_EQ(PostFile(nullptr, L"/update", job, form), RESULT_UPLOAD_FAIL);
  device.join();
  port::CloseSocket(listener);
}

using UploadToLoopback = UploadFailures;

// Reads one request (its head and a body of its Content-Length) from a connection. Slowly,
// the first two megabytes come in small sips, so that the sender's socket fills.
std::string ReadRequest(port::socket_t c, bool slowly = false) {
  std::vector<char> buf(64 * 1024);
  std::string in;
  std::size_t end = std::string::npos, want = std::string::npos;
  while (want == std::string::npos || in.size() < want) {
    if (slowly && in.size() < 2 * 1024 * 1024) port::SleepMs(10);
    int n = port::RecvSome(c, buf.data(), static_cast<int>(buf.size()), 5000);
    if (n <= 0) break;
    in.append(buf.data(), static_cast<std::size_t>(n));
    if (end == std::string::npos && (end = in.find("\r\n\r\n")) != std::string::npos) {
      const std::size_t at = in.find("Content-Length: ");
      want = end + 4 + std::stoul(in.substr(at + 16));
    }
  }
  return in;
}

TEST_F(UploadToLoopback, AFileOfSeveralBlocksArrivesWholeAtADeviceThatReadsSlowly) {
  // More than three of the blocks the file is read in, with a last short one; the device
  // takes its time over the first megabytes, so that the socket fills and the next block is
  // read while the last one waits.
  std::string image(3 * 1024 * 1024 + 1234, '\0');
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<char>((i * 2654435761u) >> 13);
  const std::string md5 = "00112233445566778899aabbccddeeff";
  std::ofstream(dir / "big.upg", std::ios::binary) << image;
  std::ofstream(dir / "big.md5", std::ios::binary) << md5;
  UpgradeJob j = job;
  j.filePath = (dir / "big.upg").wstring();
  j.secondFilePath = (dir / "big.md5").wstring();

  port::socket_t listener = port::TcpListen("127.0.0.1", 0);
  ASSERT_NE(listener, port::kInvalidSocket);
  g_HttpPortMap.Set(L"127.0.0.1", port::LocalPort(listener));
  std::string in;
  std::thread device([&] {
    port::socket_t c = port::Accept(listener, 5000);
    if (c == port::kInvalidSocket) return;
    in = ReadRequest(c, true);
    const std::string reply = "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nUpgrade OK";
    port::SendAll(c, reply.data(), reply.size(), 2000);
    port::SleepMs(200);
    port::CloseSocket(c);
  });
  EXPECT_EQ(PostFile(nullptr, L"/update", j, form), RESULT_SUCCESS);
  device.join();
  port::CloseSocket(listener);
  const std::size_t bodyAt = in.find("\r\n\r\n");
  ASSERT_NE(bodyAt, std::string::npos);
  const std::string body = in.substr(bodyAt + 4);
  EXPECT_TRUE(body == BuildUploadBody(form, "big.upg", image, "big.md5", md5))
      << "the body differs (" << body.size() << " bytes)";
}

TEST_F(UploadToLoopback, UploadsInARowSendOnlyTheirOwnFilesBytes) {
  // The blocks a file is read into are kept from one upload to the next: each upload, after a
  // larger one of other bytes, must send its own bytes only. Sizes around the block size.
  const std::size_t mib = 1024 * 1024;
  const std::vector<std::size_t> sizes = {2 * mib + 77, 2 * mib, mib + 1, mib, mib - 1, 3, 0};
  port::socket_t listener = port::TcpListen("127.0.0.1", 0);
  ASSERT_NE(listener, port::kInvalidSocket);
  g_HttpPortMap.Set(L"127.0.0.1", port::LocalPort(listener));
  std::vector<std::string> bodies;
  std::thread device([&] {
    for (std::size_t u = 0; u < sizes.size(); ++u) {
      port::socket_t c = port::Accept(listener, 5000);
      if (c == port::kInvalidSocket) return;
      const std::string in = ReadRequest(c);
      const std::size_t end = in.find("\r\n\r\n");
      bodies.push_back(end == std::string::npos ? std::string() : in.substr(end + 4));
      const std::string reply = "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nUpgrade OK";
      port::SendAll(c, reply.data(), reply.size(), 2000);
      port::CloseSocket(c);
    }
  });
  std::vector<std::string> images;
  for (std::size_t u = 0; u < sizes.size(); ++u) {
    std::string image(sizes[u], '\0');
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<char>(((i + 1) * (u + 3) * 2654435761u) >> 13);
    const std::string name = "fw" + std::to_string(u) + ".upg";
    std::ofstream(dir / name, std::ios::binary) << image;
    UpgradeJob j = job;
    j.filePath = (dir / name).wstring();
    EXPECT_EQ(PostFile(nullptr, L"/update", j, form), RESULT_SUCCESS) << sizes[u] << " bytes";
    images.push_back(image);
  }
  device.join();
  port::CloseSocket(listener);
  ASSERT_EQ(bodies.size(), sizes.size());
  for (std::size_t u = 0; u < sizes.size(); ++u)
    EXPECT_TRUE(bodies[u] == BuildUploadBody(form, "fw" + std::to_string(u) + ".upg", images[u], "", ""))
        << "the body of the " << sizes[u] << "-byte file differs (" << bodies[u].size() << " bytes)";
}

TEST_F(UploadFailures, ANetworkUpgradeGoesOnlyToADottedAddress) {
  struct CountingIo : UpgradeIo {
    int urls = 0;
    int GetCgi(const std::wstring&, const std::wstring&, char*, int, int) override { return -1; }
    int GetUrl(const std::wstring&, int, char*, int) override { return ++urls, 3; }
  } io;
  UploadContext context;
  context.io = &io;
  UpgradeJob j = job;
  j.kind = UPGRADE_NETWORK;
  j.ip = L"cam.example.test";
  EXPECT_EQ(PostFile(nullptr, L"/cgi-bin/update?FIRMWARE_NETWORK", j, form, context), RESULT_CONNECTION_FAIL);
  EXPECT_EQ(io.urls, 0);
  j.ip = L"127.0.0.1";
  EXPECT_EQ(PostFile(nullptr, L"/cgi-bin/update?FIRMWARE_NETWORK", j, form, context), RESULT_SUCCESS);
  EXPECT_EQ(io.urls, 1);
}

TEST_F(UploadFailures, FormTextsThatWouldBreakTheRequestAreRefused) {
  UpgradeForm bad = form;
  bad.postPath = "/u HTTP/1.1\r\nX-Injected: 1\r\n";
  EXPECT_EQ(PostFile(nullptr, L"/update", job, bad), RESULT_UPGRADE_FAIL);
  bad = form;
  bad.fileField = "up\"file";
  EXPECT_EQ(PostFile(nullptr, L"/update", job, bad), RESULT_UPGRADE_FAIL);
}

}  // namespace
