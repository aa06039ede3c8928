// The framework layer on its own: CString formatting, message routing and
// reflection, modal dialogs and their loop.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "fx/fx.h"

namespace {

TEST(CStringFormat, WideConventionsWhateverTheRuntimeDefault) {
  struct Case {
    const wchar_t* expect;
    CString got;
  };
  auto fmt = [](const wchar_t* f, auto... args) {
    CString s;
    s.Format(f, args...);
    return s;
  };
  std::vector<Case> cases = {
      {L"abc 42", fmt(L"%s %d", L"abc", 42)},
      {L"[  x]", fmt(L"[%3s]", L"x")},
      {L"narrow", fmt(L"%S", "narrow")},
      {L"W", fmt(L"%c", L'W')},
      {L"-7|0x1f|3.50", fmt(L"%d|0x%x|%.2f", -7, 31, 3.5)},
      {L"10.0.0.1:80", fmt(L"%s:%d", CString(L"10.0.0.1").GetString(), 80)},
      {L"\u65e5\u672c", fmt(L"%s", L"\u65e5\u672c")},
      {L"", fmt(L"")},
  };
  for (const auto& c : cases) EXPECT_STREQ(c.expect, c.got) << "expected " << (const void*)c.expect;

  CString s(L"a");
  s.AppendFormat(L"%s=%d;", L"b", 2);
  s.AppendFormat(L"%s", L"c");
  EXPECT_STREQ(L"ab=2;c", s);

  // Longer than any fixed buffer.
  std::wstring big(5000, L'z');
  CString l;
  l.Format(L"<%s>", big.c_str());
  EXPECT_EQ(5002, l.GetLength());
  EXPECT_EQ(L'>', l[5001]);
}

TEST(CStringOps, EditingMembers) {
  CString s(L"  Dorvik Tool  ");
  s.Trim();
  EXPECT_STREQ(L"Dorvik Tool", s);
  EXPECT_EQ(7, s.Find(L"Tool"));
  EXPECT_EQ(-1, s.Find(L"x"));
  EXPECT_STREQ(L"Dorvik", s.Left(6));
  EXPECT_STREQ(L"Tool", s.Mid(7));
  EXPECT_STREQ(L"", s.Mid(50));
  EXPECT_STREQ(L"ool", s.Right(3));
  EXPECT_EQ(3, s.Replace(L"o", L"0"));
  EXPECT_STREQ(L"D0rvik T00l", s);
  int pos = 0;
  CString t(L"a,,b,c");
  std::vector<std::wstring> parts;
  for (CString tok = t.Tokenize(L",", pos); pos >= 0; tok = t.Tokenize(L",", pos))
    parts.push_back(tok.GetString());
  EXPECT_EQ((std::vector<std::wstring>{L"a", L"b", L"c"}), parts);
  CString buf;
  wsprintfW(buf.GetBuffer(16), L"%d", 123);
  buf.ReleaseBuffer();
  EXPECT_EQ(3, buf.GetLength());
  EXPECT_TRUE(CString(L"ABC").CompareNoCase(L"abc") == 0);
}

// A window of our own class that records what reached its handler.
class ProbeWnd : public CWnd {
 public:
  std::vector<UINT> seen;
  bool throwOnApp = false;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    switch (msg) {
      case WM_NCCREATE:
      case WM_CREATE:
        seen.push_back(msg);
        return Default();
      case WM_APP:
        if (throwOnApp) throw std::runtime_error("handler failed");
        return 7;
      default:
        return CWnd::WindowProc(msg, wParam, lParam);
    }
  }
};

TEST(Dispatch, OwnClassIsBoundBeforeItsFirstMessagesAndExceptionsStayInside) {
  ProbeWnd w;
  ASSERT_TRUE(w.CreateEx(0, nullptr, L"probe", WS_POPUP, CRect(0, 0, 50, 50), nullptr, 0));
  ASSERT_GE(w.seen.size(), 2u);
  EXPECT_EQ((UINT)WM_NCCREATE, w.seen[0]);
  EXPECT_EQ((UINT)WM_CREATE, w.seen[1]);
  EXPECT_EQ(&w, CWnd::FromHandlePermanent(w.m_hWnd));
  EXPECT_EQ(7, w.SendMessage(WM_APP));
  w.throwOnApp = true;
  EXPECT_EQ(0, w.SendMessage(WM_APP));  // caught, not propagated
  HWND h = w.m_hWnd;
  w.DestroyWindow();
  EXPECT_EQ(nullptr, w.m_hWnd);
  EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(h));
}

class DrawnButton : public CButton {
 public:
  int draws = 0;
  int reflectedClicks = 0;
  bool eatClicks = false;
  void DrawItem(LPDRAWITEMSTRUCT dis) override {
    ++draws;
    ::FillRect(dis->hDC, &dis->rcItem, (HBRUSH)::GetStockObject(WHITE_BRUSH));
  }
  BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
    if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
      ++reflectedClicks;
      if (eatClicks) return TRUE;
    }
    return CButton::OnChildNotify(msg, wParam, lParam, result);
  }
};

class ProbeDialog : public CDialog {
 public:
  DrawnButton button;
  int initCalls = 0;
  int parentClicks = 0;
  int preTranslated = 0;
  bool ownerWasDisabled = false;
  std::vector<int> script;  // commands posted to itself, one per WM_APP
  void DoDataExchange(CDataExchange* dx) override { DDX_Control(dx, 1001, button); }
  BOOL OnInitDialog() override {
    ++initCalls;
    CDialog::OnInitDialog();
    ::SetTimer(m_hWnd, 99, 10000, nullptr);  // safety net: never hang the run
    PostMessage(WM_APP);
    return TRUE;
  }
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    if (LOWORD(wParam) == 1001) {
      ++parentClicks;
      return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
  }
  BOOL PreTranslateMessage(MSG* msg) override {
    if (msg->message == WM_APP + 1) {
      ++preTranslated;
      return TRUE;
    }
    return CDialog::PreTranslateMessage(msg);
  }
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    switch (msg) {
      case WM_APP: {
        if (CWnd* main = AfxGetMainWnd()) ownerWasDisabled = !main->IsWindowEnabled();
        ::UpdateWindow(button.m_hWnd);
        button.RedrawWindow();
        // A click that the button declines, then one it keeps for itself.
        ::SendMessageW(button.m_hWnd, BM_CLICK, 0, 0);
        button.eatClicks = true;
        ::SendMessageW(button.m_hWnd, BM_CLICK, 0, 0);
        ::PostMessageW(button.m_hWnd, WM_APP + 1, 0, 0);  // filtered by the loop
        PostMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return 0;
      }
      case WM_TIMER:
        EndDialog(-2);
        return 0;
      default:
        return CDialog::WindowProc(msg, wParam, lParam);
    }
  }
};

class TestApp : public CWinApp {};
TestApp theTestApp;

TEST(Dialogs, ModalLoopReflectionAndOwnerDisabled) {
  CFrameWnd frame;
  ASSERT_TRUE(frame.Create(nullptr, L"main", WS_OVERLAPPEDWINDOW, CRect(0, 0, 300, 200)));
  theTestApp.m_pMainWnd = &frame;

  DialogTemplate t(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 10, 10, 160, 60, L"probe");
  t.AddControl(L"BUTTON", L"", 1001, BS_OWNERDRAW | WS_TABSTOP, 10, 10, 60, 14);
  ProbeDialog dlg;
  dlg.InitModalIndirect(t.Get());
  INT_PTR r = dlg.DoModal();

  EXPECT_EQ(IDOK, r);
  EXPECT_EQ(1, dlg.initCalls);
  EXPECT_TRUE(dlg.ownerWasDisabled);
  EXPECT_TRUE(frame.IsWindowEnabled());
  EXPECT_GE(dlg.button.draws, 1);
  EXPECT_EQ(2, dlg.button.reflectedClicks);
  EXPECT_EQ(1, dlg.parentClicks);  // the eaten click never reached the dialog
  EXPECT_EQ(1, dlg.preTranslated);
  EXPECT_EQ(nullptr, dlg.m_hWnd);
  EXPECT_EQ(nullptr, dlg.button.m_hWnd);

  theTestApp.m_pMainWnd = nullptr;
  frame.DestroyWindow();
}

TEST(Gdi, SelectReturnsPreviousAndTemporariesDoNotOwn) {
  CClientDC screen(nullptr);
  CDC mem;
  ASSERT_TRUE(mem.CreateCompatibleDC(&screen));
  CBitmap bmp;
  ASSERT_TRUE(bmp.CreateCompatibleBitmap(&screen, 8, 8));
  CBitmap* old = mem.SelectObject(&bmp);
  CPen red(PS_SOLID, 1, RGB(255, 0, 0));
  CPen* prevPen = mem.SelectObject(&red);
  EXPECT_EQ(red.m_hObject, mem.GetCurrentPen()->m_hObject);
  mem.SelectObject(prevPen);
  mem.FillSolidRect(0, 0, 8, 8, RGB(1, 2, 3));
  EXPECT_EQ(RGB(1, 2, 3), mem.GetPixel(4, 4));
  mem.SelectObject(old);
  // The temporary wrapper of the stock pen must not have deleted it.
  EXPECT_EQ(OBJ_PEN, (int)::GetObjectType(prevPen->m_hObject));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES};
  ::InitCommonControlsEx(&icc);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
