// JComboBox rows and face, JIPAddressCtrl background and dots, under Wine.
#include "tests/win/kit_controls_support.h"

#include "kit/jcombobox.h"
#include "kit/jipaddressctrl.h"

using kittest::RecordingParent;
using kittest::SolidImage;
using kittest::Surface;

namespace {

const COLORREF kFrame = RGB(0x48, 0x95, 0xCF), kFill = RGB(0xE8, 0xE8, 0xE8),
               kSelected = RGB(0x50, 0xA2, 0xD8), kBlack = RGB(0, 0, 0);

struct ComboFixture : ::testing::Test {
  RecordingParent parent;
  JComboBox combo;
  void SetUp() override {
    ASSERT_TRUE(parent.Make());
    ASSERT_TRUE(combo.Create(WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED |
                                 CBS_HASSTRINGS,
                             CRect(20, 30, 140, 200), &parent, 1114));
    for (const wchar_t* s : {L"Basic Search", L"Advanced Search", L"Third"}) combo.AddString(s);
  }
  // One row drawn the way the list asks for it, into a surface of the row's size.
  void DrawRow(Surface& s, int index, UINT state, int top, int w, int h) {
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_COMBOBOX;
    dis.itemID = (UINT)index;
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = state;
    dis.hwndItem = combo.m_hWnd;
    dis.hDC = s.dc();
    dis.rcItem = CRect(0, top, w, top + h);
    combo.DrawItem(&dis);
  }
};

TEST_F(ComboFixture, RowsFirstMiddleLastAndSelected) {
  CRect client;
  combo.GetClientRect(&client);
  const int w = client.Width(), h = client.Height();
  struct Case {
    const char* name;
    int index;
    UINT state;
    COLORREF top, bottom, inside;
  } cases[] = {
      {"first", 0, 0, kFrame, kFill, kFill},
      {"middle", 1, 0, kFill, kFill, kFill},
      {"last", 2, 0, kFill, kFrame, kFill},
      {"selected middle", 1, ODS_SELECTED, kSelected, kSelected, kSelected},
  };
  for (const Case& c : cases) {
    Surface s(w, h);
    DrawRow(s, c.index, c.state, 0, w, h);
    EXPECT_EQ(s.At(0, h / 2), kFrame) << c.name << ": left side";
    EXPECT_EQ(s.At(w - 1, h / 2), kFrame) << c.name << ": right side";
    EXPECT_EQ(s.At(w / 2, 0), c.top) << c.name << ": top line";
    EXPECT_EQ(s.At(w / 2, h - 1), c.bottom) << c.name << ": bottom line";
    EXPECT_EQ(s.At(2, h / 2), c.inside) << c.name;
    EXPECT_TRUE(s.Contains(CRect(6, 0, w - 1, h), kBlack)) << c.name << ": text";
    EXPECT_FALSE(s.Contains(CRect(1, 0, 6, h), kBlack)) << c.name << ": text margin";
  }
  // A one-row list: that row is the last row (bottom kept, top filled).
  combo.ResetContent();
  combo.AddString(L"Only");
  Surface one(w, h);
  DrawRow(one, 0, 0, 0, w, h);
  EXPECT_EQ(one.At(w / 2, 0), kFill);
  EXPECT_EQ(one.At(w / 2, h - 1), kFrame);
}

TEST_F(ComboFixture, RowIsCopiedToItsPlaceInTheList) {
  CRect client;
  combo.GetClientRect(&client);
  const int w = client.Width(), h = client.Height();
  Surface s(w, 3 * h);
  DrawRow(s, 1, 0, h, w, h);
  EXPECT_EQ(s.At(0, h + 1), kFrame);
  EXPECT_EQ(s.At(2, h + 1), kFill);
  EXPECT_EQ(s.At(2, 1), RGB(0x12, 0x34, 0x56));  // rows above untouched
  // No item (a closed face without a selection): white, no frame.
  Surface none(w, h);
  DrawRow(none, -1, 0, 0, w, h);
  EXPECT_EQ(none.At(0, h / 2), RGB(255, 255, 255));
  EXPECT_EQ(none.At(w / 2, h / 2), RGB(255, 255, 255));
}

TEST_F(ComboFixture, FaceAndCloseUp) {
  CRect face = kittest::ChildRect(parent, combo);
  EXPECT_EQ(combo.m_FaceRect, face);
  int middle = (face.top + face.bottom) / 2;
  EXPECT_EQ(combo.m_ArrowRect, CRect(face.right - 9, middle - 3, face.right, middle + 3));

  SolidImage arrow(347, RGB(255, 0, 255), 9, 6);
  combo.SetCurSel(0);
  Surface s(400, 300);
  ::SelectObject(s.dc(), g_Font.GetSafeHandle());
  ::SetTextColor(s.dc(), kBlack);
  ::SetBkMode(s.dc(), TRANSPARENT);
  combo.DrawFace(CDC::FromHandle(s.dc()));
  EXPECT_EQ(s.At(face.right - 5, middle), RGB(255, 0, 255));
  EXPECT_TRUE(s.Contains(CRect(face.left + 5, face.top, face.right - 10, face.bottom), kBlack));
  EXPECT_FALSE(s.Contains(CRect(face.left, face.top, face.left + 5, face.bottom), kBlack));

  // Closing the list makes the parent repaint exactly the face.
  parent.ShowWindow(SW_SHOWNA);
  parent.UpdateWindow();
  ::ValidateRect(parent.m_hWnd, nullptr);
  combo.m_Open = true;
  parent.SendMessage(WM_COMMAND, MAKEWPARAM(1114, CBN_CLOSEUP), (LPARAM)combo.m_hWnd);
  EXPECT_FALSE(combo.m_Open);
  CRect update;
  ::GetUpdateRect(parent.m_hWnd, &update, FALSE);
  EXPECT_EQ(update, face);
  // The parent still hears the notification itself.
  ASSERT_FALSE(parent.log.empty());
  EXPECT_EQ(HIWORD(parent.log.back().wParam), CBN_CLOSEUP);

  // A combo moved by its dialog draws its face where it now is.
  combo.SetWindowPos(nullptr, 60, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  EXPECT_EQ(combo.m_FaceRect, kittest::ChildRect(parent, combo));
  EXPECT_EQ(combo.m_FaceRect.left, 60);
}

TEST(IpAddressCtrl, BackgroundAndDotsWhateverTheWidth) {
  RecordingParent parent;
  ASSERT_TRUE(parent.Make());
  for (int width : {150, 260}) {
    JIPAddressCtrl ip;
    ASSERT_TRUE(ip.Create(WS_CHILD | WS_VISIBLE, CRect(10, 10, 10 + width, 32), &parent, 1032));
    CRect client;
    ip.GetClientRect(&client);
    int middle = (client.top + client.bottom) / 2;
    CDC* mem = ip.PrepareMemDC();
    ASSERT_NE(mem, nullptr);
    HDC dc = mem->GetSafeHdc();
    for (int x : {36, 72, 108}) {
      for (int dx = 0; dx < 2; ++dx)
        for (int y = middle - 1; y <= middle; ++y)
          EXPECT_EQ(::GetPixel(dc, x + dx, y), kBlack) << width << " at " << x + dx << "," << y;
      EXPECT_EQ(::GetPixel(dc, x + 2, middle), RGB(0xD6, 0xE0, 0xE8)) << width;
      EXPECT_EQ(::GetPixel(dc, x - 1, middle), RGB(0xD6, 0xE0, 0xE8)) << width;
      EXPECT_EQ(::GetPixel(dc, x, middle + 1), RGB(0xD6, 0xE0, 0xE8)) << width;
    }
    EXPECT_EQ(::GetPixel(dc, 2, 2), RGB(0xD6, 0xE0, 0xE8));
    EXPECT_EQ(::GetPixel(dc, client.right - 2, middle), RGB(0xD6, 0xE0, 0xE8));
    ip.ReleaseMemDC();

    // Its edit fields get the skin colours.
    HWND edit = ::FindWindowExW(ip.m_hWnd, nullptr, L"Edit", nullptr);
    ASSERT_NE(edit, nullptr);
    HDC edc = ::GetDC(edit);
    HBRUSH brush = (HBRUSH)ip.SendMessage(WM_CTLCOLOREDIT, (WPARAM)edc, (LPARAM)edit);
    EXPECT_EQ(brush, (HBRUSH)g_BrushSkin.GetSafeHandle());
    EXPECT_EQ(::GetBkColor(edc), RGB(0xD6, 0xE0, 0xE8));
    EXPECT_EQ(::GetTextColor(edc), RGB(0x44, 0x44, 0x44));
    ::ReleaseDC(edit, edc);
  }
}

}  // namespace

KITTEST_MAIN()
