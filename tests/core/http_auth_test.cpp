// MD5, Base64 and the answers to Basic and Digest challenges.
#include <gtest/gtest.h>

#include "device/http_auth.h"

namespace {

TEST(HttpAuth, Md5MatchesReferenceVectors) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      // 80 bytes: the length spills into a second block.
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& c : cases) EXPECT_EQ(http::Md5Hex(c.first), c.second) << c.first;
  // 55, 56 and 64 bytes sit on the padding borders.
  EXPECT_EQ(http::Md5Hex(std::string(55, 'x')).size(), 32u);
  EXPECT_NE(http::Md5Hex(std::string(56, 'x')), http::Md5Hex(std::string(57, 'x')));
  EXPECT_EQ(http::Md5Hex(std::string(64, 'a')), "014842d480b571495a4a0363793f7367");
}

TEST(HttpAuth, Base64RoundTripsAndBasicHeader) {
  EXPECT_EQ(http::Base64Encode(""), "");
  EXPECT_EQ(http::Base64Encode("f"), "Zg==");
  EXPECT_EQ(http::Base64Encode("fo"), "Zm8=");
  EXPECT_EQ(http::Base64Encode("foo"), "Zm9v");
  EXPECT_EQ(http::BasicAuthorization("Aladdin", "open sesame"), "Basic QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<char>(i));
  std::string back;
  ASSERT_TRUE(http::Base64Decode(http::Base64Encode(bytes), &back));
  EXPECT_EQ(back, bytes);
  EXPECT_FALSE(http::Base64Decode("Zm9v!", &back));
}

TEST(HttpAuth, ParsesChallengeWithQuotedCommas) {
  http::AuthChallenge c;
  ASSERT_TRUE(http::ParseAuthHeader(
      "Digest realm=\"a, b\", qop=\"auth,auth-int\", nonce=\"n\\\"1\", algorithm=MD5, stale=FALSE", &c));
  EXPECT_EQ(c.scheme, "Digest");
  EXPECT_EQ(c.Param("realm"), "a, b");
  EXPECT_EQ(c.Param("qop"), "auth,auth-int");
  EXPECT_EQ(c.Param("nonce"), "n\"1");
  EXPECT_EQ(c.Param("algorithm"), "MD5");
  EXPECT_EQ(c.Param("stale"), "FALSE");
  EXPECT_FALSE(http::ParseAuthHeader("   ", &c));
}

TEST(HttpAuth, PrefersDigestMd5OverBasicAndSkipsOtherAlgorithms) {
  http::AuthChallenge c;
  ASSERT_TRUE(http::ChooseChallenge({"Basic realm=\"x\"", "Digest realm=\"x\", nonce=\"1\""}, &c));
  EXPECT_EQ(c.scheme, "Digest");
  ASSERT_TRUE(http::ChooseChallenge({"Digest realm=\"x\", nonce=\"1\", algorithm=SHA-256", "Basic realm=\"x\""}, &c));
  EXPECT_EQ(c.scheme, "Basic");
  EXPECT_FALSE(http::ChooseChallenge({"Negotiate", "Digest realm=\"x\""}, &c));
}

// The worked example of RFC 2617, section 3.5.
TEST(HttpAuth, DigestResponseOfTheReferenceExample) {
  EXPECT_EQ(http::DigestResponse("Mufasa", "testrealm@host.com", "Circle Of Life", "GET", "/dir/index.html",
                                 "dcd98b7102dd2f0e8b11d0f600bfb0c093", "auth", "00000001", "0a4f113b"),
            "6629fae49393a05397450978507c4ef1");
}

TEST(HttpAuth, DigestAuthorizationWithAndWithoutQop) {
  http::AuthChallenge c;
  ASSERT_TRUE(http::ParseAuthHeader(
      "Digest realm=\"testrealm@host.com\", qop=\"auth,auth-int\", nonce=\"dcd98b7102dd2f0e8b11d0f600bfb0c093\", "
      "opaque=\"5ccc069c403ebaf9f0171e9517f40e41\"",
      &c));
  std::string h = http::DigestAuthorization(c, "GET", "/dir/index.html", "Mufasa", "Circle Of Life", "0a4f113b");
  http::AuthChallenge got;
  ASSERT_TRUE(http::ParseAuthHeader(h, &got));
  EXPECT_EQ(got.Param("username"), "Mufasa");
  EXPECT_EQ(got.Param("uri"), "/dir/index.html");
  EXPECT_EQ(got.Param("qop"), "auth");
  EXPECT_EQ(got.Param("nc"), "00000001");
  EXPECT_EQ(got.Param("response"), "6629fae49393a05397450978507c4ef1");
  EXPECT_EQ(got.Param("opaque"), "5ccc069c403ebaf9f0171e9517f40e41");

  // The older form: no qop offered, so none sent and the hash leaves out nc and cnonce.
  ASSERT_TRUE(http::ParseAuthHeader("Digest realm=\"r\", nonce=\"abc\"", &c));
  h = http::DigestAuthorization(c, "GET", "/x?y", "u", "p", "cn");
  ASSERT_TRUE(http::ParseAuthHeader(h, &got));
  EXPECT_TRUE(got.params.find("qop") == got.params.end());
  EXPECT_TRUE(got.params.find("cnonce") == got.params.end());
  std::string ha1 = http::Md5Hex("u:r:p"), ha2 = http::Md5Hex("GET:/x?y");
  EXPECT_EQ(got.Param("response"), http::Md5Hex(ha1 + ":abc:" + ha2));
}

TEST(HttpAuth, DigestHeaderCarriesNoLineBreakFromTheUserName) {
  http::AuthChallenge c;
  ASSERT_TRUE(http::ParseAuthHeader("Digest realm=\"r\", nonce=\"abc\", qop=auth", &c));
  std::string h = http::DigestAuthorization(c, "GET", "/", "evil\r\nX-Injected: 1\"", "p", "cn");
  EXPECT_EQ(h.find('\r'), std::string::npos);
  EXPECT_EQ(h.find('\n'), std::string::npos);
  EXPECT_NE(h.find("\\\""), std::string::npos);
}

}  // namespace
