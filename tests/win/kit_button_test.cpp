// JButton under Wine: the drawn image and caption colour per state, the press
// message before the click, toggling, double presses and the layout sizes.
#include "tests/win/kit_controls_support.h"

#include "kit/jbutton.h"
#include "kit/lang.h"

using kittest::RecordingParent;
using kittest::SolidImage;
using kittest::Surface;

namespace {

const COLORREF kNormal = RGB(200, 0, 0), kHover = RGB(0, 200, 0), kPressed = RGB(0, 0, 200),
               kDisabled = RGB(200, 200, 0);

struct ButtonFixture : ::testing::Test {
  SolidImage n{9001, kNormal}, h{9002, kHover}, p{9003, kPressed}, d{9004, kDisabled};
  RecordingParent parent;
  void SetUp() override { ASSERT_TRUE(parent.Make()); }
  void Make(JButton& b, const wchar_t* caption, unsigned id = 3001) {
    ASSERT_TRUE(b.Create(caption, WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, CRect(10, 10, 60, 40),
                         &parent, id));
  }
  // Draws the button into a surface the way the system asks an owner-drawn button.
  void Draw(JButton& b, Surface& s, UINT state) {
    CRect client;
    b.GetClientRect(&client);
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_BUTTON;
    dis.CtlID = (UINT)b.GetDlgCtrlID();
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = state;
    dis.hwndItem = b.m_hWnd;
    dis.hDC = s.dc();
    dis.rcItem = client;
    b.DrawItem(&dis);
  }
};

TEST_F(ButtonFixture, StateChoosesImageAndCaptionColour) {
  JButton b(jbutton::LAYOUT_IMAGE);
  Make(b, L"WWWW");
  b.SetImages(9001, 9002, 9003, 9004, 80, 24);
  b.m_PressedTextColour = RGB(255, 255, 255);
  struct Case {
    const char* name;
    UINT state;
    bool hover, checked;
    COLORREF image, text;
  } cases[] = {
      {"normal", 0, false, false, kNormal, RGB(0x3C, 0x3C, 0x3C)},
      {"hover", 0, true, false, kHover, RGB(0x14, 0x60, 0xB2)},
      {"pressed", ODS_SELECTED, false, false, kPressed, RGB(255, 255, 255)},
      {"checked over hover", 0, true, true, kPressed, RGB(255, 255, 255)},
      {"disabled over checked and hover", ODS_DISABLED, true, true, kDisabled,
       RGB(0xB2, 0xB2, 0xB2)},
  };
  for (const Case& c : cases) {
    b.m_Hover = c.hover;
    b.m_Checked = c.checked;
    Surface s(80, 24);
    Draw(b, s, c.state);
    EXPECT_EQ(s.At(1, 1), c.image) << c.name;
    EXPECT_EQ(s.At(78, 22), c.image) << c.name;
    EXPECT_TRUE(s.Contains(CRect(0, 0, 80, 24), c.text)) << c.name;
  }
}

TEST_F(ButtonFixture, BackgroundShowsBesideASmallerImage) {
  JButton b(jbutton::LAYOUT_IMAGE_TEXT);
  Make(b, L"Option");
  b.m_BackColour = RGB(0xEA, 0xEA, 0xEA);
  b.SetImages(9001, 9002, 9003, 9004, 14, 14);
  CRect client;
  b.GetClientRect(&client);
  Surface s(client.Width(), client.Height());
  Draw(b, s, 0);
  EXPECT_EQ(s.At(5, 5), kNormal);                     // the image at the left
  EXPECT_EQ(s.At(client.Width() - 1, 0), RGB(0xEA, 0xEA, 0xEA));  // beside it
}

TEST_F(ButtonFixture, PressMessageComesBeforeTheClick) {
  JButton b(jbutton::LAYOUT_IMAGE);
  Make(b, L"Go");
  b.SetImages(9001, 9002, 9003, 9004, 40, 20);
  parent.log.clear();
  b.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  b.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  kittest::Pump();
  ASSERT_EQ(parent.log.size(), 2u);
  EXPECT_EQ(parent.log[0].msg, (UINT)WM_JBUTTON_CLICK);
  EXPECT_EQ(parent.log[0].wParam, (WPARAM)&b);
  EXPECT_EQ(parent.log[1].msg, (UINT)WM_COMMAND);
  EXPECT_EQ(HIWORD(parent.log[1].wParam), BN_CLICKED);
  EXPECT_EQ(LOWORD(parent.log[1].wParam), 3001);
  EXPECT_FALSE(b.m_Checked);  // a plain button never checks itself
}

TEST_F(ButtonFixture, ToggleStyleAndQuickSecondPress) {
  JButton box(jbutton::LAYOUT_IMAGE | jbutton::STYLE_TOGGLE);
  Make(box, L"");
  box.SetImages(9001, 9002, 9003, 9004, 14, 14);
  parent.log.clear();
  // A second press soon after the first arrives as a double click.
  box.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  box.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  EXPECT_TRUE(box.m_Checked);
  box.SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(3, 3));
  box.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  kittest::Pump();
  EXPECT_FALSE(box.m_Checked);  // pressed twice: unchecked again
  std::vector<UINT> seen;
  for (auto& e : parent.log)
    seen.push_back(e.msg == WM_COMMAND ? (UINT)HIWORD(e.wParam) : e.msg);
  EXPECT_EQ(seen, (std::vector<UINT>{WM_JBUTTON_CLICK, BN_CLICKED, WM_JBUTTON_CLICK, BN_CLICKED}));
}

// A toggle flips on the press: released off the button, its parent still hears the click
// (once), so whoever follows the box sees the flip. A plain button released off it is no click.
TEST_F(ButtonFixture, PressReleasedOffTheButton) {
  struct Case {
    unsigned style;
    bool checkedAfter;
    std::vector<UINT> seen;
  } cases[] = {
      {jbutton::LAYOUT_IMAGE | jbutton::STYLE_TOGGLE, true, {WM_JBUTTON_CLICK, BN_CLICKED}},
      {jbutton::LAYOUT_IMAGE, false, {WM_JBUTTON_CLICK}},
  };
  for (const Case& c : cases) {
    JButton b(c.style);
    Make(b, L"");
    b.SetImages(9001, 9002, 9003, 9004, 14, 14);
    parent.log.clear();
    b.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    b.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(60, 60));
    kittest::Pump();
    EXPECT_EQ(b.m_Checked, c.checkedAfter) << c.style;
    std::vector<UINT> seen;
    for (auto& e : parent.log) seen.push_back(e.msg == WM_COMMAND ? (UINT)HIWORD(e.wParam) : e.msg);
    EXPECT_EQ(seen, c.seen) << c.style;
    b.DestroyWindow();
  }
}

TEST_F(ButtonFixture, LayoutSizes) {
  const wchar_t* caption = L"Dynamic IP Address";
  CSize text = kittest::MeasureText(caption);
  struct Case {
    unsigned style;
    int imageWidth, height;
    CSize size;
  } cases[] = {
      {1, 14, 4, CSize(text.cx + 14, text.cy)},      // image and text: the text's height wins
      {1, 14, 40, CSize(text.cx + 14, 40)},
      {2, 75, 23, CSize(75, 23)},                    // image only
      {0x102, 14, 14, CSize(14, 14)},                // check box
      {4, 512, 25, CSize(text.cx + 30, 25)},         // text with a margin (tabs)
  };
  for (const Case& c : cases) {
    JButton b(c.style);
    Make(b, caption);
    b.SetImages(9001, 9002, 9003, 9004, c.imageWidth, c.height, 7);
    CRect r;
    b.GetWindowRect(&r);
    EXPECT_EQ(r.Size(), c.size) << "style " << c.style;
    EXPECT_EQ(kittest::ChildRect(parent, b).TopLeft(), CPoint(10, 10)) << "not moved";
    EXPECT_EQ(b.m_Tag, 7);
    b.DestroyWindow();
  }
  // Image at the right: image and caption do not overlap.
  JButton right(1);
  Make(right, caption);
  right.SetImages(9001, 9002, 9003, 9004, 14, 14, -1, true);
  EXPECT_EQ(right.m_ImageRect, CRect(text.cx, 0, text.cx + 14, 14));
  EXPECT_EQ(right.m_TextRect.right, text.cx);
}

TEST_F(ButtonFixture, EmptyCaptionTakesTheStringOfTheControlId) {
  JButton b(jbutton::LAYOUT_IMAGE);
  Make(b, L"", IDOK);
  b.SetImages(9001, 9002, 9003, 9004, 75, 23);
  EXPECT_FALSE(b.m_Caption.IsEmpty());
  EXPECT_EQ(b.m_Caption, LoadLangString(IDOK));
  // SetWindowText keeps the text as the caption without resizing.
  b.SetWindowText(L"Another caption, much longer");
  EXPECT_EQ(b.m_Caption, CString(L"Another caption, much longer"));
  CRect r;
  b.GetWindowRect(&r);
  EXPECT_EQ(r.Size(), CSize(75, 23));
}

TEST_F(ButtonFixture, CaptionWithLineFeedDrawsFromTheTopLeft) {
  JButton b(jbutton::LAYOUT_IMAGE);
  Make(b, L"");
  b.SetImages(0, 0, 0, 0, 120, 60);
  b.SetWindowText(L"A\nB");
  Surface s(120, 60);
  Draw(b, s, 0);
  const COLORREF text = RGB(0x3C, 0x3C, 0x3C);
  EXPECT_TRUE(s.Contains(CRect(0, 0, 20, 20), text));    // first line at the top left
  EXPECT_FALSE(s.Contains(CRect(40, 0, 120, 60), text)); // nothing centred
}

TEST_F(ButtonFixture, AlwaysOwnerDrawn) {
  // Bound to a plain push button of a template, or made with another type.
  HWND plain = ::CreateWindowW(L"BUTTON", L"x", WS_CHILD | BS_PUSHBUTTON, 0, 0, 20, 20,
                               parent.m_hWnd, (HMENU)3002, nullptr, nullptr);
  JButton bound;
  ASSERT_TRUE(bound.SubclassWindow(plain));
  EXPECT_EQ(bound.GetStyle() & BS_TYPEMASK, (DWORD)BS_OWNERDRAW);
  JButton made;
  ASSERT_TRUE(made.Create(L"y", WS_CHILD | BS_CHECKBOX, CRect(0, 0, 20, 20), &parent, 3003));
  EXPECT_EQ(made.GetStyle() & BS_TYPEMASK, (DWORD)BS_OWNERDRAW);
  // Before it has a window, setting the state draws nothing.
  JButton later;
  later.SetChecked(true);
  EXPECT_TRUE(later.IsChecked());
}

TEST_F(ButtonFixture, HoverFollowsTheMouse) {
  JButton b(jbutton::LAYOUT_IMAGE);
  Make(b, L"Go");
  b.SetImages(9001, 9002, 9003, 9004, 40, 20);
  b.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  EXPECT_TRUE(b.m_Hover);
  b.SendMessage(WM_MOUSELEAVE);
  EXPECT_FALSE(b.m_Hover);
}

}  // namespace

KITTEST_MAIN()
