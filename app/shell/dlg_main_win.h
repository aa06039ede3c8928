// Dlg_Main: the one working window. Toolbar strip, login fields, adapter and search-mode
// choice, and the device grid below; receives every device answer and turns it into rows.
#pragma once
#include <windows.h>

#include <atomic>
#include <map>
#include <memory>
#include <string>

#include "app/batch/batch_engine.h"
#include "app/shell/main_batch_ui_win.h"
#include "app/device_list/device_csv.h"
#include "app/device_list/device_list.h"
#include "app/device_list/discovery_feed.h"
#include "app/shell/main_ip_set_win.h"
#include "app/shell/toolbar_layout.h"
#include "app/threads/worker_thread.h"
#include "device/device_searcher.h"
#include "dialogs/device_settings/device_settings.h"
#include "fx/controls.h"
#include "fx/dlgtemplate.h"
#include "kit/dlg_base.h"
#include "kit/jbutton.h"
#include "kit/jcombobox.h"

class JTreeCtrl;

// The main window's user and password fields.
extern CEdit g_UserEdit;
extern CEdit g_PasswordEdit;

class Dlg_Main : public Dlg_Base, public DiscoveryOwner, public DeviceRowOps {
 public:
  static constexpr int kToolbarHeight = 150;
  static constexpr int kButtonCount = 10;
  // A conflict found by the discovery thread (wParam row, lParam its search), sent to this
  // window's own thread.
  static constexpr UINT WM_CONFLICT_FOUND = WM_APP + 0x130;
  // A search of the IP-set batch's DHCP watch (lParam: its WatchSearchAsk), done here.
  static constexpr UINT WM_WATCH_SEARCH = WM_APP + 0x131;
  static const UINT kButtonIds[kButtonCount];

  Dlg_Main();
  ~Dlg_Main() override;

  // Creates the window as a child of the frame from its template.
  BOOL CreateMain(CWnd* frame);

  BOOL OnInitDialog() override;
  BOOL PreTranslateMessage(MSG* msg) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  // The working window lives as long as the frame: Escape (like Enter) does not end it.
  void OnCancel() override {}
  void DrawSkin(CDC* dc) override;
  BOOL DrawBackground(CDC* target) override;

  // What a toolbar button (or the about button) does.
  void RunCommand(UINT id);

  // A new search. One asked for while a search is running (from the messages the running one
  // handles while it waits) is run once more right after it, in the mode chosen by then.
  void SearchDevices(bool advanced);
  // The Refresh command: repaint, count, search in the chosen mode.
  void Refresh();
  // The window in the language just chosen. While a batch runs or a dialog is open the rows
  // stay (their headers and statuses relabelled) and no search starts; otherwise it searches
  // again.
  void Relabel();
  // Stops every thread, destroys the grid and the engines, saves the settings.
  void Shutdown();
  // True while a search waits for the previous one's threads and handles messages meanwhile:
  // the window must not be shut down under it. A close asked for then (CloseWhenIdle) is
  // carried out by a WM_CLOSE posted to the frame once the search has returned. (A command's
  // box is no such wait: a close then goes ahead, stops the batch, and the object outlives
  // the command, see CMainFrame::OnClose.)
  bool Busy() const { return m_BusyDepth > 0; }
  void CloseWhenIdle() { m_CloseAsked = true; }
  bool CloseAsked() const { return m_CloseAsked; }
  std::wstring GetLocalIpString() const;
  // The DHCP watch's search (any thread): the seen MACs cleared and discovery's sockets
  // opened again from `localAddress`, on this window's thread, unless a search of the user's
  // has started since `userSearches` (DeviceList::CurrentSearch). True when it searched.
  bool WatchSearch(const std::string& localAddress, std::uint32_t userSearches);
  // The batch engine that runs the toolbar's operations (null once shut down).
  BatchEngine* Batch() const { return m_Batch.get(); }
  // Sends WM_DEVICE_FOUND (record, lParam) to this window and waits for it (worker threads).
  void DeliverFromWorker(const DeviceRecord& record, unsigned long lParam);
  int RefreshCount() const { return m_RefreshCount; }
  DeviceList& List() { return m_List; }
  // The device settings dialog's records (settings section, shown and filled by the dialog).
  DeviceSettings& SettingsRecords() { return m_DeviceSettings; }

  // DiscoveryOwner (dispatcher thread).
  void ParseDiscoveryReply(const std::uint8_t* reply) override;
  void AddDiscoveredDevice(const char* text) override;
  void OnIpSetReply(const std::uint8_t* ack) override;

  // DeviceRowOps (user-interface thread, except ReportConflict and ShowStatus).
  RowHandle InsertRow(RowHandle parent, const std::wstring& text, bool marker, bool checkBox) override;
  void DeleteRow(RowHandle row) override;
  std::wstring GetCell(RowHandle row, int cell) override;
  void SetCell(RowHandle row, int cell, const std::wstring& text) override;
  void BlockRow(RowHandle row) override;
  void DisableCheckBox(RowHandle row) override;
  void ShowStatus(RowHandle row, int id) override;
  void ReportConflict(RowHandle row, std::uint32_t search) override;
  void SetMarkerTip(RowHandle row, const std::wstring& tip) override;
  void SortRows(int cell) override;
  void SelectRow(RowHandle row) override;
  void RowAdded(const DeviceRecord& record) override;
  std::vector<RowHandle> CheckedRows() override;

 protected:
  void DoDataExchange(CDataExchange* dx) override;

 private:
  JTreeCtrl* Tree() const;
  bool OnUiThread() const { return GetCurrentThreadId() == m_UiThread; }
  void FeedLogin();
  void BlockRowNow(RowHandle row);
  void LayoutToolbar();
  // The "Total:" box under the toolbar and the row count in it.
  static constexpr RECT kRowCountBox = {5, 130, 100, 149};
  void DrawRowCount(CDC* dc);
  // Paints the row count alone when nothing else of the window needs painting.
  bool PaintRowCountOnly();
  static constexpr UINT_PTR kRowCountTimer = 0x7D02;
  UINT_PTR m_RowCountTimer = 0;
  // Places the strip's label, lists and login fields for the current language.
  void LayoutStrip();
  void LoadSettings();
  void SaveSettings();
  void StartQueryThreads();
  // WM_MANUAL_DEVICES_CHANGED: wParam 0, a device added by hand (its address, lParam) is asked
  // for its information; 1, the rows of a removed address go ("0.0.0.0": the checked rows).
  void OnManualDevicesChanged(WPARAM change, LPARAM ip);
  void RunSearch(bool advanced);
  bool DialogOpen() const;
  // The column headers and every row's status in the current language.
  void RelabelRows();
  struct WatchSearchAsk {
    std::string local;
    std::uint32_t userSearches;
  };

  // Marks a handler that waits while handling messages (see Busy).
  class BusyScope {
   public:
    explicit BusyScope(Dlg_Main& w) : m_w(w) { ++m_w.m_BusyDepth; }
    ~BusyScope();
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

   private:
    Dlg_Main& m_w;
  };

  DWORD m_UiThread = 0;
  int m_RefreshCount = 0;
  bool m_ShutDown = false;
  int m_BusyDepth = 0;
  bool m_Searching = false;
  bool m_SearchPending = false;
  bool m_CloseAsked = false;
  JButton m_Buttons[kButtonCount];
  JButton m_About;
  JComboBox m_Adapters;
  JComboBox m_SearchMode;
  ToolbarLayout m_Strip;
  DeviceList m_List{*this};
  DiscoveryFeed m_Feed;
  DeviceListExport m_Export;
  std::map<RowHandle, UINT> m_StatusIds;  // the status each row shows, since the search began
  WorkerThread m_QueryManualIps;
  WorkerThread m_QueryAddedDevices;
  std::unique_ptr<DialogTemplate> m_Template;
  // The device settings dialog's records: loaded at start-up, shown and filled by the dialog,
  // copied by each device settings batch, saved at close.
  DeviceSettings m_DeviceSettings;
  MainBatchUi m_BatchUi{*this};
  MainIpSetDiscovery m_IpSetDiscovery{*this};
  std::unique_ptr<BatchEngine> m_Batch;  // after what its threads use: it goes first
};
