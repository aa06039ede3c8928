// Dlg_AVSet: the video / audio page of the device settings dialog (template 315, tab
// "Video / Audio"). Up to three video streams, each with its codec, resolution, frame rate,
// bitrate mode, maximum bitrate, bitrate, quality and GOP; the audio input and output. Which
// rows take input follows each stream's codec and bitrate mode, and two streams never use
// H264 and MPEG4 at once (dialogs/device_settings/av_page.h). Shows its record when it opens and fills it on
// Apply.
#pragma once
#include <windows.h>

#include <string>

#include "dialogs/device_settings/av_page.h"
#include "dialogs/device_settings/av_settings.h"
#include "dialogs/device_settings/settings_page_win.h"
#include "kit/jbutton.h"
#include "kit/jcombobox.h"

class Dlg_AVSet : public SettingsPage {
 public:
  enum : UINT {
    IDD = 315,
    IDC_ENABLE = 1086,
    IDC_SINGLE = 1087,
    IDC_DUAL = 1088,
    IDC_TRIPLE = 1242,
    IDC_AUDIO_ON = 1105,
    IDC_AUDIO_OFF = 1106,
    IDC_SENSITIVITY = 1107,
    IDC_VOLUME = 1108,
  };

  // `family`: the first 7 characters of the firmware version that every checked device
  // shares (empty when they differ); `newFirmware`: some checked device has a platform
  // version (its audio input sensitivity cannot be set).
  Dlg_AVSet(AvSettings* settings, const std::wstring& family, bool newFirmware);
  ~Dlg_AVSet() override;

  BOOL OnInitDialog() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  void DrawSkin(CDC* dc) override;

  void Collect() override { FromDialog(*m_Settings); }
  bool IsEnabled() const override { return m_Enable.m_Checked; }
  // Shows the page's settings while its enable box is on, only the box while it is off.
  void OnEnableChanged() override;
  std::vector<PageLabel> Labels() const override;

  // Copies the controls into the record.
  void FromDialog(AvSettings& out) const;

  // Stream mode buttons.
  void OnBnClickedSingleStream();
  void OnBnClickedDualStream();
  void OnBnClickedTripleStream();
  // Which of the column's rows take input, from its codec, bitrate mode and maximum bitrate.
  void UpdateChannelControls(int column);
  // The target column's codecs as the source column's codec allows them.
  void LimitEncoderChoices(int source, int target);

  JComboBox& Combo(AvRow row, int column) { return m_Streams[row][column]; }
  std::wstring Codec(int column) const;

 protected:
  void DoDataExchange(CDataExchange* dx) override;

 private:
  void FillEncoder(int column, const std::vector<std::wstring>& codecs, const std::wstring& keep);
  void EnableRows(int column, std::initializer_list<AvRow> rows, bool enable);
  void DualSteps();
  void Layout();

  AvSettings* m_Settings;
  std::wstring m_Family;
  bool m_NewFirmware;
  JButton m_Enable, m_Single, m_Dual, m_Triple, m_AudioOn, m_AudioOff;
  JComboBox m_Streams[AV_ROWS][3];
  JComboBox m_Sensitivity, m_Volume;

  // Where things are drawn (page coordinates).
  CRect m_Title, m_ModeLabel, m_VideoPanel, m_VideoBand, m_AudioPanel, m_AudioBand;
  CRect m_StreamHeads[3];
  CRect m_RowLabels[AV_ROWS + 3];  // the video rows, then audio state, sensitivity, volume
  int m_LabelLeft = 0, m_RowPitch = 0;
};
