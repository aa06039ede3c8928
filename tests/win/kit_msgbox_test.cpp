// JMessageBox (sizes and buttons per type, wait boxes that only the program ends,
// the stop button, the live lines, the animation thread) and JHelpBox, under Wine.
#include "tests/win/kit_controls_support.h"

#include "kit/jhelpbox.h"
#include "kit/jmessagebox.h"
#include "kit/lang.h"

#include <algorithm>

using kittest::Script;
using kittest::SolidImage;

namespace {

const UINT kWaitText = 558, kResetTitle = 562, kWarningTitle = 564;

bool Open(const JMessageBox& box) { return box.m_hWnd && ::IsWindowVisible(box.m_hWnd); }

// Other test programs may show windows on the same display: keep ours on top, so that
// what is drawn into it (and the screenshots) is not hidden behind theirs.
void Front(CWnd& w) {
  ::SetWindowPos(w.m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// What a test saw of an open box.
struct Seen {
  bool opened = false;
  CSize window;
  DWORD style = 0;
  bool shown[3] = {false, false, false};
  CPoint at[3];
  CSize size[3];
  CString title;
};

Seen Look(JMessageBox& box) {
  Seen s;
  s.opened = true;
  CRect r;
  box.GetWindowRect(&r);
  s.window = r.Size();
  s.style = box.GetStyle();
  JButton* buttons[3] = {&box.m_Ok, &box.m_Cancel, &box.m_Stop};
  for (int i = 0; i < 3; ++i) {
    s.shown[i] = (buttons[i]->GetStyle() & WS_VISIBLE) != 0;
    CRect b = kittest::ChildRect(box, *buttons[i]);
    s.at[i] = b.TopLeft();
    s.size[i] = b.Size();
  }
  box.GetWindowText(s.title);
  return s;
}

TEST(MsgBox, SizesAndButtonPlacementPerType) {
  CSize text = kittest::MeasureText(LoadLangString(kWaitText));
  for (int type = 0; type <= 3; ++type) {
    JMessageBox box(kWaitText, type == 1 ? kResetTitle : kWarningTitle, type, nullptr,
                    type == 3 ? 2 : 0);
    Seen seen;
    Script script([&](int) {
      if (!Open(box)) return true;
      seen = Look(box);
      box.PostMessage(WM_CLOSE);
      return false;
    });
    box.DoModal();
    ASSERT_TRUE(seen.opened) << "type " << type;
    jmsgbox::Layout l = jmsgbox::ComputeLayout(type, text.cx, text.cy, type == 3 ? 2 : 0);
    EXPECT_EQ(seen.window, CSize(l.windowWidth, l.windowHeight)) << "type " << type;
    EXPECT_EQ((seen.style & WS_SYSMENU) != 0, type < 2) << "type " << type;
    EXPECT_EQ(seen.shown[0], type <= 1) << "type " << type;
    EXPECT_EQ(seen.shown[1], type == 1) << "type " << type;
    EXPECT_EQ(seen.shown[2], type == 3) << "type " << type;
    int c = l.clientWidth / 2, h = l.clientHeight;
    if (type == 0) {
      EXPECT_EQ(seen.at[0], CPoint(c - 37, h - 40));
    }
    if (type == 1) {
      EXPECT_EQ(seen.at[0], CPoint(c - 80, h - 40));
      EXPECT_EQ(seen.at[1], CPoint(c + 5, h - 40));
    }
    if (type == 3) {
      EXPECT_EQ(seen.at[2], CPoint(c - 40, h - 5));
    }
    for (int i = 0; i < 3; ++i) EXPECT_EQ(seen.size[i], CSize(75, 23)) << "type " << type;
    EXPECT_EQ(seen.title, LoadLangString(type == 1 ? kResetTitle : kWarningTitle));
  }
  // No text at all: the narrowest box (an empty text still measures one line high).
  JMessageBox empty(0, 0, 0);
  Seen seen;
  Script script([&](int) {
    if (!Open(empty)) return true;
    seen = Look(empty);
    empty.PostMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)empty.m_Ok.m_hWnd);
    return false;
  });
  EXPECT_EQ(empty.DoModal(), IDOK);
  CSize none = kittest::MeasureText(L"");
  EXPECT_EQ(seen.window, CSize(186, jmsgbox::ComputeLayout(0, 0, none.cy, 0).windowHeight));
  EXPECT_TRUE(seen.title.IsEmpty());
}

TEST(MsgBox, ButtonsEndTheQuestionBox) {
  struct Case {
    const char* name;
    UINT msg;
    WPARAM key;
    int button;  // 0 OK, 1 Cancel; -1 a key
    INT_PTR result;
  } cases[] = {
      {"OK pressed", 0, 0, 0, IDOK},
      {"Cancel pressed", 0, 0, 1, IDCANCEL},
      {"Escape", WM_KEYDOWN, VK_ESCAPE, -1, IDCANCEL},
  };
  for (const Case& c : cases) {
    JMessageBox box(kWaitText, kResetTitle, 1);
    Script script([&](int) {
      if (!Open(box)) return true;
      if (c.button >= 0) {
        JButton& b = c.button == 0 ? box.m_Ok : box.m_Cancel;
        b.PostMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        b.PostMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
      } else {
        ::PostMessageW(::GetFocus() ? ::GetFocus() : box.m_hWnd, c.msg, c.key, 0);
      }
      return false;
    });
    EXPECT_EQ(box.DoModal(), c.result) << c.name;
  }
}

TEST(MsgBox, WaitBoxIgnoresEnterEscapeAndAltF4UntilClosed) {
  for (int type : {2, 3}) {
    JMessageBox box(kWaitText, 0, type);
    HANDLE thread = nullptr;
    bool stillOpen = false;
    Script script([&](int n) {
      if (!Open(box)) return true;
      if (!thread) {
        EXPECT_TRUE(box.IsAnimating());
        ::DuplicateHandle(::GetCurrentProcess(), box.m_AnimationThread, ::GetCurrentProcess(),
                          &thread, SYNCHRONIZE, FALSE, 0);
        HWND focus = ::GetFocus() ? ::GetFocus() : box.m_hWnd;
        ::PostMessageW(focus, WM_KEYDOWN, VK_RETURN, 0);
        ::PostMessageW(focus, WM_KEYDOWN, VK_ESCAPE, 0);
        box.PostMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        box.PostMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        box.PostMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
        return true;
      }
      if (n < 20) return true;  // give the refused requests time to act
      stillOpen = Open(box);
      box.PostMessage(WM_CLOSE);  // how the program ends a wait box
      return false;
    });
    EXPECT_EQ(box.DoModal(), IDCANCEL) << "type " << type;
    EXPECT_TRUE(stillOpen) << "type " << type;
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(::WaitForSingleObject(thread, 0), WAIT_OBJECT_0) << "animation ended with the box";
    EXPECT_FALSE(box.IsAnimating());
    ::CloseHandle(thread);
  }
}

// A scan dialog stand-in that counts stop requests.
class ScanOwner : public Dlg_Base {
 public:
  ScanOwner() : Dlg_Base(0, nullptr), tmpl_(WS_POPUP, 0, 0, 50, 20) {}
  BOOL Make() { return CreateIndirect(tmpl_.Get(), nullptr); }
  void StopScan() override { ++stops; }
  int stops = 0;

 private:
  DialogTemplate tmpl_;
};

TEST(MsgBox, StopButtonTellsTheParentAndLiveLinesAreDrawn) {
  ScanOwner owner;
  ASSERT_TRUE(owner.Make());
  g_MessageBoxTexts.Clear();
  g_MessageBoxShownTexts.Clear();
  JMessageBox box(kWaitText, 0, 3, &owner, 3);
  EXPECT_EQ(box.m_ExtraLines, 3);
  bool disabled = false, openAfterStop = false, linesDrawn = false;
  int stopsAfterPress = -1;
  int phase = 0;
  Script script([&](int n) {
    if (!Open(box)) return true;
    if (phase == 0) {
      phase = 1;
      g_MessageBoxTexts.Set(0, L"10.1.0.1 - 10.1.0.254: 10.1.0.7");
      g_MessageBoxTexts.Set(2, L"10.3.0.1 - 10.3.0.254: done");
      box.m_Stop.PostMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
      box.m_Stop.PostMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
      return true;
    }
    if (phase == 1) {
      phase = 2;
      disabled = !box.m_Stop.IsWindowEnabled();
      openAfterStop = Open(box);
      return true;
    }
    if (phase == 2) {
      stopsAfterPress = owner.stops;
      linesDrawn = g_MessageBoxShownTexts.Get(0) == L"10.1.0.1 - 10.1.0.254: 10.1.0.7" &&
                   g_MessageBoxShownTexts.Get(2) == L"10.3.0.1 - 10.3.0.254: done" &&
                   g_MessageBoxShownTexts.Get(1).empty();
      if (!linesDrawn && n < 100) return true;
      Front(box);
      box.RedrawWindow();
      kittest::PumpFor(400);
      kittest::SaveScreenshot(L"wait_box_with_stop");
      box.PostMessage(WM_CLOSE);
      return false;
    }
    return true;
  });
  EXPECT_EQ(box.DoModal(), IDCANCEL);
  EXPECT_TRUE(disabled);
  EXPECT_TRUE(openAfterStop);
  EXPECT_EQ(stopsAfterPress, 1);
  EXPECT_TRUE(linesDrawn);
  EXPECT_FALSE(box.IsAnimating());
  owner.DestroyWindow();
}

// The box is wide enough for its live lines: those written before it opens from the start,
// a wider one written while it shows by growing (keeping its centre and the button centred).
TEST(MsgBox, WaitBoxGrowsToShowItsLiveLinesWhole) {
  g_MessageBoxTexts.Clear();
  g_MessageBoxShownTexts.Clear();
  const std::wstring first = L"192.168.100.1 - 192.168.100.254: 192.168.100.200";
  const std::wstring later = L"172.16.200.1 - 172.16.200.254: 172.16.200.117 (12 devices found so far)";
  g_MessageBoxTexts.Set(0, first);
  JMessageBox box(kWaitText, 0, 3, nullptr, 2);
  int atStart = 0, atEnd = 0, centreBefore = 0, centreAfter = 0, stopX = -1;
  Script script([&](int n) {
    if (!Open(box)) return true;
    CRect c, w;
    box.GetClientRect(&c);
    box.GetWindowRect(&w);
    if (!atStart) {
      atStart = c.Width();
      centreBefore = w.CenterPoint().x;
      g_MessageBoxTexts.Set(1, later);
      return true;
    }
    atEnd = c.Width();
    centreAfter = w.CenterPoint().x;
    stopX = kittest::ChildRect(box, box.m_Stop).left;
    if (atEnd < kittest::MeasureText(later.c_str()).cx + 40 && n < 60) return true;
    box.PostMessage(WM_CLOSE);
    return false;
  });
  box.DoModal();
  EXPECT_GE(atStart, kittest::MeasureText(first.c_str()).cx + 40);
  EXPECT_GE(atEnd, kittest::MeasureText(later.c_str()).cx + 40);
  EXPECT_LE(std::abs(centreAfter - centreBefore), 1);
  EXPECT_EQ(stopX, atEnd / 2 - 40);
  g_MessageBoxTexts.Clear();
}

TEST(MsgBox, LinesClampedToTheTenThatExist) {
  g_MessageBoxTexts.Clear();
  g_MessageBoxShownTexts.Clear();
  g_MessageBoxTexts.Set(9, L"tenth");
  g_MessageBoxTexts.Set(10, L"no such line");
  JMessageBox box(kWaitText, 0, 3, nullptr, 25);
  EXPECT_EQ(box.m_ExtraLines, 10);
  bool drawn = false;
  Script script([&](int n) {
    if (!Open(box)) return true;
    drawn = g_MessageBoxShownTexts.Get(9) == L"tenth";
    if (!drawn && n < 100) return true;
    box.PostMessage(WM_CLOSE);
    return false;
  });
  box.DoModal();
  EXPECT_TRUE(drawn);
  EXPECT_EQ(g_MessageBoxShownTexts.Get(10), L"");
}

TEST(MsgBox, AnimationDrawsAFrameAndSurvivesAMissingImage) {
  {
    // A plain one-frame picture without frame delays stands in for the GIF.
    SolidImage frame(JMessageBox::kGifResource, RGB(250, 20, 20), 20, 20);
    JMessageBox box(kWaitText, 0, 2);
    COLORREF seen = 0;
    Script script([&](int n) {
      if (!Open(box)) return true;
      if (n % 20 == 0) Front(box);
      CRect client;
      box.GetClientRect(&client);
      HDC dc = ::GetDC(box.m_hWnd);
      seen = ::GetPixel(dc, client.Width() / 2 - 10 + 5, client.Height() / 2 + 10 + 5);
      ::ReleaseDC(box.m_hWnd, dc);
      if (seen != RGB(250, 20, 20) && n < 100) return true;
      box.PostMessage(WM_CLOSE);
      return false;
    });
    box.DoModal();
    EXPECT_EQ(seen, RGB(250, 20, 20));
    EXPECT_FALSE(box.IsAnimating());
  }
  {
    Gdiplus::Image* saved;
    bool had;
    SolidImage::PutNull(JMessageBox::kGifResource, &saved, &had);
    JMessageBox box(kWaitText, 0, 3, nullptr, 2);
    bool ran = false;
    Script script([&](int n) {
      if (!Open(box) || n < 5) return true;
      ran = box.IsAnimating();
      box.PostMessage(WM_CLOSE);
      return false;
    });
    EXPECT_EQ(box.DoModal(), IDCANCEL);
    EXPECT_TRUE(ran);
    EXPECT_FALSE(box.IsAnimating());
    SolidImage::Restore(JMessageBox::kGifResource, saved, had);
  }
}

TEST(MsgBox, QuestionScreenshot) {
  JMessageBox box(kWaitText, kResetTitle, 1);
  bool saved = false;
  Script script([&](int) {
    if (!Open(box)) return true;
    Front(box);
    kittest::PumpFor(300);
    saved = kittest::SaveScreenshot(L"message_box_question");
    box.PostMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), (LPARAM)box.m_Cancel.m_hWnd);
    return false;
  });
  EXPECT_EQ(box.DoModal(), IDCANCEL);
  EXPECT_TRUE(saved);
}

TEST(HelpBox, TextsAndPictureOneUnderTheOther) {
  SolidImage picture(9100, RGB(30, 160, 90), 100, 50);
  const UINT first = 558, second = 562;
  JHelpBox box(314, {{first, 0, 0}, {second, 0, 0}, {9100, 100, 50}});
  CSize t1 = kittest::MeasureText(LoadLangString(first));
  CSize t2 = kittest::MeasureText(LoadLangString(second));
  int width = std::max({(int)t1.cx, (int)t2.cx, 100});
  int height = (t1.cy + 5) + (t2.cy + 5) + (50 + 5);
  CSize window;
  COLORREF inPicture = 0, abovePicture = 0, textColour = 0;
  CString title;
  Script script([&](int) {
    if (!box.m_hWnd || !box.IsWindowVisible()) return true;
    CRect r;
    box.GetWindowRect(&r);
    window = r.Size();
    box.GetWindowText(title);
    CDC* mem = box.PrepareMemDC();
    int top = 20 + t1.cy + 5 + t2.cy + 5;
    inPicture = ::GetPixel(mem->GetSafeHdc(), 21, top + 1);
    abovePicture = ::GetPixel(mem->GetSafeHdc(), 21, top - 2);
    textColour = ::GetPixel(mem->GetSafeHdc(), 19, 21);
    box.ReleaseMemDC();
    Front(box);
    kittest::PumpFor(300);
    kittest::SaveScreenshot(L"help_box");
    box.PostMessage(WM_CLOSE);
    return false;
  });
  box.DoModal();
  EXPECT_EQ(window, CSize(width + 40, height + 65));
  EXPECT_EQ(title, LoadLangString(314));
  EXPECT_EQ(inPicture, RGB(30, 160, 90));
  EXPECT_NE(abovePicture, RGB(30, 160, 90));
  EXPECT_NE(textColour, RGB(30, 160, 90));
}

}  // namespace

KITTEST_MAIN()
