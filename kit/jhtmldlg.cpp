#include "kit/jhtmldlg.h"

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

}  // namespace

JHtmlDlg::JHtmlDlg() = default;

JHtmlDlg::~JHtmlDlg() { RemovePage(); }

void JHtmlDlg::RemovePage() {
  if (m_PagePath.empty()) return;
  ::DeleteFileW(m_PagePath.c_str());
  m_PagePath.clear();
}

bool JHtmlDlg::WritePage(const std::string& text) {
  wchar_t folder[MAX_PATH + 1];
  const DWORD n = ::GetTempPathW(MAX_PATH + 1, folder);
  if (n == 0 || n > MAX_PATH) return false;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::wstring path = std::wstring(folder) + L"Dorvik_page_" + std::to_wstring(::GetCurrentProcessId()) +
                              L"_" + std::to_wstring(++m_Count) + L".html";
    HANDLE file = CreatePrivateFile(path);
    if (file == INVALID_HANDLE_VALUE) {
      if (::GetLastError() == ERROR_FILE_EXISTS) continue;
      return false;
    }
    m_PagePath = path;
    DWORD written = 0;
    const bool ok = ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                    written == text.size();
    ::CloseHandle(file);
    return ok;
  }
  return false;
}

void JHtmlDlg::CallScript(const std::wstring& ip) {
  RemovePage();
  const std::string page = PageTemplate();
  if (page.empty() || ip.empty()) return;
  const Login login = UserLogin();
  const devpage::Call call =
      devpage::MakeCall(ip, g_RecorderIps.Contains(ip), g_HttpPortMap.Get(ip), login.user, login.password);
  if (!WritePage(devpage::FillPage(page, call)) || !OpenInBrowser(m_PagePath)) RemovePage();
}
