// The skin layer under Wine: localised strings and their fallbacks, the
// column tables, the image cache, memory-DC skins, and Dlg_Base (keys,
// caption, control colours, status reports, radio groups, layout helpers),
// with a screenshot of a skinned dialog in English and in Japanese.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <thread>
#include <vector>

#include "fx/fx.h"
#include "kit/device_rows.h"
#include "kit/dlg_base.h"
#include "kit/jbutton.h"
#include "kit/jobject.h"
#include "kit/keyed_blt.h"
#include "kit/lang.h"
#include "kit/palette.h"
#include "kit/png_cache.h"
#include "res/strings/kit_strings.h"
#include "tests/win/kit_controls_support.h"

namespace {

constexpr LANGID kSpanishOnly = MAKELANGID(LANG_SPANISH, SUBLANG_NEUTRAL);
constexpr LANGID kFrenchOnly = MAKELANGID(LANG_FRENCH, SUBLANG_NEUTRAL);
constexpr LANGID kItalianOnly = MAKELANGID(LANG_ITALIAN, SUBLANG_NEUTRAL);
constexpr LANGID kDutchOnly = MAKELANGID(LANG_DUTCH, SUBLANG_NEUTRAL);
const LANGID kTables[] = {1033, 1028, 2052, 1041, 1029, 1038, 1045, 1048, 1049,
                          kSpanishOnly, kFrenchOnly, kItalianOnly, kDutchOnly};

struct LanguageGuard {
  LANGID saved = g_LanguageId;
  ~LanguageGuard() { SetLanguage(saved); }
};

TEST(Strings, LookupOrderAcrossLanguages) {
  struct Case {
    UINT id;
    LANGID lang;
    const wchar_t* expect;
  };
  const Case cases[] = {
      {IDS_STATUS_PROCESSING, 1033, L"Processing"},
      {IDS_STATUS_PROCESSING, 1028, L"\u8655\u7406\u4e2d"},        // Traditional
      {IDS_STATUS_PROCESSING, 2052, L"\u6b63\u5728\u5904\u7406"},  // Simplified
      {IDS_STATUS_PROCESSING, 1041, L"\u51e6\u7406\u4e2d"},        // Japanese
      {IDS_TITLE_WARNING, 1049, L"\u041f\u0440\u0435\u0434\u0443\u043f\u0440\u0435\u0436\u0434\u0435\u043d\u0438\u0435"},
      // Regional ids of the language-only tables
      {IDS_TITLE_WARNING, 1034, L"Advertencia"},
      {IDS_TITLE_WARNING, 3082, L"Advertencia"},
      {IDS_TITLE_WARNING, 1036, L"Avertissement"},
      {IDS_TITLE_WARNING, 1040, L"Avviso"},
      {IDS_TITLE_WARNING, 1043, L"Waarschuwing"},
      {IDS_TITLE_WARNING, 2067, L"Waarschuwing"},  // Dutch (Belgium)
      // No Japanese entry: the English one
      {IDS_APP_TITLE, 1041, L"Dorvik"},
      // No table for the language at all: English
      {IDS_TITLE_WARNING, 1031, L"Warning"},
      // English typos are kept as they stand
      {IDS_STATUS_RESET_OK, 1033, L"Success in reseting device configurtions"},
      // In no table: empty
      {9999, 1041, L""},
      {9999, 1033, L""},
  };
  for (const Case& c : cases)
    EXPECT_STREQ(c.expect, LoadLangStringIn(c.id, c.lang)) << "id " << c.id << " lang " << c.lang;

  // 1024 is the user's default UI language, whichever it is here.
  EXPECT_STREQ(LoadLangStringIn(IDS_TITLE_WARNING, ::GetUserDefaultUILanguage()),
               LoadLangStringIn(IDS_TITLE_WARNING, LANGID_USER_DEFAULT));
  EXPECT_FALSE(LoadLangStringIn(IDS_TITLE_WARNING, LANGID_USER_DEFAULT).IsEmpty());

  // The global language drives LoadLangString.
  LanguageGuard guard;
  SetLanguage(1041);
  EXPECT_STREQ(L"\u8b66\u544a", LoadLangString(IDS_TITLE_WARNING));
  EXPECT_STREQ(L"Dorvik", LoadLangString(IDS_APP_TITLE));
  SetLanguage(1036);
  EXPECT_STREQ(L"Avertissement", LoadLangString(IDS_TITLE_WARNING));
}

// Every English text must exist in the other twelve tables, whichever topic
// added it (the product name alone stays English).
TEST(Strings, EveryEnglishEntryIsTranslated) {
  HMODULE module = ::GetModuleHandleW(nullptr);
  int english = 0;
  std::vector<std::wstring> missing;
  for (UINT block = 1; block <= 4096; ++block) {
    if (!::FindResourceExW(module, MAKEINTRESOURCEW(6), MAKEINTRESOURCEW(block), 1033)) continue;
    for (UINT id = (block - 1) * 16; id < block * 16; ++id) {
      if (!FindStringIn(id, 1033, nullptr)) continue;
      ++english;
      if (id == IDS_APP_TITLE) continue;
      for (LANGID lang : kTables) {
        if (lang == 1033 || FindStringIn(id, lang, nullptr)) continue;
        CString m;
        m.Format(L"%u in %04x", id, lang);
        missing.push_back(m.GetString());
      }
    }
  }
  EXPECT_GT(english, 30);
  std::wstring all;
  for (const auto& m : missing) all += m + L"; ";
  EXPECT_TRUE(missing.empty()) << "untranslated: " << std::string(all.begin(), all.end());
}

TEST(Strings, ColumnTablesFollowTheLanguage) {
  LanguageGuard guard;
  const int widths[] = {80, 105, 160, 110, 140, 170, 105, 0, 0};
  const int widthsWithName[] = {80, 105, 160, 100, 110, 140, 170, 105, 0, 0};
  const UINT ids[] = {0, 500, 504, 501, 502, 503, 506, 507, 3};
  const UINT idsWithName[] = {0, 500, 504, 505, 501, 502, 503, 506, 507, 3};
  for (LANGID lang : {LANGID(1033), LANGID(1041), LANGID(1049)}) {
    SetLanguage(lang);
    EXPECT_EQ(lang, g_LanguageId);
    ASSERT_EQ(9u, g_ColumnHeaders.size());
    ASSERT_EQ(10u, g_ColumnHeadersWithName.size());
    for (size_t i = 0; i < 9; ++i) {
      EXPECT_EQ(widths[i], g_ColumnHeaders[i].width);
      EXPECT_STREQ(ids[i] ? LoadLangStringIn(ids[i], lang) : CString(), g_ColumnHeaders[i].text);
    }
    for (size_t i = 0; i < 10; ++i) {
      EXPECT_EQ(widthsWithName[i], g_ColumnHeadersWithName[i].width);
      EXPECT_STREQ(idsWithName[i] ? LoadLangStringIn(idsWithName[i], lang) : CString(),
                   g_ColumnHeadersWithName[i].text);
    }
  }
  SetLanguage(1033);
  EXPECT_STREQ(L"IP Address", g_ColumnHeaders[1].text);
  EXPECT_STREQ(L"Camera Name", g_ColumnHeadersWithName[3].text);
  SetLanguage(1041);
  EXPECT_STREQ(L"IP \u30a2\u30c9\u30ec\u30b9", g_ColumnHeaders[1].text);
  EXPECT_TRUE(g_ColumnHeaders[0].text.IsEmpty());
}

TEST(Strings, LanguageSettingRoundTrip) {
  LanguageGuard guard;
  wchar_t dir[MAX_PATH];
  ::GetTempPathW(MAX_PATH, dir);
  CString path;
  path.Format(L"%skit_test_%u.ini", dir, ::GetCurrentProcessId());
  ::DeleteFileW(path);
  LoadLanguage(path);  // no file yet: the user's default
  EXPECT_EQ(LANGID_USER_DEFAULT, g_LanguageId);
  SetLanguage(1045);
  SaveLanguage(path);
  wchar_t value[16] = L"";
  ::GetPrivateProfileStringW(L"LANGUAGE", L"LANGUAGE", L"", value, 16, path);
  EXPECT_STREQ(L"1045", value);
  SetLanguage(1033);
  LoadLanguage(path);
  EXPECT_EQ(1045, g_LanguageId);
  ::DeleteFileW(path);
}

TEST(Images, OneImageAndOneCopyPerResource) {
  size_t copies = g_ResourceCopies.size();
  Gdiplus::Image* first = LoadPngResource(335, L"PNG");
  ASSERT_NE(nullptr, first);
  EXPECT_EQ(109u, first->GetWidth());
  EXPECT_EQ(26u, first->GetHeight());
  EXPECT_EQ(first, LoadPngResource(335, L"PNG"));
  EXPECT_EQ(first, LoadPngResource(335, L"GIF"));  // the type is not part of the key
  EXPECT_EQ(copies + 1, g_ResourceCopies.size());

  // A missing resource caches nothing, so a later call looks again.
  EXPECT_EQ(nullptr, LoadPngResource(9998, L"PNG"));
  EXPECT_EQ(0u, g_PngCache.count(9998));
  EXPECT_EQ(copies + 1, g_ResourceCopies.size());

  // The animation: 8 frames with their delays.
  Gdiplus::Image* gif = LoadPngResource(363, L"GIF");
  ASSERT_NE(nullptr, gif);
  GUID dim;
  gif->GetFrameDimensionsList(&dim, 1);
  EXPECT_EQ(8u, gif->GetFrameCount(&dim));
  EXPECT_GT(gif->GetPropertyItemSize(0x5100), 0u);
}

TEST(Images, TwoThreadsLoadingTogetherShareOneImage) {
  size_t copies = g_ResourceCopies.size();
  ASSERT_EQ(0u, g_PngCache.count(362));
  std::atomic<bool> go{false};
  Gdiplus::Image* got[4] = {};
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i)
    threads.emplace_back([&, i] {
      while (!go) std::this_thread::yield();
      got[i] = LoadPngResource(362, L"PNG");
    });
  go = true;
  for (auto& t : threads) t.join();
  ASSERT_NE(nullptr, got[0]);
  for (auto* g : got) EXPECT_EQ(got[0], g);
  EXPECT_EQ(copies + 1, g_ResourceCopies.size());
}

TEST(Images, DrawPngScalesIntoTheRectangle) {
  kittest::Surface s(40, 40);
  CDC* dc = CDC::FromHandle(s.dc());
  RECT r{10, 10, 38, 38};
  DrawPng(dc, 327, &r);  // checked box, its frame in #5B8FC7
  EXPECT_EQ(RGB(0x12, 0x34, 0x56), s.At(5, 5));
  EXPECT_NE(RGB(0x12, 0x34, 0x56), s.At(24, 24));
  RECT none{0, 0, 8, 8};
  DrawPng(dc, 9997, &none);  // nothing to draw, nothing drawn
  EXPECT_EQ(RGB(0x12, 0x34, 0x56), s.At(3, 3));
}

// The image as each paint blends it looks as GDI+ draws it: edges and shadows that are
// partly transparent included, scaled or not, and the same again at the next paint.
TEST(Images, DrawPngLooksAsGdiplusDrawsIt) {
  Gdiplus::Image* image = LoadPngResource(327, L"PNG");
  ASSERT_NE(image, nullptr);
  const int natural = static_cast<int>(image->GetWidth());
  for (int size : {natural, 28, 13}) {
    kittest::Surface blended(40, 40), direct(40, 40);
    RECT r{3, 4, 3 + size, 4 + size};
    DrawPng(CDC::FromHandle(blended.dc()), 327, &r);
    DrawPng(CDC::FromHandle(blended.dc()), 327, &r);  // over itself: the cached bitmap
    {
      Gdiplus::Graphics g(direct.dc());
      g.DrawImage(image, 3, 4, size, size);
      g.DrawImage(image, 3, 4, size, size);
    }
    int worst = 0, differing = 0;
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 40; ++x) {
        const COLORREF a = blended.At(x, y), b = direct.At(x, y);
        const int d = std::max({std::abs(GetRValue(a) - GetRValue(b)), std::abs(GetGValue(a) - GetGValue(b)),
                                std::abs(GetBValue(a) - GetBValue(b))});
        worst = std::max(worst, d);
        differing += d > 0;
      }
    EXPECT_LE(worst, 3) << "size " << size << ", " << differing << " pixels differ";
  }
}

// ---- skinned dialogs ------------------------------------------------------

class SkinProbe : public Dlg_Base {
 public:
  SkinProbe(UINT captionId, DialogTemplate* t) : Dlg_Base(captionId, nullptr) {
    InitModalIndirect(t->Get());
  }
  CButton shown, hidden;
  RECT keyed{60, 10, 80, 30};
  int textRight = -1;
  int step = 0;
  std::function<void(SkinProbe*, int)> script;
  bool closedByEnter = false;

  void DoDataExchange(CDataExchange* dx) override {
    DDX_Control(dx, 1001, shown);
    DDX_Control(dx, 1002, hidden);
  }
  BOOL OnInitDialog() override {
    Dlg_Base::OnInitDialog();
    hidden.ShowWindow(SW_HIDE);
    AddChildToRegion(&shown);
    AddChildToRegion(&hidden);
    ::SetTimer(m_hWnd, 1, 50, nullptr);
    ::SetTimer(m_hWnd, 2, 20000, nullptr);  // safety net
    return TRUE;
  }
  int draws = 0;
  void DrawSkin(CDC* dc) override {
    ++draws;
    dc->FillSolidRect(&keyed, SKIN_KEY_COLOUR);
    dc->SetTextColor(SKIN_TEXT_COLOUR);
    textRight = JObject::DrawTextAt(dc, 150, 40, L"Right", true, true);
  }
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_TIMER && wParam == 1 && script) {
      script(this, step++);
      return 0;
    }
    if (msg == WM_TIMER && wParam == 2) {
      EndDialog(-2);
      return 0;
    }
    return Dlg_Base::WindowProc(msg, wParam, lParam);
  }
};

DialogTemplate ProbeTemplate() {
  DialogTemplate t(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 20, 20, 140, 80,
                   L"template title");
  t.AddControl(L"BUTTON", L"shown", 1001, BS_PUSHBUTTON | WS_TABSTOP, 8, 40, 30, 14);
  t.AddControl(L"BUTTON", L"hidden", 1002, BS_PUSHBUTTON, 60, 40, 30, 14);
  return t;
}

CRect InClient(CWnd* parent, CWnd* child) {
  CRect r;
  child->GetWindowRect(&r);
  parent->ScreenToClient(&r);
  return r;
}

TEST(Skin, MemoryDcKeysChildrenAndSkinAreasAndReselectsTheFont) {
  LanguageGuard guard;
  SetLanguage(1033);
  DialogTemplate t = ProbeTemplate();
  SkinProbe dlg(IDS_CAPTION_DATE_TIME, &t);
  bool checked = false;
  dlg.script = [&](SkinProbe* d, int) {
    CDC* mem = d->PrepareMemDC();
    ASSERT_NE(nullptr, mem);
    CRect shown = InClient(d, &d->shown), hidden = InClient(d, &d->hidden);
    EXPECT_EQ(SKIN_WHITE, mem->GetPixel(2, 2));
    EXPECT_EQ(SKIN_KEY_COLOUR, mem->GetPixel(65, 15));       // painted in the key
    EXPECT_EQ(SKIN_KEY_COLOUR, mem->GetPixel(shown.left + 2, shown.top + 2));
    EXPECT_EQ(SKIN_WHITE, mem->GetPixel(hidden.left + 2, hidden.top + 2));  // hidden: not cut out
    EXPECT_EQ(150, d->textRight);  // right-aligned text ends at x
    EXPECT_EQ(g_Font.m_hObject, ::GetCurrentObject(mem->m_hDC, OBJ_FONT));

    // Copied with the key left out: keyed areas keep what was below.
    CRect client;
    d->GetClientRect(&client);
    kittest::Surface target(client.Width(), client.Height());
    EXPECT_TRUE(d->DrawBackground(CDC::FromHandle(target.dc())));
    EXPECT_EQ(RGB(0x12, 0x34, 0x56), target.At(65, 15));
    EXPECT_EQ(RGB(0x12, 0x34, 0x56), target.At(shown.left + 2, shown.top + 2));
    EXPECT_EQ(SKIN_WHITE, target.At(2, 2));
    EXPECT_EQ(SKIN_WHITE, target.At(hidden.left + 2, hidden.top + 2));
    // The right-aligned text lies left of x = 150, none of it beyond.
    bool inked = false, beyond = false;
    for (int y = 40; y < 70; ++y)
      for (int x = 90; x < 170; ++x)
        if (target.At(x, y) != SKIN_WHITE) (x < 150 ? inked : beyond) = true;
    EXPECT_TRUE(inked);
    EXPECT_FALSE(beyond);

    // A frame just outside a child, in #5B8FC7.
    d->FrameChild(mem, &d->shown);
    EXPECT_EQ(RGB(0x5B, 0x8F, 0xC7), mem->GetPixel(shown.left - 1, shown.top + 3));
    EXPECT_EQ(RGB(0x5B, 0x8F, 0xC7), mem->GetPixel(shown.right, shown.top + 3));
    checked = true;
    d->EndDialog(IDOK);
  };
  dlg.DoModal();
  EXPECT_TRUE(checked);
}

TEST(Skin, TheKeyedCopyShowsWhatTransparentBltShows) {
  HWND wnd = ::CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 200, 120, nullptr,
                               nullptr, nullptr, nullptr);
  ASSERT_TRUE(wnd);
  ::UpdateWindow(wnd);
  HDC screen = ::GetDC(wnd);
  // The copy's own way is taken on a screen of 32 bits a pixel, as this one.
  ASSERT_EQ(32, ::GetDeviceCaps(screen, BITSPIXEL) * ::GetDeviceCaps(screen, PLANES));
  HDC source = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 120, 60);
  HGDIOBJ oldBitmap = ::SelectObject(source, bitmap);
  auto fill = [](HDC dc, RECT r, COLORREF c) {
    HBRUSH b = ::CreateSolidBrush(c);
    ::FillRect(dc, &r, b);
    ::DeleteObject(b);
  };
  fill(source, {0, 0, 120, 60}, SKIN_WHITE);
  fill(source, {10, 10, 40, 30}, SKIN_KEY_COLOUR);   // a child's place
  fill(source, {20, 20, 50, 40}, RGB(0x20, 0x40, 0x60));  // drawn over part of it
  fill(source, {50, 5, 52, 55}, SKIN_KEY_COLOUR);    // a thin one
  fill(source, {0, 50, 120, 60}, SKIN_KEY_COLOUR);   // along two edges
  fill(source, {70, 10, 90, 20}, RGB(0x00, 0x80, 0x81));  // next to the key, not it
  for (int i = 0; i < 60; ++i) ::SetPixel(source, 60 + i, i, SKIN_KEY_COLOUR);  // single pixels
  ::SetPixel(source, 119, 0, SKIN_KEY_COLOUR);

  struct Case {
    const char* what;
    int x, y, sx, sy, w, h;
    POINT origin;
    bool clipped;
  } cases[] = {
      {"the whole source", 0, 0, 0, 0, 120, 60, {0, 0}, false},
      {"a part of it, elsewhere", 30, 20, 10, 5, 100, 50, {0, 0}, false},
      {"the target's origin moved", 10, 10, 0, 0, 120, 60, {-5, 7}, false},
      {"the target clipped", 0, 0, 0, 0, 120, 60, {0, 0}, true},
      {"no key in it", 0, 0, 0, 0, 40, 8, {0, 0}, false},
  };
  for (const Case& c : cases) {
    auto shown = [&](bool keyed) {
      fill(screen, {0, 0, 200, 120}, RGB(0x12, 0x34, 0x56));
      fill(screen, {0, 0, 100, 60}, RGB(0xAB, 0xCD, 0xEF));
      const int saved = ::SaveDC(screen);
      ::SetViewportOrgEx(screen, c.origin.x, c.origin.y, nullptr);
      if (c.clipped) ::IntersectClipRect(screen, 20, 10, 90, 45);
      if (keyed)
        EXPECT_TRUE(KeyedBlt(screen, c.x, c.y, c.w, c.h, source, c.sx, c.sy, SKIN_KEY_COLOUR)) << c.what;
      else
        ::TransparentBlt(screen, c.x, c.y, c.w, c.h, source, c.sx, c.sy, c.w, c.h, SKIN_KEY_COLOUR);
      ::RestoreDC(screen, saved);
      std::vector<COLORREF> px;
      for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 200; ++x) px.push_back(::GetPixel(screen, x, y));
      return px;
    };
    const std::vector<COLORREF> want = shown(false), got = shown(true);
    EXPECT_EQ(want, got) << c.what;
    // The target's clipping is its own again afterwards.
    HRGN clip = ::CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(0, ::GetClipRgn(screen, clip)) << c.what;
    ::DeleteObject(clip);
  }
  ::SelectObject(source, oldBitmap);
  ::DeleteObject(bitmap);
  ::DeleteDC(source);
  ::ReleaseDC(wnd, screen);
  ::DestroyWindow(wnd);
}

TEST(Skin, EachPaintDrawsTheSkinOnceAndAnEraseOutsideAPaintIsNoPaint) {
  DialogTemplate t = ProbeTemplate();
  SkinProbe dlg(IDS_CAPTION_DATE_TIME, &t);
  bool checked = false;
  dlg.script = [&](SkinProbe* d, int) {
    // The window's pixels made black, then painted: white again where the skin is white.
    auto paintedWhite = [d](UINT flags) {
      HDC screen = ::GetDC(d->m_hWnd);
      RECT all{0, 0, 40, 8};
      ::FillRect(screen, &all, (HBRUSH)::GetStockObject(BLACK_BRUSH));
      d->draws = 0;
      d->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | flags);
      const COLORREF at = ::GetPixel(screen, 2, 2);
      ::ReleaseDC(d->m_hWnd, screen);
      return at == SKIN_WHITE;
    };
    EXPECT_TRUE(paintedWhite(RDW_ERASE));
    EXPECT_EQ(1, d->draws) << "a paint that erases first";
    EXPECT_TRUE(paintedWhite(0));
    EXPECT_EQ(1, d->draws) << "a paint without erasing";
    // Erased on a DC of its own, outside any paint: the next paint still draws.
    CRect client;
    d->GetClientRect(&client);
    kittest::Surface other(client.Width(), client.Height());
    d->SendMessage(WM_ERASEBKGND, reinterpret_cast<WPARAM>(other.dc()), 0);
    EXPECT_EQ(SKIN_WHITE, other.At(2, 2));
    EXPECT_TRUE(paintedWhite(0));
    EXPECT_EQ(1, d->draws) << "the paint after an erase of another DC";
    checked = true;
    d->EndDialog(IDOK);
  };
  dlg.DoModal();
  EXPECT_TRUE(checked);
}

TEST(Skin, DrawTextAtPlacesAndMeasures) {
  kittest::Surface s(200, 60);
  CDC* dc = CDC::FromHandle(s.dc());
  dc->SelectObject(&g_Font);
  dc->SetBkMode(TRANSPARENT);
  CSize size = kittest::MeasureText(L"Status");
  EXPECT_EQ(10 + size.cx, JObject::DrawTextAt(dc, 10, 5, L"Status"));
  EXPECT_EQ(120, JObject::DrawTextAt(dc, 120, 5, L"Status", true));
  // Large text is measured in the large font and g_Font comes back.
  int large = JObject::DrawTextAt(dc, 0, 20, L"Status", false, true);
  EXPECT_GT(large, size.cx);
  EXPECT_EQ(g_Font.m_hObject, ::GetCurrentObject(s.dc(), OBJ_FONT));
}

// A text is never cut by its own measurement: what DrawTextAt draws is exactly the text
// drawn at the same place with no clipping at all, overhanging glyph edges included.
TEST(Skin, DrawTextAtCutsNoGlyph) {
  LanguageGuard guard;
  for (LANGID lang : kTables)
    for (UINT id = 500; id < 570; ++id)
      for (bool large : {false, true}) {
        const CString text = LoadLangStringIn(id, lang);
        if (text.IsEmpty()) continue;
        kittest::Surface drawn(600, 120), whole(600, 120);
        for (kittest::Surface* s : {&drawn, &whole}) {
          s->Fill(SKIN_WHITE);
          ::SelectObject(s->dc(), (large ? g_BoldFont : g_Font).GetSafeHandle());
          ::SetBkMode(s->dc(), TRANSPARENT);
          ::SetTextColor(s->dc(), RGB(0, 0, 0));
        }
        JObject::DrawTextAt(CDC::FromHandle(drawn.dc()), 10, 5, text, false, large);
        RECT ample{10, 5, 600, 120};
        ::DrawTextW(whole.dc(), text, text.GetLength(), &ample, DT_NOPREFIX | DT_NOCLIP);
        EXPECT_TRUE(drawn.SameAs(whole)) << "string " << id << " in " << lang << (large ? " large" : "");
      }
}

TEST(DialogBase, EnterDoesNotCloseEscapeDoesAndCaptionIsLocalised) {
  LanguageGuard guard;
  SetLanguage(1033);
  DialogTemplate t = ProbeTemplate();
  SkinProbe dlg(IDS_CAPTION_DATE_TIME, &t);
  CString caption;
  bool openAfterEnter = false;
  HICON icon = nullptr;
  dlg.script = [&](SkinProbe* d, int step) {
    HWND focus = ::GetFocus();
    if (!focus || !::IsChild(d->m_hWnd, focus)) focus = d->shown.m_hWnd;
    if (step == 0) {
      d->GetWindowText(caption);
      icon = (HICON)d->SendMessage(WM_GETICON, ICON_SMALL);
      ::PostMessageW(focus, WM_KEYDOWN, VK_RETURN, 0);
    } else if (step == 1) {
      openAfterEnter = d->IsWindowVisible() != FALSE;
      ::PostMessageW(focus, WM_KEYDOWN, VK_ESCAPE, 0);
    }
  };
  EXPECT_EQ(IDCANCEL, dlg.DoModal());
  EXPECT_TRUE(openAfterEnter);
  EXPECT_STREQ(L"Date / Time", caption);
  EXPECT_NE(nullptr, icon);
}

TEST(DialogBase, CaptionWithoutAStringIsEmpty) {
  DialogTemplate t = ProbeTemplate();
  SkinProbe dlg(4000, &t);  // no string 4000 in any table
  CString caption = L"unset";
  dlg.script = [&](SkinProbe* d, int) {
    d->GetWindowText(caption);
    d->EndDialog(IDOK);
  };
  EXPECT_EQ(IDOK, dlg.DoModal());
  EXPECT_STREQ(L"", caption);
}

class FakeRows : public DeviceRowTarget {
 public:
  struct Write {
    WPARAM row;
    COLORREF colour;
    CString text;
  };
  std::vector<Write> status, firmware, address;
  bool SetStatusCell(WPARAM row, COLORREF colour, const CString& text) override {
    status.push_back({row, colour, text});
    return true;
  }
  bool SetFirmwareCell(WPARAM row, const CString& text) override {
    firmware.push_back({row, 0, text});
    return true;
  }
  bool SetAddressCell(WPARAM row, const CString& text) override {
    address.push_back({row, 0, text});
    return true;
  }
};

TEST(DialogBase, StatusReportsColourSuccessGreenAndFailureRed) {
  LanguageGuard guard;
  SetLanguage(1033);
  DialogTemplate t = ProbeTemplate();
  SkinProbe dlg(IDS_CAPTION_DATE_TIME, &t);
  FakeRows rows;
  dlg.script = [&](SkinProbe* d, int) {
    // Without a grid the reports change nothing.
    g_pDeviceRows = nullptr;
    d->SendMessage(WM_DEVICE_STATUS, 1, IDS_STATUS_PROCESSING);
    g_pDeviceRows = &rows;
    struct Case {
      UINT id;
      COLORREF colour;
      const wchar_t* text;
    };
    const Case cases[] = {
        {IDS_STATUS_PROCESSING, RGB(0x43, 0x8C, 0x12), L"Processing"},
        {IDS_STATUS_ADDED_MANUALLY, RGB(0x43, 0x8C, 0x12), L"This device is added manually"},
        {IDS_STATUS_REBOOTING, RGB(0x43, 0x8C, 0x12), L"Rebooting"},
        {IDS_STATUS_FAILED, RGB(187, 0, 0), L"Failed"},
        {541, RGB(187, 0, 0), nullptr},
        {9999, RGB(187, 0, 0), L""},
    };
    for (const Case& c : cases) {
      rows.status.clear();
      d->SendMessage(WM_DEVICE_STATUS, 7, c.id);
      ASSERT_EQ(1u, rows.status.size()) << c.id;
      EXPECT_EQ(7u, rows.status[0].row);
      EXPECT_EQ(c.colour, rows.status[0].colour) << c.id;
      if (c.text) {
        EXPECT_STREQ(c.text, rows.status[0].text) << c.id;
      }
    }
    d->SendMessage(WM_DEVICE_FIRMWARE, 3, (LPARAM)L"1.2.3");
    d->SendMessage(WM_DEVICE_ADDRESS, 4, (LPARAM)L"10.0.0.9");
    g_pDeviceRows = nullptr;
    d->EndDialog(IDOK);
  };
  dlg.DoModal();
  ASSERT_EQ(1u, rows.firmware.size());
  EXPECT_EQ(3u, rows.firmware[0].row);
  EXPECT_STREQ(L"1.2.3", rows.firmware[0].text);
  ASSERT_EQ(1u, rows.address.size());
  EXPECT_STREQ(L"10.0.0.9", rows.address[0].text);
  EXPECT_EQ(10u, g_SuccessIds.size());
}

TEST(DialogBase, ControlColoursRadioGroupsAndChildPlacement) {
  LanguageGuard guard;
  SetLanguage(1033);
  DialogTemplate t = ProbeTemplate();
  SkinProbe dlg(IDS_CAPTION_DATE_TIME, &t);
  dlg.script = [&](SkinProbe* d, int) {
    // Control colours
    kittest::Surface s(10, 10);
    HBRUSH brush = (HBRUSH)d->SendMessage(WM_CTLCOLORSTATIC, (WPARAM)s.dc(), (LPARAM)d->shown.m_hWnd);
    EXPECT_EQ(g_BrushSkin.m_hObject, brush);
    EXPECT_EQ(SKIN_TEXT_COLOUR, ::GetTextColor(s.dc()));
    EXPECT_EQ(RGB(0xD6, 0xE0, 0xE8), ::GetBkColor(s.dc()));
    EXPECT_EQ(g_Font.m_hObject, ::GetCurrentObject(s.dc(), OBJ_FONT));

    // Two radio groups: a press changes only the sender's group.
    JButton b[4];
    for (int i = 0; i < 4; ++i) {
      ASSERT_TRUE(b[i].Create(L"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, CRect(5 + 20 * i, 5, 19 + 20 * i, 19), d, 2000 + i));
      b[i].m_GroupId = i < 2 ? 1 : 2;
      d->m_RadioButtons.push_back(&b[i]);
    }
    b[1].m_Checked = true;
    b[2].m_Checked = true;
    ::SendMessageW(b[0].m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    ::SendMessageW(b[0].m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    EXPECT_TRUE(b[0].m_Checked);
    EXPECT_FALSE(b[1].m_Checked);
    EXPECT_TRUE(b[2].m_Checked);  // the other group is untouched
    EXPECT_FALSE(b[3].m_Checked);
    d->SendMessage(WM_JBUTTON_CLICK, (WPARAM)&b[3]);
    EXPECT_TRUE(b[0].m_Checked);
    EXPECT_FALSE(b[2].m_Checked);
    EXPECT_TRUE(b[3].m_Checked);
    d->m_RadioButtons.clear();

    // ShiftChild keeps the size and moves sideways only.
    CRect before = InClient(d, &d->shown);
    d->ShiftChild(&d->shown, 12);
    CRect after = InClient(d, &d->shown);
    EXPECT_EQ(before.left + 12, after.left);
    EXPECT_EQ(before.top, after.top);
    EXPECT_EQ(before.Size(), after.Size());

    // One line of labelled controls.
    CDC* mem = d->PrepareMemDC();
    d->hidden.ShowWindow(SW_SHOW);
    d->LayoutChildren(mem, {{1001, IDS_COLUMN_MODEL}, {1002, IDS_COLUMN_STATUS}}, 4, 10, 0, 7, 50);
    CSize model = kittest::MeasureText(L"Model"), status = kittest::MeasureText(L"Status");
    CRect first = InClient(d, &d->shown), second = InClient(d, &d->hidden);
    CRect firstClient;
    d->shown.GetClientRect(&firstClient);
    EXPECT_EQ(7 + model.cx + 4, first.left);
    EXPECT_EQ(50, first.top);
    EXPECT_EQ(7 + model.cx + firstClient.Width() + 10 + status.cx + 4, second.left);
    EXPECT_EQ(50, second.top);
    d->EndDialog(IDOK);
  };
  dlg.DoModal();
}

// A skinned dialog with every kind of skin element, shown on screen.
class ShowcaseDialog : public Dlg_Base {
 public:
  explicit ShowcaseDialog(DialogTemplate* t) : Dlg_Base(IDS_CAPTION_DEVICE_SETTINGS, nullptr) {
    InitModalIndirect(t->Get());
  }
  JButton ok{jbutton::LAYOUT_IMAGE}, cancel{jbutton::LAYOUT_IMAGE};
  JButton check{0x102}, radioA{jbutton::LAYOUT_IMAGE_TEXT}, radioB{jbutton::LAYOUT_IMAGE_TEXT};
  std::function<void(ShowcaseDialog*)> onShown;

  void DoDataExchange(CDataExchange* dx) override {
    DDX_Control(dx, IDOK, ok);
    DDX_Control(dx, IDCANCEL, cancel);
    DDX_Control(dx, 1101, check);
    DDX_Control(dx, 1102, radioA);
    DDX_Control(dx, 1103, radioB);
  }
  BOOL OnInitDialog() override {
    Dlg_Base::OnInitDialog();
    ok.SetWindowText(LoadLangString(IDS_BUTTON_OK));
    cancel.SetWindowText(LoadLangString(IDS_BUTTON_CANCEL));
    ok.SetImages(335, 338, 337, 336, 109, 26);
    cancel.SetImages(335, 338, 337, 336, 109, 26);
    check.SetImages(328, 328, 327, 329, 14, 14);
    check.m_Checked = true;
    radioA.SetWindowText(LoadLangString(IDS_CAPTION_MOTION));
    radioB.SetWindowText(LoadLangString(IDS_CAPTION_URL));
    radioA.SetImages(333, 333, 332, 333, 14, 14);
    radioB.SetImages(333, 333, 332, 333, 14, 14);
    radioA.m_GroupId = radioB.m_GroupId = 1;
    radioA.m_Checked = true;
    m_RadioButtons = {&radioA, &radioB};
    for (CWnd* c : std::initializer_list<CWnd*>{&ok, &cancel, &check, &radioA, &radioB})
      AddChildToRegion(c);
    ::SetTimer(m_hWnd, 1, 700, nullptr);
    return TRUE;
  }
  void DrawSkin(CDC* dc) override {
    RECT band{0, 0, m_ClientRect.right, 29};
    DrawPng(dc, 341, &band);
    dc->SetTextColor(SKIN_WHITE);
    JObject::DrawTextAt(dc, 12, 7, LoadLangString(IDS_CAPTION_DEVICE_SETTINGS));
    dc->SetTextColor(SKIN_TEXT_COLOUR);
    int x = JObject::DrawTextAt(dc, 20, 44, LoadLangString(IDS_COLUMN_IP_ADDRESS));
    JObject::DrawTextAt(dc, x + 12, 44, L"192.168.1.20");
    x = JObject::DrawTextAt(dc, 20, 64, LoadLangString(IDS_COLUMN_STATUS));
    dc->SetTextColor(STATUS_OK_COLOUR);
    JObject::DrawTextAt(dc, x + 12, 64, LoadLangString(IDS_STATUS_PROCESSING));
    dc->SetTextColor(STATUS_FAIL_COLOUR);
    JObject::DrawTextAt(dc, x + 12, 82, LoadLangString(IDS_STATUS_FAILED));
    dc->SetTextColor(SKIN_TEXT_COLOUR);
    JObject::DrawTextAt(dc, 46, 110, LoadLangString(IDS_STATUS_ADDED_MANUALLY));
    FrameChild(dc, &check);
    RECT pic{m_ClientRect.right - 140, 40, m_ClientRect.right - 20, 124};
    DrawPng(dc, 362, &pic);
    dc->SelectObject(&g_PenFrame);
    dc->Rectangle(pic.left - 1, pic.top - 1, pic.right + 1, pic.bottom + 1);
  }
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_TIMER && wParam == 1) {
      ::KillTimer(m_hWnd, 1);
      if (onShown) onShown(this);
      EndDialog(IDOK);
      return 0;
    }
    return Dlg_Base::WindowProc(msg, wParam, lParam);
  }
};

DialogTemplate ShowcaseTemplate() {
  DialogTemplate t(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER, 0, 0, 260, 130, L"");
  t.AddControl(L"BUTTON", L"", 1101, BS_OWNERDRAW, 14, 70, 10, 10);
  t.AddControl(L"BUTTON", L"", 1102, BS_OWNERDRAW, 14, 86, 60, 10);
  t.AddControl(L"BUTTON", L"", 1103, BS_OWNERDRAW, 80, 86, 60, 10);
  t.AddControl(L"BUTTON", L"", IDOK, BS_OWNERDRAW | WS_TABSTOP, 60, 108, 60, 16);
  t.AddControl(L"BUTTON", L"", IDCANCEL, BS_OWNERDRAW | WS_TABSTOP, 135, 108, 60, 16);
  return t;
}

TEST(Screens, SkinnedDialogInEnglishAndJapanese) {
  LanguageGuard guard;
  struct Shot {
    LANGID lang;
    const wchar_t* name;
  };
  for (Shot shot : {Shot{1033, L"kit_dialog_en"}, Shot{1041, L"kit_dialog_ja"}}) {
    SetLanguage(shot.lang);
    DialogTemplate t = ShowcaseTemplate();
    ShowcaseDialog dlg(&t);
    bool saved = false;
    CString caption;
    dlg.onShown = [&](ShowcaseDialog* d) {
      d->GetWindowText(caption);
      d->UpdateWindow();
      saved = kittest::SaveScreenshot(shot.name);
    };
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_TRUE(saved) << "screenshot " << std::string(shot.name, shot.name + wcslen(shot.name));
    EXPECT_STREQ(LoadLangStringIn(IDS_CAPTION_DEVICE_SETTINGS, shot.lang), caption);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new kittest::Environment);
  return RUN_ALL_TESTS();
}
