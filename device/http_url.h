// URL pieces for HTTP requests: splitting an http:// URL and making texts safe to place in
// a request line or a query. Shared by the CGI client and the multipart upload.
#pragma once
#include <string>

namespace http {

struct Url {
  std::string host;    // name or dotted address, without the port
  int port = 80;
  std::string target;  // path and query, "/" at least; made safe with SafeTarget
};

// Splits "http://host[:port][/path][?query][#fragment]" (the scheme may be left out;
// "https" is not served; the fragment is the browser's own and is not sent). False for
// another scheme, an empty or odd host, or a bad port.
bool ParseUrl(const std::string& url, Url* out);

// A request target that can go into a request line as it is: control bytes, spaces, DEL,
// '#' (it would end the target) and bytes of 0x80 and above are percent-encoded, and nothing
// else: a command goes out as it was typed, for devices that do not decode what they are
// given (the path's '/', the query's '&', '=', '?', ',', ':', '+', '%', '"', '<', '>', '\',
// '^', '`', '{', '|', '}' and the letters in their case are kept). An empty target becomes
// "/", one without a leading '/' gets one.
std::string SafeTarget(const std::string& target);

// Percent-encodes, for a value placed in a query, only what cannot stand there: '&', '#',
// '%', '+', space, control bytes and bytes of 0x80 and above. Everything else is kept as it
// is, for devices whose CGI does not decode what it is given.
std::string PercentEncode(const std::string& bytes);

// True when the text holds no byte that could end or split a header line (CR, LF, NUL and
// the other control bytes).
bool IsHeaderSafe(const std::string& text);

}  // namespace http
