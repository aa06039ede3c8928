// The program's frame and main window in-process, whose kept devices hang: each is a listener
// on 127.0.0.N that takes connections and never answers, so every device query would wait out
// its time-out. Nothing is broadcast (no discovery engine). Shared by the close test and the
// close benchmark.
#pragma once
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/shell/dlg_main_win.h"
#include "app/shell/main_frame_win.h"
#include "app/settings_file/settings_file.h"
#include "fx/fx.h"
#include "kit/jgridtree.h"
#include "port/exe_file.h"
#include "port/net.h"
#include "tests/win/grid_test_window.h"

namespace hanging {

inline void PumpOnce() {
  MSG m;
  while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&m);
    ::DispatchMessageW(&m);
  }
}

// Pumps until done() or the time is up.
inline bool PumpUntil(const std::function<bool()>& done, int ms) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    PumpOnce();
    ::Sleep(5);
  }
  return true;
}

inline double MsSince(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

// Once per process: what the grid's windows need (common controls, GDI+, the skin fonts,
// English), and sockets.
inline void StartProcess() {
  static bool started = false;
  if (started) return;
  started = true;
  gridtest::InitProcess();
  port::NetInit();
}

class Program {
 public:
  // `app` becomes the frame's application; `devices` kept devices, 127.0.0.1 upwards.
  Program(CWinApp& app, int devices, const std::wstring& settingsName) {
    StartProcess();
    m_settings = ExecutableFolder() + settingsName;
    port::RemoveFile(m_settings);
    IniDocument doc;
    for (int i = 1; i <= devices; ++i) {
      const std::string ip = "127.0.0." + std::to_string(i);
      port::socket_t l = port::TcpListen(ip, 0);
      if (l == port::kInvalidSocket) {
        m_error = "no listener on " + ip;
        return;
      }
      m_listeners.push_back(l);
      wchar_t key[16], mac[32];
      std::swprintf(key, 16, L"IP_%02d", i);
      doc.Set(L"MANUAL_IP", key, std::wstring(ip.begin(), ip.end()));
      std::swprintf(key, 16, L"MAC_%02d", i);
      std::swprintf(mac, 32, L"00:0F:7C:00:0C:%02X", i);
      doc.Set(L"MANUAL_IP", key, mac);
      std::swprintf(key, 16, L"HTTP_%02d", i);
      doc.Set(L"MANUAL_IP", key, std::to_wstring(port::LocalPort(l)));
    }
    if (!ReplaceFileContents(m_settings, doc.Serialize(SettingsSectionOrder()))) {
      m_error = "settings file not written";
      return;
    }
    g_Settings = SettingsStore(m_settings);
    g_Settings.Load();
    g_pDeviceSearcher = nullptr;
    g_pDeviceGrid = new JGridTree();
    m_frame = new CMainFrame();
    if (!m_frame->Create(nullptr, L"Dorvik", WS_OVERLAPPEDWINDOW)) {
      m_error = "no frame";
      return;
    }
    app.m_pMainWnd = m_frame;
    m_frame->ShowWindow(SW_SHOW);
    m_frame->CreateContents();
    PumpOnce();
    m_frameWnd = m_frame->m_hWnd;
    if (!Main() || !Main()->m_hWnd) m_error = "no main window";
  }
  ~Program() {
    delete m_frame;
    for (port::socket_t l : m_listeners) port::CloseSocket(l);
    port::RemoveFile(m_settings);
  }
  const std::string& Error() const { return m_error; }
  CMainFrame* Frame() const { return m_frame; }
  Dlg_Main* Main() const { return m_frame ? m_frame->MainWindow() : nullptr; }
  bool FrameAlive() const { return ::IsWindow(m_frameWnd) != FALSE; }
  const std::wstring& SettingsPath() const { return m_settings; }

 private:
  std::string m_error;
  std::wstring m_settings;
  std::vector<port::socket_t> m_listeners;
  CMainFrame* m_frame = nullptr;
  HWND m_frameWnd = nullptr;
};

}  // namespace hanging
