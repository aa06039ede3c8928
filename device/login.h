// The login that device requests use: the main window's user and password fields, or the
// devices' factory login. Read from any thread.
#pragma once
#include <string>

struct Login {
  std::wstring user, password;
};

// The main window feeds its two fields here whenever they change.
void SetUserLogin(const std::wstring& user, const std::wstring& password);
// What the user and password fields hold (the default login until they are fed).
Login UserLogin();
// "admin" and the factory password.
Login DefaultLogin();
