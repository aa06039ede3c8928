#include "device/login.h"

#include <mutex>

namespace {

// Function-local, so that requests made during static initialisation find it ready.
struct LoginStore {
  std::mutex lock;
  Login login = DefaultLogin();
};
LoginStore& Store() {
  static LoginStore s;
  return s;
}

}  // namespace

Login DefaultLogin() { return Login{L"admin", L"740912"}; }

void SetUserLogin(const std::wstring& user, const std::wstring& password) {
  LoginStore& s = Store();
  std::lock_guard<std::mutex> l(s.lock);
  s.login = Login{user, password};
}

Login UserLogin() {
  LoginStore& s = Store();
  std::lock_guard<std::mutex> l(s.lock);
  return s.login;
}
