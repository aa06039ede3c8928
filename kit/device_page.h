// The page that opens a device's own web interface in the user's browser with the login
// already posted (portable: filled here, written and opened by JHtmlDlg, kit/jhtmldlg.h).
//
// The page (resource 310, res/device_page.html) holds two hidden login forms and two script
// functions: "click_link" posts the account and password to the camera's
// "/cgi-bin/videoconfiguration.cgi"; "NVQ_click_link" opens a recorder's "/index.html" with
// the account and a login token. Filling the page adds the call of one of them, with the
// device's address, HTTP port and login, where the page marks it.
#pragma once
#include <string>

namespace devpage {

// Where the call goes in the page.
constexpr char kCallMarker[] = "<!--DORVIK:CALL-->";
// Where the page names its character set (its declaration and its forms'): every occurrence.
constexpr char kCharsetMarker[] = "DORVIK-CHARSET";

// The name by which browsers know a Windows ANSI code page ("windows-1252", "shift_jis"),
// so that the page posts the login in the bytes that every other request sends; "windows-"
// and the number for a code page without a better-known name.
std::string CharsetName(unsigned codePage);

struct Call {
  std::string function;  // "click_link" or "NVQ_click_link"
  std::wstring address, port, account, secret;  // secret: the password, or a recorder's token
};

// The login token of a recorder: standard base64 of "account:password" in the local code page.
std::string LoginToken(const std::wstring& account, const std::wstring& password);

// The call that opens a device: "NVQ_click_link" with the token for a recorder, "click_link"
// with the password otherwise; the port as decimal text, 80 when none is known (0 or less).
Call MakeCall(const std::wstring& address, bool recorder, int port, const std::wstring& account,
              const std::wstring& password);

// A text as a script string literal in double quotes that cannot end early, whatever it
// holds: quotes and backslashes escaped, and every character outside printable ASCII, and
// '<', '>' and '&' (which could close the script element), written as \uXXXX. The result is
// plain ASCII.
std::string ScriptString(const std::wstring& text);

// The page with the call in a script element in place of kCallMarker (after the page's own
// text when it has no marker) and `charset` in place of every kCharsetMarker.
std::string FillPage(const std::string& page, const Call& call, const std::string& charset);

}  // namespace devpage
