// The user's own CGI command that the device settings operation sends to every checked
// device: the record the URL page shows and the workers read, and its settings section
// [URL_DATA].
#pragma once
#include <cstddef>
#include <string>

class IniDocument;

struct UrlSettings {
  bool Enable = false;  // the page's enable box; written at close, never read back
  int CGI = 0;          // the CGI program: 0 "system", 1 "encoder", 2 "test"
  std::wstring Command;  // the query, as the user wrote it
};

// Characters the command holds (the record's 256 with the terminator); the page's field takes
// no more.
constexpr std::size_t kUrlCommandChars = 255;
constexpr int kCgiProgramCount = 3;
// "system", "encoder", "test"; an empty name for any other index.
const wchar_t* CgiProgramName(int cgi);

// [URL_DATA]. Enable is not read; a CGI index outside the list, and a command longer than the
// field or with a line break, are read as the defaults.
void LoadUrlSettings(const IniDocument& doc, UrlSettings& s);
// Rewrites [URL_DATA]: Enable, CGI, Command.
void SaveUrlSettings(IniDocument& doc, const UrlSettings& s);
