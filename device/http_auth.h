// HTTP authentication: Basic credentials, and Digest (MD5) answers to a server's challenge.
// Also used by the multipart upload and by the device simulator, so every piece is callable
// on its own.
#pragma once
#include <map>
#include <vector>
#include <string>

namespace http {

// MD5 of the bytes, as 32 lower-case hex digits.
std::string Md5Hex(const std::string& data);

std::string Base64Encode(const std::string& data);
// Decodes standard Base64 (padding optional); false on a character outside the alphabet.
bool Base64Decode(const std::string& text, std::string* out);

// The value of an Authorization header for Basic: "Basic " + base64(user ":" password).
std::string BasicAuthorization(const std::string& user, const std::string& password);

// The parameters of a WWW-Authenticate (or Authorization) header value.
struct AuthChallenge {
  std::string scheme;                         // "Basic" or "Digest", as sent
  std::map<std::string, std::string> params;  // names in lower case, values unquoted
  std::string Param(const std::string& name) const;
};

// Parses `Scheme a=b, c="d, e"`. False when there is no scheme.
bool ParseAuthHeader(const std::string& value, AuthChallenge* out);

// Picks, among the values of several WWW-Authenticate headers, the strongest one we can
// answer (Digest with MD5 over Basic). False when none is usable.
bool ChooseChallenge(const std::vector<std::string>& headerValues, AuthChallenge* out);

// The Digest response hash (RFC 2617). With an empty qop the older form without cnonce/nc.
std::string DigestResponse(const std::string& user, const std::string& realm, const std::string& password,
                           const std::string& method, const std::string& uri, const std::string& nonce,
                           const std::string& qop, const std::string& nc, const std::string& cnonce);

// The value of an Authorization header that answers a Digest challenge for one request.
// qop "auth" is used when the server offers it; otherwise the form without qop. `cnonce`
// is the client's nonce (any unpredictable text).
std::string DigestAuthorization(const AuthChallenge& challenge, const std::string& method,
                                const std::string& uri, const std::string& user, const std::string& password,
                                const std::string& cnonce);

// A fresh client nonce: 16 hex digits from a random source.
std::string MakeCnonce();

}  // namespace http
