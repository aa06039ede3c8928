// Drives a running Dorvik.exe from outside for the end-to-end tests, as a user would:
//   dorvik_remote wait SECONDS        exit 0 once the main frame exists (1 after the time)
//   dorvik_remote advanced            choose "Advanced Search" in the search-mode list
//   dorvik_remote minimize            minimise the frame (it hides to the tray)
//   dorvik_remote visible             print 1 when the frame is shown, else 0
//   dorvik_remote foreground          print 1 when the frame is the foreground window, else 0
//   dorvik_remote close               post WM_CLOSE to the frame
//   dorvik_remote click ID            a button's click as its window gets it (WM_COMMAND
//                                     BN_CLICKED to its parent): toolbar buttons, OK (1) and
//                                     Cancel (2) of a box or dialog
//   dorvik_remote press ID            a mouse press on a skinned button (radio buttons)
//   dorvik_remote check IP            a mouse press on the check box of the row of that address,
//                                     where the screen shows that row
//   dorvik_remote checked IP          print 1 when the row of that address is checked, else 0, as
//                                     the tree tells it (its item's state image)
//   dorvik_remote set-ip ID A.B.C.D [N]   fill an address field of the open dialog (or of the
//                                     main window); N: the Nth field with that id (from 0), for
//                                     dialogs that repeat their controls (scan zones)
//   dorvik_remote set-text ID TEXT [N]  fill an edit field, found the same way (told to its
//                                     parent as the user's change)
//   dorvik_remote select ID INDEX     choose an entry of a list of the open dialog (told to its
//                                     parent as the user's choice)
//   dorvik_remote press-caption TEXT  a mouse press on the shown skinned button with that caption
//                                     (the tabs of a dialog)
//   dorvik_remote close-popup         close the newest shown dialog or box as its close box would
//   dorvik_remote rows                print the addresses of the grid's rows in view, one a line
//   dorvik_remote hotkey              bring the frame to the front and type Ctrl+Alt+J
//   dorvik_remote text ID             print the window text of a control of the open dialog (else
//                                     of the main window): a button's caption
//   dorvik_remote string ID [LANGID]  print the program's string ID in that language (1033)
//   dorvik_remote groups              print the rows of the open firmware check centre, one a line:
//                                     the captions of the row's buttons, top to bottom and left to
//                                     right, separated by blanks
//   dorvik_remote tick N              a mouse press on the tick box of row N (from 0) of the centre
//   dorvik_remote popups              print the program's shown dialogs and boxes, one a line:
//                                     "<title>" (a wait box has an empty title)
//   dorvik_remote enabled TITLE       print 1 when the shown dialog or box with that title takes
//                                     input, else 0 (exit 1 when none is shown)
//   dorvik_remote owner TITLE         print the title of the window that owns the shown dialog or
//                                     box with that title (exit 1 when none is shown)
//   dorvik_remote wait-popup SECONDS [TITLE]   exit 0 once a dialog or box (with that title) is
//                                     shown, 1 after the time
//   dorvik_remote wait-idle SECONDS   exit 0 once no dialog or box has been shown and the frame
//                                     has taken input for a second (a batch has ended), 1 after
//                                     the time
//   dorvik_remote row IP [LANGID]     print the status cell of the row of that address as it
//                                     is on screen: "<colour> <id>", colour green, red or none,
//                                     id the string-table id whose text it shows (0: none of
//                                     them); texts are read in LANGID (default 1033)
//   dorvik_remote shows IP TEXT       exit 0 when a cell of the row of that address shows TEXT
//                                     (as the grid draws it), 1 otherwise
//   dorvik_remote total [LANGID]      print the count that the main window's "Total:" box shows
//                                     (read from the screen as the rows are; -1: none read)
//   dorvik_remote shot-rows FILE      save the grid window's pixels as a BMP (debugging)
//
// Rows are found by their tree item's text, which is the row's address. The status
// text is read by drawing each candidate text of the program's string table in the grid's font
// and colour and comparing the ink with what the screen shows.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kFrameClass[] = L"Dorvik_By_Malo";
constexpr int kSearchModeId = 1116;
constexpr int kGridId = 2000;
// Row geometry of the grid (kit/jtreectrl.cpp): rows are 20 px high; the check box is at
// x 25..39, the link ends at x 185.
constexpr int kRowHeight = 20;
constexpr int kCheckBoxLeft = 25;
constexpr int kLinkRight = 185;

HWND Frame() { return ::FindWindowW(kFrameClass, nullptr); }

struct Look {
  int id;
  HWND found;
};

// Pages of one dialog may use the same control id: a shown control wins over a hidden one.
BOOL CALLBACK MatchId(HWND h, LPARAM p) {
  Look* l = reinterpret_cast<Look*>(p);
  if (::GetDlgCtrlID(h) != l->id) return TRUE;
  if (!l->found) l->found = h;
  if (!::IsWindowVisible(h)) return TRUE;
  l->found = h;
  return FALSE;
}

HWND FindChildById(HWND parent, int id) {
  Look look{id, nullptr};
  ::EnumChildWindows(parent, &MatchId, reinterpret_cast<LPARAM>(&look));
  return look.found;
}

std::string Utf8(const std::wstring& w) {
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n - 1 : 0), '\0');
  if (n > 1) ::WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, &out[0], n, nullptr, nullptr);
  return out;
}

std::wstring TextOf(HWND h) {
  wchar_t buf[512] = {};
  ::GetWindowTextW(h, buf, 512);
  return buf;
}

// The program's shown top-level windows other than the frame: its dialogs and boxes.
struct PopupSearch {
  DWORD pid;
  HWND frame;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectPopup(HWND h, LPARAM p) {
  auto* c = reinterpret_cast<PopupSearch*>(p);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(h, &pid);
  if (pid == c->pid && h != c->frame && ::IsWindowVisible(h) && ::GetWindow(h, GW_OWNER)) c->found.push_back(h);
  return TRUE;
}

std::vector<HWND> Popups() {
  PopupSearch c{0, Frame(), {}};
  if (!c.frame) return {};
  ::GetWindowThreadProcessId(c.frame, &c.pid);
  ::EnumWindows(&CollectPopup, reinterpret_cast<LPARAM>(&c));
  return c.found;
}

// A control with that id in the newest popup, else in the frame.
HWND FindControl(int id) {
  for (HWND p : Popups())
    if (HWND h = FindChildById(p, id)) return h;
  return Frame() ? FindChildById(Frame(), id) : nullptr;
}

struct LookAll {
  int id;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectId(HWND h, LPARAM p) {
  auto* l = reinterpret_cast<LookAll*>(p);
  if (::GetDlgCtrlID(h) == l->id) l->found.push_back(h);
  return TRUE;
}

// The nth control with that id (in the order the windows were made) in the newest popup that
// has one, else in the frame.
HWND FindNthControl(int id, int nth) {
  std::vector<HWND> places = Popups();
  if (Frame()) places.push_back(Frame());
  for (HWND p : places) {
    LookAll look{id, {}};
    ::EnumChildWindows(p, &CollectId, reinterpret_cast<LPARAM>(&look));
    if (!look.found.empty()) return nth >= 0 && nth < static_cast<int>(look.found.size()) ? look.found[nth] : nullptr;
  }
  return nullptr;
}

void PressAt(HWND h, int x, int y) {
  const LPARAM at = MAKELPARAM(x, y);
  ::PostMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, at);
  ::PostMessageW(h, WM_LBUTTONUP, 0, at);
}

HWND Tree() {
  HWND grid = Frame() ? FindChildById(Frame(), kGridId) : nullptr;
  return grid ? ::FindWindowExW(grid, nullptr, WC_TREEVIEWW, nullptr) : nullptr;
}

// The shown child window whose text is that text: a dialog's skinned button.
struct LinkSearch {
  const std::wstring* ip;
  HWND found;
};

BOOL CALLBACK MatchLink(HWND h, LPARAM p) {
  auto* f = reinterpret_cast<LinkSearch*>(p);
  if (::IsWindowVisible(h) && TextOf(h) == *f->ip) {
    f->found = h;
    return FALSE;
  }
  return TRUE;
}

// The tree's items in view with their texts and rectangles (client coordinates). A tree's
// messages carry pointers into the process that owns it: they are read through a block of
// that process's memory.
struct ShownItem {
  std::wstring text;
  RECT rc;
  UINT stateImage;  // 2: checked, 1: unchecked, 0: no check box
};

std::vector<ShownItem> ItemsInView(HWND tree) {
  std::vector<ShownItem> out;
  DWORD pid = 0;
  ::GetWindowThreadProcessId(tree, &pid);
  HANDLE proc = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (!proc) return out;
  constexpr int kTextMax = 256;
  struct Block {
    TVITEMW item;
    RECT rc;
    wchar_t text[kTextMax];
  };
  auto* remote = static_cast<Block*>(::VirtualAllocEx(proc, nullptr, sizeof(Block), MEM_COMMIT, PAGE_READWRITE));
  if (remote) {
    RECT client;
    ::GetClientRect(tree, &client);
    auto next = [tree](UINT how, HTREEITEM from) {
      return reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(from)));
    };
    for (HTREEITEM it = next(TVGN_FIRSTVISIBLE, nullptr); it; it = next(TVGN_NEXTVISIBLE, it)) {
      Block b{};
      b.item.mask = TVIF_TEXT | TVIF_STATE;
      b.item.stateMask = TVIS_STATEIMAGEMASK;
      b.item.hItem = it;
      b.item.pszText = remote->text;
      b.item.cchTextMax = kTextMax;
      std::memcpy(&b.rc, &it, sizeof it);  // TVM_GETITEMRECT takes the item in the rectangle
      SIZE_T done = 0;
      if (!::WriteProcessMemory(proc, remote, &b, sizeof b, &done)) break;
      if (!::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&remote->item)) ||
          !::SendMessageW(tree, TVM_GETITEMRECT, FALSE, reinterpret_cast<LPARAM>(&remote->rc)))
        continue;
      if (!::ReadProcessMemory(proc, remote, &b, sizeof b, &done)) break;
      if (b.rc.top >= client.bottom) break;
      b.text[kTextMax - 1] = L'\0';
      out.push_back({b.text, b.rc, (b.item.state & TVIS_STATEIMAGEMASK) >> 12});
    }
    ::VirtualFreeEx(proc, remote, 0, MEM_RELEASE);
  }
  ::CloseHandle(proc);
  return out;
}

// The row's band on screen: the tree's width, 20 px from the row's top.
bool RowBand(HWND tree, const std::wstring& ip, RECT* band) {
  if (!tree) return false;
  for (const ShownItem& item : ItemsInView(tree)) {
    if (item.text != ip) continue;
    RECT t;
    ::GetClientRect(tree, &t);
    POINT origin{0, item.rc.top};
    ::ClientToScreen(tree, &origin);
    *band = RECT{origin.x, origin.y, origin.x + t.right, origin.y + kRowHeight};
    return true;
  }
  return false;
}

// ---- pixels ----------------------------------------------------------------------------

struct Pixels {
  int w = 0, h = 0;
  std::vector<COLORREF> px;  // RGB() values, row by row
  COLORREF At(int x, int y) const { return px[static_cast<std::size_t>(y) * w + x]; }
};

Pixels FromDc(HDC src, int x, int y, int w, int h) {
  Pixels p;
  p.w = w;
  p.h = h;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC mem = ::CreateCompatibleDC(src);
  HBITMAP bmp = ::CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = ::SelectObject(mem, bmp);
  ::BitBlt(mem, 0, 0, w, h, src, x, y, SRCCOPY);
  ::GdiFlush();
  const auto* q = static_cast<const unsigned char*>(bits);
  p.px.resize(static_cast<std::size_t>(w) * h);
  for (std::size_t i = 0; i < p.px.size(); ++i) p.px[i] = RGB(q[4 * i + 2], q[4 * i + 1], q[4 * i]);
  ::SelectObject(mem, old);
  ::DeleteObject(bmp);
  ::DeleteDC(mem);
  return p;
}

Pixels Screen(const RECT& r) {
  HDC screen = ::GetDC(nullptr);
  Pixels p = FromDc(screen, r.left, r.top, r.right - r.left, r.bottom - r.top);
  ::ReleaseDC(nullptr, screen);
  return p;
}

enum Ink { NONE = 0, GREEN = 1, RED = 2, GREY = 3, BLUE = 4 };

// Status text is drawn green #438C12 or dark red #BB0000; every other text of a row is grey
// #444444 (the darker part of its glyphs is taken: the grid lines #858585 are lighter).
Ink InkOf(COLORREF c) {
  const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
  if (g > r + 30 && g > b + 30) return GREEN;
  if (r > g + 60 && r > b + 60) return RED;
  if (r < 0x70 && g < 0x70 && b < 0x70 && std::abs(r - g) < 24 && std::abs(g - b) < 24) return GREY;
  if (b > r + 60 && b > g + 30) return BLUE;  // the row count under the toolbar, #1460B2
  return NONE;
}

COLORREF InkColour(Ink ink) {
  return ink == GREEN  ? RGB(0x43, 0x8C, 0x12)
         : ink == RED  ? RGB(187, 0, 0)
         : ink == BLUE ? RGB(0x14, 0x60, 0xB2)
                       : RGB(0x44, 0x44, 0x44);
}

struct Mask {
  int w = 0, h = 0;
  std::vector<unsigned char> on;
  int count = 0;
};

// The ink of one colour between x0 and x1, cropped to its bounding box.
Mask InkMask(const Pixels& p, Ink ink, int x0, int x1) {
  int left = p.w, right = -1, top = p.h, bottom = -1;
  for (int y = 0; y < p.h; ++y)
    for (int x = x0; x < x1 && x < p.w; ++x)
      if (InkOf(p.At(x, y)) == ink) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  Mask m;
  if (right < 0) return m;
  m.w = right - left + 1;
  m.h = bottom - top + 1;
  m.on.assign(static_cast<std::size_t>(m.w) * m.h, 0);
  for (int y = 0; y < m.h; ++y)
    for (int x = 0; x < m.w; ++x)
      if (InkOf(p.At(left + x, top + y)) == ink) {
        m.on[static_cast<std::size_t>(y) * m.w + x] = 1;
        ++m.count;
      }
  return m;
}

// The grid's font (kit/palette.cpp).
HFONT GridFont() {
  LOGFONTW lf{};
  lf.lfHeight = 14;
  lf.lfWeight = 500;
  lf.lfQuality = PROOF_QUALITY;
  lstrcpyW(lf.lfFaceName, L"Arial");
  return ::CreateFontIndirectW(&lf);
}

// The text as the grid draws it into a cell of that width.
Mask Rendered(const std::wstring& text, Ink ink, COLORREF back, int w) {
  HDC screen = ::GetDC(nullptr);
  HDC mem = ::CreateCompatibleDC(screen);
  const int h = kRowHeight;
  HBITMAP bmp = ::CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ oldBmp = ::SelectObject(mem, bmp);
  HFONT font = GridFont();
  HGDIOBJ oldFont = ::SelectObject(mem, font);
  RECT all{0, 0, w, h};
  HBRUSH brush = ::CreateSolidBrush(back);
  ::FillRect(mem, &all, brush);
  ::DeleteObject(brush);
  ::SetBkMode(mem, TRANSPARENT);
  ::SetTextColor(mem, InkColour(ink));
  ::DrawTextW(mem, text.c_str(), static_cast<int>(text.size()), &all,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
  Pixels p = FromDc(mem, 0, 0, w, h);
  ::SelectObject(mem, oldFont);
  ::DeleteObject(font);
  ::SelectObject(mem, oldBmp);
  ::DeleteObject(bmp);
  ::DeleteDC(mem);
  ::ReleaseDC(nullptr, screen);
  return InkMask(p, ink, 0, w);
}

// The columns' border lines in a row band (the grid draws them #858585 at each column's
// right edge), left to right.
std::vector<int> ColumnLines(const Pixels& p) {
  std::vector<int> lines;
  for (int x = 0; x < p.w; ++x) {
    int n = 0;
    for (int y = 0; y < p.h; ++y) n += p.At(x, y) == RGB(0x85, 0x85, 0x85);
    if (n >= p.h - 3) lines.push_back(x);
  }
  return lines;
}

// 1 when the two masks are the same, less the more pixels differ.
double Likeness(const Mask& a, const Mask& b) {
  if (a.w != b.w || a.h != b.h || a.count == 0) return 0;
  int same = 0, any = 0;
  for (std::size_t i = 0; i < a.on.size(); ++i) {
    any += a.on[i] | b.on[i];
    same += a.on[i] & b.on[i];
  }
  return any ? static_cast<double>(same) / any : 0;
}

// ---- the program's texts ---------------------------------------------------------------

std::wstring ProgramPath() {
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring p = self;
  return p.substr(0, p.find_last_of(L'\\') + 1) + L"Dorvik.exe";
}

// Every text of the string table in one language, with its id.
std::vector<std::pair<int, std::wstring>> Texts(LANGID lang) {
  std::vector<std::pair<int, std::wstring>> out;
  HMODULE exe = ::LoadLibraryExW(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!exe) return out;
  for (int block = 1; block <= 4096; ++block) {
    HRSRC res = ::FindResourceExW(exe, RT_STRING, MAKEINTRESOURCEW(block), lang);
    if (!res) continue;
    const auto* p = static_cast<const WCHAR*>(::LockResource(::LoadResource(exe, res)));
    if (!p) continue;
    for (int i = 0; i < 16; ++i) {
      const int len = *p++;
      if (len > 0) out.emplace_back((block - 1) * 16 + i, std::wstring(p, p + len));
      p += len;
    }
  }
  ::FreeLibrary(exe);
  return out;
}

// "<colour> <id>" of a row's status cell.
bool ReadRow(const std::wstring& ip, LANGID lang, std::string* out) {
  HWND tree = Tree();
  RECT band;
  if (!RowBand(tree, ip, &band)) return false;
  const Pixels p = Screen(band);
  // The status cell is the last column: from the last border line to the tree's edge (the
  // last column fills the width; its own border lies just outside).
  std::vector<int> lines = ColumnLines(p);
  const int linkRight = kLinkRight;
  if (lines.empty() || lines.back() < p.w - 2) lines.push_back(p.w);
  if (lines.size() < 2 || lines.back() <= linkRight) return false;
  const int from = std::max(lines[lines.size() - 2], linkRight);
  const int to = lines.back();
  Ink ink = NONE;
  Mask seen;
  for (Ink i : {GREEN, RED}) {
    Mask m = InkMask(p, i, from, to);
    if (m.count > seen.count) {
      seen = m;
      ink = i;
    }
  }
  if (ink == NONE) {
    *out = "none 0";
    return true;
  }
  const COLORREF back = p.At(from + 2, 2);  // above the text
  // The ids the grid shows in green (kit/dlg_base.cpp); of two ids with the same text the
  // one of the colour shown is taken.
  static const int kGreen[] = {508, 509, 510, 511, 512, 518, 519, 520, 539, 540};
  auto isGreen = [](int id) { return std::find(std::begin(kGreen), std::end(kGreen), id) != std::end(kGreen); };
  int best = 0;
  double bestLikeness = 0;
  for (const auto& t : Texts(lang)) {
    if (isGreen(t.first) != (ink == GREEN)) continue;
    const double l = Likeness(seen, Rendered(t.second, ink, back, to - from));
    if (l > bestLikeness) {
      bestLikeness = l;
      best = t.first;
    }
  }
  if (std::getenv("DORVIK_REMOTE_DEBUG")) {
    std::fprintf(stderr, "ink %dx%d count %d, best %d likeness %.3f\n", seen.w, seen.h, seen.count, best, bestLikeness);
    for (int id : {509, 514, 519}) {
      for (const auto& t : Texts(lang))
        if (t.first == id) {
          Mask m = Rendered(t.second, ink, back, to - from);
          std::fprintf(stderr, "  %d: %dx%d count %d likeness %.3f\n", id, m.w, m.h, m.count, Likeness(seen, m));
        }
    }
  }
  if (bestLikeness < 0.9) best = 0;
  *out = std::string(ink == GREEN ? "green " : "red ") + std::to_string(best);
  return true;
}

// Whether a cell of the row of that address shows the text, in the grid's grey.
bool RowShows(const std::wstring& ip, const std::wstring& text) {
  HWND tree = Tree();
  RECT band;
  if (!RowBand(tree, ip, &band)) return false;
  const Pixels p = Screen(band);
  std::vector<int> lines = ColumnLines(p);
  lines.insert(lines.begin(), 0);
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
    const int from = lines[i] + 1, to = lines[i + 1];
    if (to - from < 8) continue;
    const Mask seen = InkMask(p, GREY, from, to);
    const COLORREF back = p.At(from + 1, 2);
    if (seen.count > 0 && Likeness(seen, Rendered(text, GREY, back, to - from)) >= 0.9) return true;
  }
  return false;
}

// The count the "Total:" box of the main window shows (app/shell/dlg_main_win.cpp draws it in
// 5,130 - 100,149 of the window, after string 569), or -1.
int ShownTotal(LANGID lang) {
  HWND refresh = FindChildById(Frame(), 1003);
  HWND main = refresh ? ::GetParent(refresh) : nullptr;
  if (!main) return -1;
  POINT at{5, 130};
  ::ClientToScreen(main, &at);
  const RECT box{at.x, at.y, at.x + 95, at.y + 19};
  const Pixels p = Screen(box);
  const Mask seen = InkMask(p, BLUE, 0, p.w);
  if (seen.count == 0) return -1;
  std::wstring label;
  for (const auto& t : Texts(lang))
    if (t.first == 569) label = t.second;
  const COLORREF back = p.At(1, 1);
  int best = -1;
  double bestLikeness = 0.9;
  for (int n = 0; n <= 200; ++n) {
    const double l = Likeness(seen, Rendered(label + L" " + std::to_wstring(n), BLUE, back, p.w));
    if (l > bestLikeness) {
      best = n;
      bestLikeness = l;
    }
  }
  return best;
}

bool SaveBmp(const Pixels& p, const wchar_t* path) {
  std::FILE* f = _wfopen(path, L"wb");
  if (!f) return false;
  BITMAPFILEHEADER fh{};
  BITMAPINFOHEADER ih{};
  ih.biSize = sizeof ih;
  ih.biWidth = p.w;
  ih.biHeight = -p.h;
  ih.biPlanes = 1;
  ih.biBitCount = 32;
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof ih;
  fh.bfSize = fh.bfOffBits + static_cast<DWORD>(p.px.size() * 4);
  std::fwrite(&fh, sizeof fh, 1, f);
  std::fwrite(&ih, sizeof ih, 1, f);
  for (COLORREF c : p.px) {
    unsigned char q[4] = {GetBValue(c), GetGValue(c), GetRValue(c), 0};
    std::fwrite(q, 4, 1, f);
  }
  std::fclose(f);
  return true;
}

// ---- the firmware check centre's rows ------------------------------------------------------

constexpr int kCentreContainerId = 1120;

struct Placed {
  HWND h;
  RECT r;
};

BOOL CALLBACK CollectChild(HWND h, LPARAM p) {
  auto* out = reinterpret_cast<std::pair<HWND, std::vector<Placed>*>*>(p);
  if (::GetParent(h) != out->first || !::IsWindowVisible(h)) return TRUE;
  RECT r;
  ::GetWindowRect(h, &r);
  out->second->push_back(Placed{h, r});
  return TRUE;
}

// The shown direct children of a window, top to bottom, then left to right.
std::vector<Placed> ChildrenInOrder(HWND parent) {
  std::vector<Placed> all;
  std::pair<HWND, std::vector<Placed>*> p{parent, &all};
  ::EnumChildWindows(parent, &CollectChild, reinterpret_cast<LPARAM>(&p));
  std::sort(all.begin(), all.end(), [](const Placed& a, const Placed& b) {
    return a.r.top != b.r.top ? a.r.top < b.r.top : a.r.left < b.r.left;
  });
  return all;
}

std::vector<HWND> CentreRows() {
  std::vector<HWND> rows;
  HWND container = FindControl(kCentreContainerId);
  if (!container) return rows;
  for (const Placed& p : ChildrenInOrder(container)) {
    wchar_t cls[32] = L"";
    ::GetClassNameW(p.h, cls, 32);
    if (!std::wcscmp(cls, L"#32770")) rows.push_back(p.h);
  }
  return rows;
}

bool WaitUntil(int seconds, bool (*done)(const wchar_t*), const wchar_t* arg) {
  for (int i = 0; i < seconds * 10; ++i) {
    if (done(arg)) return true;
    ::Sleep(100);
  }
  return false;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const wchar_t* cmd = argv[1];
  const wchar_t* arg = argc > 2 ? argv[2] : nullptr;
  const wchar_t* arg2 = argc > 3 ? argv[3] : nullptr;
  if (!std::wcscmp(cmd, L"wait")) {
    int seconds = arg ? _wtoi(arg) : 30;
    for (int i = 0; i < seconds * 10; ++i) {
      if (Frame() && FindChildById(Frame(), kSearchModeId)) return 0;
      ::Sleep(100);
    }
    return 1;
  }
  if (!std::wcscmp(cmd, L"string") && arg) {
    const int id = _wtoi(arg);
    for (const auto& t : Texts(static_cast<LANGID>(arg2 ? _wtoi(arg2) : 1033)))
      if (t.first == id) std::printf("%s\n", Utf8(t.second).c_str());
    return 0;
  }
  HWND frame = Frame();
  if (!frame) {
    std::fprintf(stderr, "no Dorvik window\n");
    return 1;
  }
  if (!std::wcscmp(cmd, L"advanced")) {
    HWND combo = FindChildById(frame, kSearchModeId);
    if (!combo) return 1;
    ::SendMessageW(combo, CB_SETCURSEL, 1, 0);
    ::SendMessageW(::GetParent(combo), WM_COMMAND, MAKEWPARAM(kSearchModeId, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(combo));
    return 0;
  }
  if (!std::wcscmp(cmd, L"minimize")) {
    ::SendMessageW(frame, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    return 0;
  }
  if (!std::wcscmp(cmd, L"visible")) {
    std::printf("%d\n", ::IsWindowVisible(frame) ? 1 : 0);
    return 0;
  }
  if (!std::wcscmp(cmd, L"foreground")) {
    std::printf("%d\n", ::GetForegroundWindow() == frame ? 1 : 0);
    return 0;
  }
  if (!std::wcscmp(cmd, L"pixel") && arg && arg2) {
    RECT r{_wtoi(arg), _wtoi(arg2), _wtoi(arg) + 1, _wtoi(arg2) + 1};
    Pixels p = Screen(r);
    std::printf("%06lx\n", static_cast<unsigned long>(p.At(0, 0)));
    return 0;
  }
  if (!std::wcscmp(cmd, L"redraw")) {
    ::RedrawWindow(frame, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    return 0;
  }
  if (!std::wcscmp(cmd, L"ping")) {
    DWORD_PTR r = 0;
    const bool ok = ::SendMessageTimeoutW(frame, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &r) != 0;
    std::printf("%d\n", ok ? 1 : 0);
    return ok ? 0 : 1;
  }
  if (!std::wcscmp(cmd, L"close")) {
    ::PostMessageW(frame, WM_CLOSE, 0, 0);
    return 0;
  }
  if (!std::wcscmp(cmd, L"click") && arg) {
    const int id = _wtoi(arg);
    HWND h = FindControl(id);
    if (!h) return 1;
    ::PostMessageW(::GetParent(h), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(h));
    return 0;
  }
  if (!std::wcscmp(cmd, L"press") && arg) {
    HWND h = FindControl(_wtoi(arg));
    if (!h) return 1;
    PressAt(h, 3, 3);
    return 0;
  }
  if (!std::wcscmp(cmd, L"check") && arg) {
    // The rows of a search come a moment after it starts: wait up to five seconds for the
    // row to be shown, then press the middle of its check box (the tree takes the press for
    // the box), and see the box drawn anew. While rows arrive the screen shows them as last
    // painted, which may not be where the tree holds them now: the press waits until the
    // row's address shows at its place (three seconds at most: a blocked row shows it in
    // another grey). A press that a busy machine lost (the box unchanged after three
    // seconds) is made again, twice at most; a disabled box never changes.
    int presses = 0;
    for (int tries = 0; tries < 50 && presses < 3; ++tries, ::Sleep(100)) {
      HWND tree = Tree();
      RECT band;
      if (!RowBand(tree, arg, &band) || (tries < 30 && !RowShows(arg, arg))) continue;
      const RECT box{band.left + kCheckBoxLeft, band.top + 3, band.left + kCheckBoxLeft + 14, band.top + 17};
      const std::vector<COLORREF> before = Screen(box).px;
      POINT at{box.left + 7, box.top + 7};
      ::ScreenToClient(tree, &at);
      PressAt(tree, at.x, at.y);
      ++presses;
      for (int wait = 0; wait < 30; ++wait) {
        ::Sleep(100);
        if (Screen(box).px != before) return 0;
      }
    }
    return presses > 0 ? 0 : 1;
  }
  // Without N, the shown control of that id (pages may repeat ids); with N, the Nth of them.
  const int nth = argc > 4 ? _wtoi(argv[4]) : -1;
  auto control = [nth](const wchar_t* id) { return nth < 0 ? FindControl(_wtoi(id)) : FindNthControl(_wtoi(id), nth); };
  if (!std::wcscmp(cmd, L"set-ip") && arg && arg2) {
    HWND h = control(arg);
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!h || std::swscanf(arg2, L"%u.%u.%u.%u", &a, &b, &c, &d) != 4) return 1;
    ::SendMessageW(h, IPM_SETADDRESS, 0, MAKEIPADDRESS(a, b, c, d));
    return 0;
  }
  if (!std::wcscmp(cmd, L"set-text") && arg && arg2) {
    HWND h = control(arg);
    if (!h) return 1;
    ::SendMessageW(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(arg2));
    ::PostMessageW(::GetParent(h), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(h), EN_CHANGE), reinterpret_cast<LPARAM>(h));
    return 0;
  }
  if (!std::wcscmp(cmd, L"select") && arg && arg2) {
    HWND h = FindControl(_wtoi(arg));
    if (!h || ::SendMessageW(h, CB_SETCURSEL, static_cast<WPARAM>(_wtoi(arg2)), 0) == CB_ERR) return 1;
    ::PostMessageW(::GetParent(h), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(h), CBN_SELCHANGE), reinterpret_cast<LPARAM>(h));
    return 0;
  }
  if (!std::wcscmp(cmd, L"press-caption") && arg) {
    const std::wstring caption = arg;
    LinkSearch f{&caption, nullptr};
    for (HWND p : Popups())
      if (!f.found) ::EnumChildWindows(p, &MatchLink, reinterpret_cast<LPARAM>(&f));
    if (!f.found) return 1;
    PressAt(f.found, 3, 3);
    return 0;
  }
  if (!std::wcscmp(cmd, L"close-popup")) {
    const std::vector<HWND> shown = Popups();
    if (shown.empty()) return 1;
    ::PostMessageW(shown.front(), WM_SYSCOMMAND, SC_CLOSE, 0);
    return 0;
  }
  if (!std::wcscmp(cmd, L"rows")) {
    HWND tree = Tree();
    if (!tree) {
      std::fprintf(stderr, "no grid\n");
      return 1;
    }
    for (const ShownItem& item : ItemsInView(tree)) std::printf("%ls\n", item.text.c_str());
    return 0;
  }
  if (!std::wcscmp(cmd, L"shows") && arg && arg2) return RowShows(arg, arg2) ? 0 : 1;
  if (!std::wcscmp(cmd, L"checked") && arg) {
    for (const ShownItem& item : ItemsInView(Tree()))
      if (item.text == arg) {
        std::printf("%d\n", item.stateImage == 2 ? 1 : 0);
        return 0;
      }
    return 1;
  }
  if (!std::wcscmp(cmd, L"total")) {
    const int n = ShownTotal(arg ? static_cast<LANGID>(std::wcstoul(arg, nullptr, 10)) : 1033);
    std::printf("%d\n", n);
    return n < 0 ? 1 : 0;
  }
  if (!std::wcscmp(cmd, L"hotkey")) {
    ::SetForegroundWindow(frame);
    for (int i = 0; i < 20 && ::GetForegroundWindow() != frame; ++i) ::Sleep(50);
    INPUT keys[6] = {};
    const WORD vks[3] = {VK_CONTROL, VK_MENU, 'J'};
    for (int i = 0; i < 3; ++i) {
      keys[i].type = keys[5 - i].type = INPUT_KEYBOARD;
      keys[i].ki.wVk = keys[5 - i].ki.wVk = vks[i];
      keys[5 - i].ki.dwFlags = KEYEVENTF_KEYUP;
    }
    return ::SendInput(6, keys, sizeof(INPUT)) == 6 ? 0 : 1;
  }
  if (!std::wcscmp(cmd, L"text") && arg) {
    HWND h = FindControl(_wtoi(arg));
    if (!h) return 1;
    std::printf("%s\n", Utf8(TextOf(h)).c_str());
    return 0;
  }
  if (!std::wcscmp(cmd, L"groups")) {
    for (HWND row : CentreRows()) {
      std::string line;
      for (const Placed& p : ChildrenInOrder(row)) {
        const std::wstring t = TextOf(p.h);
        if (!t.empty()) line += (line.empty() ? "" : " ") + Utf8(t);
      }
      std::printf("%s\n", line.c_str());
    }
    return 0;
  }
  if (!std::wcscmp(cmd, L"tick") && arg) {
    const std::vector<HWND> rows = CentreRows();
    const std::size_t n = static_cast<std::size_t>(_wtoi(arg));
    if (n >= rows.size()) return 1;
    for (const Placed& p : ChildrenInOrder(rows[n]))
      if (TextOf(p.h).empty()) {
        PressAt(p.h, 3, 3);
        return 0;
      }
    return 1;
  }
  if (!std::wcscmp(cmd, L"popups")) {
    for (HWND p : Popups()) std::printf("%ls\n", TextOf(p).c_str());
    return 0;
  }
  if ((!std::wcscmp(cmd, L"enabled") || !std::wcscmp(cmd, L"owner")) && arg) {
    for (HWND p : Popups()) {
      if (TextOf(p) != arg) continue;
      if (!std::wcscmp(cmd, L"enabled"))
        std::printf("%d\n", ::IsWindowEnabled(p) ? 1 : 0);
      else
        std::printf("%s\n", Utf8(TextOf(::GetWindow(p, GW_OWNER))).c_str());
      return 0;
    }
    return 1;
  }
  if (!std::wcscmp(cmd, L"wait-popup") && arg) {
    static const wchar_t* title;
    title = arg2;
    return WaitUntil(_wtoi(arg), [](const wchar_t*) {
      for (HWND p : Popups())
        if (!title || TextOf(p) == title) return true;
      return false;
    }, nullptr) ? 0 : 1;
  }
  if (!std::wcscmp(cmd, L"wait-idle") && arg) {
    // Idle for a whole second: between a dialog's closing and its batch's wait box coming up
    // the program is briefly idle too.
    static int idleSince;
    idleSince = -1;
    static int polls;
    polls = 0;
    return WaitUntil(_wtoi(arg) + 1, [](const wchar_t*) {
      ++polls;
      HWND f = Frame();
      if (!(f && ::IsWindowEnabled(f) && Popups().empty())) {
        idleSince = -1;
        return false;
      }
      if (idleSince < 0) idleSince = polls;
      return polls - idleSince >= 10;
    }, nullptr) ? 0 : 1;
  }
  if (!std::wcscmp(cmd, L"row") && arg) {
    std::string out;
    if (!ReadRow(arg, static_cast<LANGID>(arg2 ? _wtoi(arg2) : 1033), &out)) return 1;
    std::printf("%s\n", out.c_str());
    return 0;
  }
  if (!std::wcscmp(cmd, L"shot-rows") && arg) {
    HWND tree = Tree();
    if (!tree) return 1;
    RECT r;
    ::GetWindowRect(tree, &r);
    return SaveBmp(Screen(r), arg) ? 0 : 1;
  }
  return 2;
}
