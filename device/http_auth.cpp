#include "device/http_auth.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <random>

namespace http {
namespace {

// MD5 (RFC 1321).
class Md5 {
 public:
  Md5() { Reset(); }
  void Update(const unsigned char* p, std::size_t n) {
    while (n > 0) {
      std::size_t take = 64 - m_fill;
      if (take > n) take = n;
      std::memcpy(m_block + m_fill, p, take);
      m_fill += take;
      m_bytes += take;
      p += take;
      n -= take;
      if (m_fill == 64) {
        Transform(m_block);
        m_fill = 0;
      }
    }
  }
  void Final(unsigned char out[16]) {
    std::uint64_t bits = m_bytes * 8;
    unsigned char pad = 0x80;
    Update(&pad, 1);
    unsigned char zero = 0;
    while (m_fill != 56) Update(&zero, 1);
    unsigned char len[8];
    for (int i = 0; i < 8; ++i) len[i] = static_cast<unsigned char>(bits >> (8 * i));
    Update(len, 8);
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j) out[i * 4 + j] = static_cast<unsigned char>(m_state[i] >> (8 * j));
  }

 private:
  void Reset() {
    m_state[0] = 0x67452301u;
    m_state[1] = 0xefcdab89u;
    m_state[2] = 0x98badcfeu;
    m_state[3] = 0x10325476u;
    m_fill = 0;
    m_bytes = 0;
  }
  static std::uint32_t Rol(std::uint32_t x, int c) { return (x << c) | (x >> (32 - c)); }
  void Transform(const unsigned char* b) {
    static const std::uint32_t K[64] = {
        0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
        0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
        0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
        0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
        0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
        0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
        0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
        0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};
    static const int S[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                              5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                              4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                              6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};
    std::uint32_t M[16];
    for (int i = 0; i < 16; ++i)
      M[i] = static_cast<std::uint32_t>(b[i * 4]) | (static_cast<std::uint32_t>(b[i * 4 + 1]) << 8) |
             (static_cast<std::uint32_t>(b[i * 4 + 2]) << 16) | (static_cast<std::uint32_t>(b[i * 4 + 3]) << 24);
    std::uint32_t a = m_state[0], bb = m_state[1], c = m_state[2], d = m_state[3];
    for (int i = 0; i < 64; ++i) {
      std::uint32_t f;
      int g;
      if (i < 16) {
        f = (bb & c) | (~bb & d);
        g = i;
      } else if (i < 32) {
        f = (d & bb) | (~d & c);
        g = (5 * i + 1) % 16;
      } else if (i < 48) {
        f = bb ^ c ^ d;
        g = (3 * i + 5) % 16;
      } else {
        f = c ^ (bb | ~d);
        g = (7 * i) % 16;
      }
      std::uint32_t t = d;
      d = c;
      c = bb;
      bb = bb + Rol(a + f + K[i] + M[g], S[i]);
      a = t;
    }
    m_state[0] += a;
    m_state[1] += bb;
    m_state[2] += c;
    m_state[3] += d;
  }

  std::uint32_t m_state[4];
  unsigned char m_block[64];
  std::size_t m_fill;
  std::uint64_t m_bytes;
};

const char kB64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// A value for a quoted-string: backslash before '"' and '\', control characters dropped.
std::string Quoted(const std::string& v) {
  std::string q = "\"";
  for (char c : v) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) continue;
    if (c == '"' || c == '\\') q += '\\';
    q += c;
  }
  return q + "\"";
}

}  // namespace

std::string Md5Hex(const std::string& data) {
  Md5 m;
  m.Update(reinterpret_cast<const unsigned char*>(data.data()), data.size());
  unsigned char d[16];
  m.Final(d);
  static const char hex[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : d) {
    out += hex[c >> 4];
    out += hex[c & 15];
  }
  return out;
}

std::string Base64Encode(const std::string& data) {
  std::string out;
  std::size_t i = 0;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(data.data());
  for (; i + 2 < data.size(); i += 3) {
    std::uint32_t v = (p[i] << 16) | (p[i + 1] << 8) | p[i + 2];
    out += kB64[(v >> 18) & 63];
    out += kB64[(v >> 12) & 63];
    out += kB64[(v >> 6) & 63];
    out += kB64[v & 63];
  }
  std::size_t rest = data.size() - i;
  if (rest == 1) {
    std::uint32_t v = p[i] << 16;
    out += kB64[(v >> 18) & 63];
    out += kB64[(v >> 12) & 63];
    out += "==";
  } else if (rest == 2) {
    std::uint32_t v = (p[i] << 16) | (p[i + 1] << 8);
    out += kB64[(v >> 18) & 63];
    out += kB64[(v >> 12) & 63];
    out += kB64[(v >> 6) & 63];
    out += '=';
  }
  return out;
}

bool Base64Decode(const std::string& text, std::string* out) {
  out->clear();
  std::uint32_t acc = 0;
  int bits = 0;
  for (char c : text) {
    if (c == '=') break;
    const char* f = std::strchr(kB64, c);
    if (c == '\0' || !f) return false;
    acc = (acc << 6) | static_cast<std::uint32_t>(f - kB64);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out->push_back(static_cast<char>((acc >> bits) & 0xFF));
    }
  }
  return true;
}

std::string BasicAuthorization(const std::string& user, const std::string& password) {
  return "Basic " + Base64Encode(user + ":" + password);
}

std::string AuthChallenge::Param(const std::string& name) const {
  auto it = params.find(name);
  return it == params.end() ? std::string() : it->second;
}

bool ParseAuthHeader(const std::string& value, AuthChallenge* out) {
  out->scheme.clear();
  out->params.clear();
  std::size_t i = 0, n = value.size();
  while (i < n && (value[i] == ' ' || value[i] == '\t')) ++i;
  std::size_t s = i;
  while (i < n && value[i] != ' ' && value[i] != '\t') ++i;
  out->scheme = value.substr(s, i - s);
  if (out->scheme.empty()) return false;
  while (i < n) {
    while (i < n && (value[i] == ' ' || value[i] == '\t' || value[i] == ',')) ++i;
    std::size_t ks = i;
    while (i < n && value[i] != '=' && value[i] != ',' && value[i] != ' ') ++i;
    std::string key = Lower(value.substr(ks, i - ks));
    while (i < n && value[i] == ' ') ++i;
    if (i >= n || value[i] != '=') {
      // A token without a value (Basic's token68, for example): keep it under its own text.
      if (!key.empty()) out->params[key] = std::string();
      continue;
    }
    ++i;
    while (i < n && value[i] == ' ') ++i;
    std::string v;
    if (i < n && value[i] == '"') {
      ++i;
      while (i < n && value[i] != '"') {
        if (value[i] == '\\' && i + 1 < n) ++i;
        v += value[i++];
      }
      if (i < n) ++i;
    } else {
      std::size_t vs = i;
      while (i < n && value[i] != ',') ++i;
      v = value.substr(vs, i - vs);
      while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.pop_back();
    }
    if (!key.empty()) out->params[key] = v;
  }
  return true;
}

bool ChooseChallenge(const std::vector<std::string>& headerValues, AuthChallenge* out) {
  bool haveBasic = false;
  AuthChallenge basic;
  for (const auto& v : headerValues) {
    AuthChallenge c;
    if (!ParseAuthHeader(v, &c)) continue;
    std::string scheme = Lower(c.scheme);
    if (scheme == "digest") {
      std::string alg = Lower(c.Param("algorithm"));
      if ((alg.empty() || alg == "md5") && !c.Param("nonce").empty()) {
        *out = c;
        return true;
      }
    } else if (scheme == "basic" && !haveBasic) {
      basic = c;
      haveBasic = true;
    }
  }
  if (haveBasic) *out = basic;
  return haveBasic;
}

std::string DigestResponse(const std::string& user, const std::string& realm, const std::string& password,
                           const std::string& method, const std::string& uri, const std::string& nonce,
                           const std::string& qop, const std::string& nc, const std::string& cnonce) {
  std::string ha1 = Md5Hex(user + ":" + realm + ":" + password);
  std::string ha2 = Md5Hex(method + ":" + uri);
  if (qop.empty()) return Md5Hex(ha1 + ":" + nonce + ":" + ha2);
  return Md5Hex(ha1 + ":" + nonce + ":" + nc + ":" + cnonce + ":" + qop + ":" + ha2);
}

std::string DigestAuthorization(const AuthChallenge& c, const std::string& method, const std::string& uri,
                                const std::string& user, const std::string& password, const std::string& cnonce) {
  std::string realm = c.Param("realm"), nonce = c.Param("nonce"), opaque = c.Param("opaque");
  // The server may offer several qop values ("auth,auth-int"); only "auth" is answered.
  bool auth = false;
  std::string offered = Lower(c.Param("qop"));
  std::size_t p = 0;
  while (p <= offered.size()) {
    std::size_t e = offered.find(',', p);
    if (e == std::string::npos) e = offered.size();
    std::string tok = offered.substr(p, e - p);
    while (!tok.empty() && tok.front() == ' ') tok.erase(tok.begin());
    while (!tok.empty() && tok.back() == ' ') tok.pop_back();
    if (tok == "auth") auth = true;
    p = e + 1;
  }
  const std::string nc = "00000001";
  std::string h = "Digest username=" + Quoted(user) + ", realm=" + Quoted(realm) + ", nonce=" + Quoted(nonce) +
                  ", uri=" + Quoted(uri);
  if (auth) {
    h += ", qop=auth, nc=" + nc + ", cnonce=" + Quoted(cnonce) + ", response=" +
         Quoted(DigestResponse(user, realm, password, method, uri, nonce, "auth", nc, cnonce));
  } else {
    h += ", response=" + Quoted(DigestResponse(user, realm, password, method, uri, nonce, "", "", ""));
  }
  if (!opaque.empty()) h += ", opaque=" + Quoted(opaque);
  if (!c.Param("algorithm").empty()) h += ", algorithm=MD5";
  return h;
}

std::string MakeCnonce() {
  static std::mutex lock;
  static std::mt19937_64 rng(std::random_device{}());
  std::lock_guard<std::mutex> l(lock);
  char buf[17];
  std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(rng()));
  return buf;
}

}  // namespace http
