// Dlg_IPSet ("Change Network Address", dialog 317): dynamic addressing, or consecutive static
// addresses from a starting address inside one subnet. "Apply" hands the fields to the
// operation (dialogs/ip_set/ip_set_operation.h), which checks them, plans the addresses and sends the
// datagrams; the dialog shows its message, or closes with OK once they have gone.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "dialogs/ip_set/ip_set_plan.h"
#include "fx/dlgtemplate.h"
#include "kit/dlg_base.h"
#include "kit/jbutton.h"
#include "kit/jipaddressctrl.h"

class Dlg_IPSet : public Dlg_Base {
 public:
  enum : UINT {
    IDD = 317,
    IDC_DYNAMIC = 1021,
    IDC_STATIC = 1022,
    IDC_START = 1023,
    IDC_NETMASK = 1024,
    IDC_GATEWAY = 1025,
    IDC_APPLY = 1002,
  };
  // Labels of the address fields.
  static constexpr UINT kLabelIds[3] = {609, 610, 611};
  // The fields' defaults.
  static constexpr std::uint32_t kDefaultStart = 0xC0A80064;    // 192.168.0.100
  static constexpr std::uint32_t kDefaultNetmask = 0xFFFFFF00;  // 255.255.255.0
  static constexpr std::uint32_t kDefaultGateway = 0xC0A800FE;  // 192.168.0.254

  // "Apply": the fields and the texts they show; returns 0 when the datagrams went out, else
  // the id of the message to show.
  using ApplyFn = std::function<int(const IpSetInput&, const std::string& netmask, const std::string& gateway)>;

  Dlg_IPSet(CWnd* owner, ApplyFn apply);

  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  void DrawSkin(CDC* dc) override;

  // 1021 pressed: the defaults back into the fields, and the layout of dynamic mode.
  void OnBnClickedDefault();
  // 1022 pressed: the layout of static mode.
  void OnBnClicked1022();
  // "Apply".
  void OnBnClickedOk();

  bool StaticMode() const { return m_Static.IsChecked(); }
  // Where the labels' right edge stands (120, further right when a label needs more room).
  int LabelRight() const { return m_LabelRight; }
  void Layout();

  JButton m_Dynamic{jbutton::LAYOUT_IMAGE_TEXT};
  JButton m_Static{jbutton::LAYOUT_IMAGE_TEXT};
  JButton m_Apply{jbutton::LAYOUT_IMAGE};
  JIPAddressCtrl m_Start, m_Netmask, m_Gateway;

 private:
  void PutDefaults();
  static std::uint32_t AddressOf(const JIPAddressCtrl& field);

  ApplyFn m_ApplyFn;
  DialogTemplate m_Template;
  int m_LabelRight = 120;
};
