// The IP-set dialog on screen: its two layouts, every label fitting the room the dialog gives
// it in every language (screenshots in English, French and Japanese), and "Apply" handing the
// fields on and showing the check's message.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialogs/ip_set/dlg_ipset_win.h"
#include "kit/jmessagebox.h"
#include "kit/lang.h"
#include "kit/palette.h"
#include "port/net.h"
#include "tests/win/kit_controls_support.h"

namespace {

using kittest::ChildRect;
using kittest::Script;

const LANGID kLanguages[] = {1033, 1028, 2052, 1041, 1029, 1038, 1045, 1048, 1049, 1034, 1036, 1040, 1043};

bool Open(const CWnd& w) { return w.m_hWnd && ::IsWindowVisible(w.m_hWnd); }

// A press of a skinned button as the mouse makes it.
void Press(JButton& b) {
  b.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  b.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
}

std::uint32_t AddressOf(JIPAddressCtrl& f) {
  DWORD a = 0;
  f.GetAddress(a);
  return a;
}

void Shot(Dlg_IPSet& d, const std::wstring& name) {
  EXPECT_TRUE(kittest::SaveWindowOnTop(d, name)) << name.c_str();
}

// Every text of the dialog inside its client area and clear of its neighbours.
void ExpectEverythingFits(Dlg_IPSet& d, LANGID lang) {
  CRect client;
  d.GetClientRect(&client);
  for (int i = 0; i < 3; ++i) {
    const CSize label = kittest::MeasureText(LoadLangString(Dlg_IPSet::kLabelIds[i]));
    EXPECT_GE(d.LabelRight() - label.cx, 2) << "label " << Dlg_IPSet::kLabelIds[i] << " in " << lang;
    JIPAddressCtrl* field = i == 0 ? &d.m_Start : i == 1 ? &d.m_Netmask : &d.m_Gateway;
    const CRect f = ChildRect(d, *field);
    EXPECT_GT(f.left, d.LabelRight()) << lang;
    EXPECT_LE(f.right, client.right) << lang;
  }
  for (JButton* radio : {&d.m_Dynamic, &d.m_Static}) {
    const CRect r = ChildRect(d, *radio);
    EXPECT_GE(r.Width(), 14 + kittest::MeasureText(radio->m_Caption).cx) << lang;
    EXPECT_LE(r.right, client.right) << lang;
  }
  const CRect apply = ChildRect(d, d.m_Apply);
  EXPECT_LE(kittest::MeasureText(d.m_Apply.m_Caption).cx + 8, apply.Width()) << lang;
  EXPECT_LE(apply.right, client.right) << lang;
  EXPECT_LE(apply.bottom, client.bottom) << lang;
}

TEST(IpSetDialog, BothLayoutsFitInEveryLanguage) {
  for (LANGID lang : kLanguages) {
    SetLanguage(lang);
    Dlg_IPSet d(nullptr, nullptr);
    bool checked = false;
    Script script([&](int) {
      if (!Open(d)) return true;
      // Dynamic: no address fields, "Apply" at (120, 80), 362 x 150.
      EXPECT_TRUE(d.m_Dynamic.IsChecked());
      EXPECT_FALSE(d.m_Start.IsWindowVisible());
      CRect window;
      d.GetWindowRect(&window);
      EXPECT_EQ(window.Height(), 150) << lang;
      EXPECT_EQ(ChildRect(d, d.m_Apply).top, 80) << lang;
      if (lang == 1033 || lang == 1036 || lang == 1041) Shot(d, L"ipset-dynamic-" + std::to_wstring(lang));
      Press(d.m_Static);
      kittest::Pump();
      EXPECT_TRUE(d.StaticMode());
      EXPECT_FALSE(d.m_Dynamic.IsChecked());
      EXPECT_TRUE(d.m_Start.IsWindowVisible());
      d.GetWindowRect(&window);
      EXPECT_EQ(window.Height(), 250) << lang;
      EXPECT_GE(window.Width(), 362) << lang;
      EXPECT_EQ(ChildRect(d, d.m_Apply).top, 180) << lang;
      ExpectEverythingFits(d, lang);
      if (lang == 1033 || lang == 1036 || lang == 1041) Shot(d, L"ipset-static-" + std::to_wstring(lang));
      checked = true;
      d.EndDialog(IDCANCEL);
      return false;
    });
    EXPECT_EQ(d.DoModal(), IDCANCEL);
    EXPECT_TRUE(checked) << lang;
  }
  SetLanguage(1033);
}

TEST(IpSetDialog, ApplyHandsOnTheFieldsAndShowsTheMessage) {
  SetLanguage(1033);
  std::vector<IpSetInput> inputs;
  std::vector<std::string> masks, gateways;
  int answer = 545;
  Dlg_IPSet d(nullptr, [&](const IpSetInput& in, const std::string& mask, const std::string& gw) {
    inputs.push_back(in);
    masks.push_back(mask);
    gateways.push_back(gw);
    return answer;
  });
  CString warning;
  Script script([&](int step) {
    if (!Open(d)) return true;
    if (step < 200 && inputs.empty()) {
      Press(d.m_Static);
      kittest::Pump();
      d.m_Start.SetAddress(MAKEIPADDRESS(10, 231, 5, 1));
      d.m_Netmask.SetAddress(MAKEIPADDRESS(255, 255, 0, 0));
      d.m_Gateway.SetAddress(MAKEIPADDRESS(10, 231, 0, 254));
      d.PostMessage(WM_COMMAND, MAKEWPARAM(Dlg_IPSet::IDC_APPLY, BN_CLICKED), (LPARAM)d.m_Apply.m_hWnd);
      return true;
    }
    // The check's message box, owned by the dialog's thread: read it and close it.
    for (HWND w = ::GetWindow(::GetDesktopWindow(), GW_CHILD); w; w = ::GetWindow(w, GW_HWNDNEXT))
      if (auto* box = dynamic_cast<JMessageBox*>(CWnd::FromHandlePermanent(w)))
        if (box->IsWindowVisible()) {
          box->GetWindowText(warning);
          EXPECT_STREQ(box->m_Text, LoadLangString(545));
          // Over the dialog, which takes no input until the box is closed.
          EXPECT_EQ(::GetWindow(w, GW_OWNER), d.m_hWnd);
          EXPECT_FALSE(::IsWindowEnabled(d.m_hWnd));
          box->PostMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
          return true;
        }
    if (warning.IsEmpty()) return true;
    if (inputs.size() == 1) {
      // The dialog stayed open, and takes input again. Dynamic mode puts the defaults back;
      // this time it goes.
      EXPECT_TRUE(Open(d));
      EXPECT_TRUE(::IsWindowEnabled(d.m_hWnd));
      Press(d.m_Dynamic);
      kittest::Pump();
      EXPECT_EQ(AddressOf(d.m_Start), Dlg_IPSet::kDefaultStart);
      answer = 0;
      d.PostMessage(WM_COMMAND, MAKEWPARAM(Dlg_IPSet::IDC_APPLY, BN_CLICKED), (LPARAM)d.m_Apply.m_hWnd);
    }
    return inputs.size() < 2;
  });
  EXPECT_EQ(d.DoModal(), IDOK);
  EXPECT_STREQ(warning, L"Warning");
  ASSERT_EQ(inputs.size(), 2u);
  EXPECT_FALSE(inputs[0].dynamic);
  EXPECT_EQ(port::FormatIPv4(inputs[0].start), "10.231.5.1");
  EXPECT_EQ(masks[0], "255.255.0.0");
  EXPECT_EQ(gateways[0], "10.231.0.254");
  EXPECT_TRUE(inputs[1].dynamic);
  EXPECT_EQ(inputs[1].start, Dlg_IPSet::kDefaultStart);
  EXPECT_EQ(masks[1], "255.255.255.0");
  EXPECT_EQ(gateways[1], "192.168.0.254");
}

}  // namespace

KITTEST_MAIN()
