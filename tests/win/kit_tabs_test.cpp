// JTabCtrl (tab images after each selection, one page visible, the page told
// before it is shown) and RWnd (every panel asked, 14-pixel scrolling), under Wine.
#include "tests/win/kit_controls_support.h"

#include <memory>

#include "kit/jtabctrl.h"
#include "kit/jtabctrl_images.h"
#include "kit/rwnd.h"

using kittest::RecordingParent;
using kittest::SolidImage;
using kittest::Surface;

namespace {

// Shown by its own style (the test parents themselves stay hidden).
bool Shown(const CWnd& w) { return (w.GetStyle() & WS_VISIBLE) != 0; }

// A page that notes each command it gets and whether it was visible then.
class Page : public CWnd {
 public:
  struct Told {
    UINT id;
    bool visible;
  };
  BOOL Make(CWnd* parent, int h) {
    return CreateEx(0, nullptr, L"", WS_CHILD, CRect(0, 0, 100, h), parent, 0);
  }
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_COMMAND && (HWND)lParam == m_hWnd)
      told.push_back({LOWORD(wParam), (GetStyle() & WS_VISIBLE) != 0});
    return CWnd::WindowProc(msg, wParam, lParam);
  }
  std::vector<Told> told;
};

// The colour of each tab image, so that a drawn tab tells which image it shows.
struct TabImages {
  std::vector<std::unique_ptr<SolidImage>> images;
  TabImages() {
    for (UINT id = 352; id <= 358; ++id)
      images.push_back(std::make_unique<SolidImage>(id, Colour(id)));
  }
  static COLORREF Colour(UINT id) { return RGB(10 * (id - 350), 255 - 20 * (id - 350), 60); }
};

COLORREF DrawnColour(JButton* b) {
  CRect client;
  b->GetClientRect(&client);
  Surface s(client.Width(), client.Height());
  DRAWITEMSTRUCT dis{};
  dis.CtlType = ODT_BUTTON;
  dis.hwndItem = b->m_hWnd;
  dis.hDC = s.dc();
  dis.rcItem = client;
  b->DrawItem(&dis);
  return s.At(client.Width() - 2, 2);
}

struct TabFixture : ::testing::Test {
  TabImages images;
  RecordingParent parent;
  JTabCtrl strip;
  Page pages[3];
  void SetUp() override {
    ASSERT_TRUE(parent.Make(500, 400));
    ASSERT_TRUE(strip.CreateEx(0, nullptr, L"", WS_CHILD | WS_VISIBLE, CRect(10, 10, 410, 310),
                               &parent, 0));
    for (Page& p : pages) ASSERT_TRUE(p.Make(&strip, 250));
  }
};

TEST_F(TabFixture, ImagesOfEveryTabAfterEachSelection) {
  const UINT commands[3] = {1028, 1051, 1086};
  for (int i = 0; i < 3; ++i) strip.AddTab(&pages[i], 313 + (UINT)i, commands[i]);
  ASSERT_EQ(strip.GetTabCount(), 3);
  EXPECT_EQ(strip.GetSelected(), 0);  // after every added tab the first one is selected

  for (int sel : {1, 2, 0}) {
    strip.GetTabButton(sel)->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    strip.GetTabButton(sel)->SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    EXPECT_EQ(strip.GetSelected(), sel);
    for (int i = 0; i < 3; ++i) {
      JButton* b = strip.GetTabButton(i);
      jtab::ImageSet set = jtab::ImagesFor(i, sel);
      EXPECT_EQ(b->m_Images[0], set.normal) << "tab " << i << " with " << sel << " selected";
      EXPECT_EQ(b->m_Images[2], set.pressed) << "tab " << i << " with " << sel << " selected";
      EXPECT_EQ(b->m_Checked, i == sel);
      UINT shown = i == sel ? set.pressed : set.normal;
      EXPECT_EQ(DrawnColour(b), TabImages::Colour(shown)) << "tab " << i << " with " << sel;
      EXPECT_EQ(Shown(pages[i]), i == sel) << "page " << i;
    }
  }
  // The pages were told before they were shown, with their own command ids.
  ASSERT_FALSE(pages[1].told.empty());
  EXPECT_EQ(pages[1].told.back().id, 1051u);
  EXPECT_FALSE(pages[1].told.back().visible);
  EXPECT_EQ(pages[2].told.back().id, 1086u);
  EXPECT_FALSE(pages[2].told.back().visible);

  // The pages sit inside the frame under the tabs.
  CRect page = kittest::ChildRect(strip, pages[0]);
  EXPECT_EQ(page, CRect(1, 26, 399, 26 + 248));
  // The tabs follow each other; the end piece lies right of the last.
  CRect last = kittest::ChildRect(strip, *strip.GetTabButton(2));
  EXPECT_EQ(strip.m_NextTabRect.left, last.right);
  EXPECT_EQ(kittest::ChildRect(strip, *strip.GetTabButton(1)).left,
            kittest::ChildRect(strip, *strip.GetTabButton(0)).right);
}

TEST_F(TabFixture, OneTabIsFirstAndLastAndTheStripDrawsItsEnd) {
  strip.AddTab(&pages[0], 313, 1028);
  JButton* only = strip.GetTabButton(0);
  EXPECT_EQ(only->m_Images[0], jtab::kFirstTab.normal);
  EXPECT_TRUE(only->m_Checked);
  EXPECT_EQ(only->m_PressedTextColour, RGB(255, 255, 255));
  CDC* mem = strip.PrepareMemDC();
  ASSERT_NE(mem, nullptr);
  HDC dc = mem->GetSafeHdc();
  CPoint end = strip.m_NextTabRect.CenterPoint();
  EXPECT_EQ(::GetPixel(dc, end.x, end.y), TabImages::Colour(357));  // last tab checked
  EXPECT_EQ(::GetPixel(dc, 0, 100), RGB(0x14, 0x60, 0xB2));          // page frame
  EXPECT_EQ(::GetPixel(dc, 399, 299), RGB(0x14, 0x60, 0xB2));
  EXPECT_EQ(::GetPixel(dc, 200, 100), RGB(0xFF, 0xFF, 0xFF));
  EXPECT_EQ(::GetPixel(dc, 200, 24), RGB(0xFF, 0xFF, 0xFF));          // above the frame
  strip.ReleaseMemDC();
}

// A scroll panel that counts how often it is asked.
class Panel : public Dlg_Base {
 public:
  explicit Panel(bool valid) : Dlg_Base(0, nullptr), valid_(valid), tmpl_(DS_CONTROL | WS_CHILD, 0, 0, 100, 30) {}
  BOOL Make(CWnd* parent) { return CreateIndirect(tmpl_.Get(), parent); }
  bool IsInputValid() override {
    ++asked;
    return valid_;
  }
  void StartScan(void* arg) override { started = arg; }
  void SetRunning(bool r) override { running = r; }
  int asked = 0;
  void* started = nullptr;
  bool running = true;

 private:
  bool valid_;
  DialogTemplate tmpl_;
};

// A firmware-result-like row: a check state and its texts.
class Row : public Panel, public RWndRow {
 public:
  Row(bool checked, std::vector<CString> texts) : Panel(true), checked_(checked), texts_(std::move(texts)) {}
  bool IsRowChecked() const override { return checked_; }
  std::vector<CString> GetRowTexts() const override { return texts_; }

 private:
  bool checked_;
  std::vector<CString> texts_;
};

struct ContainerFixture : ::testing::Test {
  RecordingParent parent;
  RWnd box;
  void SetUp() override {
    ASSERT_TRUE(parent.Make(400, 400));
    ASSERT_TRUE(box.CreateEx(0, nullptr, L"", WS_CHILD | WS_VISIBLE, CRect(0, 0, 300, 100),
                             &parent, 0));
  }
  std::vector<int> Tops(const std::vector<Panel*>& panels) {
    std::vector<int> out;
    for (Panel* p : panels) out.push_back(kittest::ChildRect(box, *p).top);
    return out;
  }
};

TEST_F(ContainerFixture, EveryPanelIsAskedForValidInput) {
  EXPECT_TRUE(box.AreAllInputsValid());  // none at all
  Panel a(true), b(false), c(true);
  for (Panel* p : {&a, &b, &c}) {
    ASSERT_TRUE(p->Make(&box));
    box.AddChild(p, 300, 0, 60);
  }
  EXPECT_FALSE(box.AreAllInputsValid());
  EXPECT_EQ(a.asked, 1);
  EXPECT_EQ(b.asked, 1);
  EXPECT_EQ(c.asked, 1);  // asked although b already said no

  int arg = 0;
  box.StartAll(&arg);
  box.StopAll();
  for (Panel* p : {&a, &b, &c}) {
    EXPECT_EQ(p->started, &arg);
    EXPECT_FALSE(p->running);
  }
  // AddChild leaves room for the scroll bar.
  EXPECT_EQ(kittest::ChildRect(box, a).Width(), 300 - 17);
}

TEST_F(ContainerFixture, ScrollsByFourteenPixels) {
  Panel a(true), b(true), c(true);
  std::vector<Panel*> all{&a, &b, &c};
  for (Panel* p : all) {
    ASSERT_TRUE(p->Make(&box));
    box.AddChild(p, 300, 0, 60);
  }
  box.SetScrollRange();
  EXPECT_TRUE(Shown(box.m_ScrollBar));  // 3 x 60 > 100
  EXPECT_EQ(kittest::ChildRect(box, box.m_ScrollBar), CRect(283, 0, 300, 100));
  EXPECT_EQ(Tops(all), (std::vector<int>{0, 60, 120}));

  box.SendMessage(WM_VSCROLL, SB_LINEDOWN, (LPARAM)box.m_ScrollBar.m_hWnd);
  EXPECT_EQ(Tops(all), (std::vector<int>{-14, 46, 106}));
  box.SendMessage(WM_VSCROLL, SB_PAGEDOWN, (LPARAM)box.m_ScrollBar.m_hWnd);
  EXPECT_EQ(box.GetScrollPos(), 28);
  box.SendMessage(WM_VSCROLL, SB_ENDSCROLL, (LPARAM)box.m_ScrollBar.m_hWnd);
  EXPECT_EQ(box.GetScrollPos(), 28);
  box.SendMessage(WM_VSCROLL, SB_LINEUP, (LPARAM)box.m_ScrollBar.m_hWnd);
  EXPECT_EQ(Tops(all), (std::vector<int>{-14, 46, 106}));
  box.SendMessage(WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 50), (LPARAM)box.m_ScrollBar.m_hWnd);
  EXPECT_EQ(Tops(all), (std::vector<int>{-50, 10, 70}));
  // The position stays within 0 .. total - height.
  for (int i = 0; i < 10; ++i)
    box.SendMessage(WM_VSCROLL, SB_LINEDOWN, (LPARAM)box.m_ScrollBar.m_hWnd);
  EXPECT_EQ(box.GetScrollPos(), 80);
  for (int i = 0; i < 10; ++i)
    box.SendMessage(WM_VSCROLL, SB_TOP, (LPARAM)box.m_ScrollBar.m_hWnd);
  EXPECT_EQ(box.GetScrollPos(), 0);

  // Scrolled down, then panels removed until the rest fits: the bar hides and the
  // panels come back to the top.
  box.SendMessage(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 80), (LPARAM)box.m_ScrollBar.m_hWnd);
  box.RemoveChild(&c);
  kittest::Pump();  // the dialog manager posts the close on as a cancel
  EXPECT_FALSE(Shown(c));
  EXPECT_EQ(box.m_Children.size(), 2u);
  box.RemoveChild(&b);
  EXPECT_FALSE(Shown(box.m_ScrollBar));
  EXPECT_EQ(box.GetScrollPos(), 0);
  EXPECT_EQ(Tops({&a}), (std::vector<int>{0}));
}

TEST_F(ContainerFixture, CheckedRowsGiveTheirTexts) {
  Row r1(true, {L"10.0.0.1", L"10.0.0.2"}), r2(false, {L"10.0.0.3"}), r3(true, {L"10.0.0.4"});
  Panel plain(true);  // a child without a check box gives nothing
  for (Panel* p : std::vector<Panel*>{&r1, &r2, &plain, &r3}) {
    ASSERT_TRUE(p->Make(&box));
    box.AddChild(p, 300, 0, 30);
  }
  std::vector<CString> got = box.GetChildren();
  EXPECT_EQ(got, (std::vector<CString>{L"10.0.0.1", L"10.0.0.2", L"10.0.0.4"}));
}

TEST(TabScreenshot, StripWithThreePages) {
  RecordingParent parent;
  ASSERT_TRUE(parent.Make(520, 360, WS_POPUP | WS_VISIBLE | WS_BORDER));
  JTabCtrl strip;
  ASSERT_TRUE(strip.CreateEx(0, nullptr, L"", WS_CHILD | WS_VISIBLE, CRect(10, 10, 500, 340),
                             &parent, 0));
  Page pages[4];
  for (Page& p : pages) ASSERT_TRUE(p.Make(&strip, 300));
  const UINT commands[4] = {1028, 1051, 1086, 1109};
  for (int i = 0; i < 4; ++i) strip.AddTab(&pages[i], 313 + (UINT)i, commands[i]);
  strip.GetTabButton(2)->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  strip.GetTabButton(2)->SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  // Kept on top of any other test program's windows on the same display.
  ::SetWindowPos(parent.m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  parent.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  kittest::PumpFor(300);
  EXPECT_TRUE(kittest::SaveScreenshot(L"tab_strip"));
}

}  // namespace

KITTEST_MAIN()
