#include "dialogs/device_settings/url_settings.h"

#include "app/settings_file/settings_file.h"

namespace {
const wchar_t kSection[] = L"URL_DATA";
}  // namespace

const wchar_t* CgiProgramName(int cgi) {
  static const wchar_t* const kNames[kCgiProgramCount] = {L"system", L"encoder", L"test"};
  return cgi >= 0 && cgi < kCgiProgramCount ? kNames[cgi] : L"";
}

void LoadUrlSettings(const IniDocument& doc, UrlSettings& s) {
  s = UrlSettings();
  const int cgi = doc.GetInt(kSection, L"CGI", 0);
  if (cgi >= 0 && cgi < kCgiProgramCount) s.CGI = cgi;
  const std::wstring command = doc.Get(kSection, L"Command");
  if (command.size() <= kUrlCommandChars && IniDocument::CanHold(command)) s.Command = command;
}

void SaveUrlSettings(IniDocument& doc, const UrlSettings& s) {
  doc.ClearSection(kSection);
  doc.Set(kSection, L"Enable", s.Enable ? L"1" : L"0");
  doc.Set(kSection, L"CGI", std::to_wstring(s.CGI));
  doc.Set(kSection, L"Command", s.Command);
}
