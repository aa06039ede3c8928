#include "kit/jhtmldlg.h"

#include <cwchar>
#include <vector>

#include "device/http_port_map.h"
#include "device/login.h"
#include "kit/browser.h"
#include "kit/device_page.h"

JHtmlDlg* g_pHtmlDlg = nullptr;

namespace {

constexpr WORD kHtmlType = 23;  // RT_HTML

std::string PageTemplate() {
  HMODULE module = ::GetModuleHandleW(nullptr);
  HRSRC res = ::FindResourceW(module, MAKEINTRESOURCEW(JHtmlDlg::kPageResource), MAKEINTRESOURCEW(kHtmlType));
  HGLOBAL data = res ? ::LoadResource(module, res) : nullptr;
  const char* bytes = data ? static_cast<const char*>(::LockResource(data)) : nullptr;
  return bytes ? std::string(bytes, ::SizeofResource(module, res)) : std::string();
}

// A file that only the current user may open: a protected access list with one entry, the
// user's own. Invalid when that list cannot be made (no page is written then).
HANDLE CreatePrivateFile(const std::wstring& path) {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return INVALID_HANDLE_VALUE;
  DWORD size = 0;
  ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<BYTE> user(size ? size : 1);
  const bool gotUser = size && ::GetTokenInformation(token, TokenUser, user.data(), size, &size);
  ::CloseHandle(token);
  if (!gotUser) return INVALID_HANDLE_VALUE;
  PSID sid = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
  const DWORD aclSize = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + ::GetLengthSid(sid);
  std::vector<BYTE> aclBytes(aclSize);
  PACL acl = reinterpret_cast<PACL>(aclBytes.data());
  SECURITY_DESCRIPTOR sd;
  if (!::InitializeAcl(acl, aclSize, ACL_REVISION) || !::AddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, sid) ||
      !::InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION) ||
      !::SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE) ||
      !::SetSecurityDescriptorControl(&sd, SE_DACL_PROTECTED, SE_DACL_PROTECTED))
    return INVALID_HANDLE_VALUE;
  SECURITY_ATTRIBUTES sa{sizeof sa, &sd, FALSE};
  return ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, &sa, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The folder of the pages (the user's temporary folder, with its closing separator); empty
// when there is none.
std::wstring PageFolder() {
  wchar_t folder[MAX_PATH + 1];
  const DWORD n = ::GetTempPathW(MAX_PATH + 1, folder);
  return n == 0 || n > MAX_PATH ? std::wstring() : std::wstring(folder, n);
}

// Pages are named "Dorvik_page_<process id>_<number>.html".
constexpr wchar_t kPagePrefix[] = L"Dorvik_page_";

bool ProcessRuns(DWORD id) {
  HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
  if (!process) return ::GetLastError() == ERROR_ACCESS_DENIED;  // someone else's: not ours to judge
  DWORD code = 0;
  const bool runs = ::GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
  ::CloseHandle(process);
  return runs;
}

// Removes the pages of runs that have ended: a run that did not close (a crash, the task
// manager) could not remove its own. The pages of a copy that still runs stay.
void RemovePagesOfEndedRuns(const std::wstring& folder) {
  if (folder.empty()) return;
  WIN32_FIND_DATAW found;
  HANDLE search = ::FindFirstFileW((folder + kPagePrefix + L"*.html").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  const std::size_t prefixLength = sizeof kPagePrefix / sizeof kPagePrefix[0] - 1;
  do {
    const std::wstring name = found.cFileName;
    wchar_t* end = nullptr;
    const unsigned long id = std::wcstoul(name.c_str() + prefixLength, &end, 10);
    if (end == name.c_str() + prefixLength || *end != L'_' || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      continue;
    if (!ProcessRuns(static_cast<DWORD>(id))) ::DeleteFileW((folder + name).c_str());
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
}

}  // namespace

JHtmlDlg::JHtmlDlg() { RemovePagesOfEndedRuns(PageFolder()); }

JHtmlDlg::~JHtmlDlg() {
  for (const std::wstring& page : m_Pages) ::DeleteFileW(page.c_str());
}

bool JHtmlDlg::WritePage(const std::string& text) {
  const std::wstring folder = PageFolder();
  if (folder.empty()) return false;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::wstring path = folder + kPagePrefix + std::to_wstring(::GetCurrentProcessId()) + L"_" +
                              std::to_wstring(++m_Count) + L".html";
    HANDLE file = CreatePrivateFile(path);
    if (file == INVALID_HANDLE_VALUE) {
      if (::GetLastError() == ERROR_FILE_EXISTS) continue;
      return false;
    }
    DWORD written = 0;
    const bool ok = ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                    written == text.size();
    ::CloseHandle(file);
    if (ok) {
      m_PagePath = path;
      m_Pages.push_back(path);
    } else {
      ::DeleteFileW(path.c_str());
    }
    return ok;
  }
  return false;
}

void JHtmlDlg::CallScript(const std::wstring& ip) {
  m_PagePath.clear();
  const std::string page = PageTemplate();
  if (page.empty() || ip.empty()) return;
  const Login login = UserLogin();
  const devpage::Call call =
      devpage::MakeCall(ip, g_RecorderIps.Contains(ip), g_HttpPortMap.Get(ip), login.user, login.password);
  // The page declares the code page in which the program sends the login everywhere else.
  if (!WritePage(devpage::FillPage(page, call, devpage::CharsetName(::GetACP())))) return;
  if (OpenInBrowser(m_PagePath)) return;
  ::DeleteFileW(m_PagePath.c_str());
  m_Pages.pop_back();
  m_PagePath.clear();
}
