#include "dialogs/device_settings/dlg_av_set_win.h"

#include <algorithm>

#include "dialogs/device_settings/date_time_layout.h"
#include "kit/lang.h"
#include "kit/palette.h"
#include "res/strings/av_strings.h"

namespace {

constexpr int kMargin = 11;
constexpr int kInset = 8;        // labels and lists inside a panel
constexpr int kGap = 12;
constexpr int kBandHeight = 24;  // the grey band on top of a panel
constexpr int kRowPitch = 26;
constexpr int kModeGroup = 0, kAudioGroup = 1;

constexpr int kResolutionCount = 13;
constexpr int kFpsCount = 5;
constexpr int kDefaultQuality = 70;

// The resolution list's text for an index: 1198-1206, then 1238-1241.
UINT ResolutionText(int index) {
  return index < 9 ? IDS_AV_FIRST_RESOLUTION + static_cast<UINT>(index)
                   : IDS_AV_MORE_RESOLUTIONS + static_cast<UINT>(index - 9);
}

// Selects the entry with that value, or the one with `fallback` when there is none.
void SelectValueOr(CComboBox& combo, int value, int fallback) {
  SelectValue(combo, value);
  if (combo.GetCurSel() < 0) SelectValue(combo, fallback);
}

}  // namespace

Dlg_AVSet::Dlg_AVSet(AvSettings* settings, const std::wstring& family, bool newFirmware)
    : SettingsPage(IDD, IDC_ENABLE),
      m_Settings(settings),
      m_Family(family),
      m_NewFirmware(newFirmware),
      m_Enable(jbutton::LAYOUT_IMAGE_TEXT | jbutton::STYLE_TOGGLE),
      m_Single(jbutton::LAYOUT_IMAGE_TEXT),
      m_Dual(jbutton::LAYOUT_IMAGE_TEXT),
      m_Triple(jbutton::LAYOUT_IMAGE_TEXT),
      m_AudioOn(jbutton::LAYOUT_IMAGE_TEXT),
      m_AudioOff(jbutton::LAYOUT_IMAGE_TEXT) {
  for (UINT id : {IDC_ENABLE, IDC_SINGLE, IDC_DUAL, IDC_TRIPLE, IDC_AUDIO_ON, IDC_AUDIO_OFF})
    m_Template.AddControl(L"BUTTON", L"", static_cast<WORD>(id), BS_OWNERDRAW | WS_TABSTOP, 0, 0, 10, 10);
  const DWORD combo = CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | WS_VSCROLL | WS_TABSTOP;
  for (const auto& row : kAvComboIds)
    for (unsigned id : row) m_Template.AddControl(L"COMBOBOX", L"", static_cast<WORD>(id), combo, 0, 0, 30, 100);
  for (UINT id : {IDC_SENSITIVITY, IDC_VOLUME})
    m_Template.AddControl(L"COMBOBOX", L"", static_cast<WORD>(id), combo, 0, 0, 30, 100);
}

Dlg_AVSet::~Dlg_AVSet() = default;

void Dlg_AVSet::DoDataExchange(CDataExchange* dx) {
  SettingsPage::DoDataExchange(dx);
  DDX_Control(dx, IDC_ENABLE, m_Enable);
  DDX_Control(dx, IDC_SINGLE, m_Single);
  DDX_Control(dx, IDC_DUAL, m_Dual);
  DDX_Control(dx, IDC_TRIPLE, m_Triple);
  DDX_Control(dx, IDC_AUDIO_ON, m_AudioOn);
  DDX_Control(dx, IDC_AUDIO_OFF, m_AudioOff);
  for (int r = 0; r < AV_ROWS; ++r)
    for (int c = 0; c < 3; ++c) DDX_Control(dx, static_cast<int>(kAvComboIds[r][c]), m_Streams[r][c]);
  DDX_Control(dx, IDC_SENSITIVITY, m_Sensitivity);
  DDX_Control(dx, IDC_VOLUME, m_Volume);
}

BOOL Dlg_AVSet::OnInitDialog() {
  SettingsPage::OnInitDialog();
  // The record as these devices take it: a triple stream shows as single for a family
  // without one. The record itself changes only when the dialog is confirmed.
  AvSettings s = *m_Settings;
  KeepStreamModeFor(s, m_Family);
  SetCheckBoxImages(m_Enable);
  for (JButton* b : {&m_Single, &m_Dual, &m_Triple, &m_AudioOn, &m_AudioOff}) SetRadioImages(*b);
  m_Single.m_GroupId = m_Dual.m_GroupId = m_Triple.m_GroupId = kModeGroup;
  m_AudioOn.m_GroupId = m_AudioOff.m_GroupId = kAudioGroup;
  m_AudioOn.m_BackColour = m_AudioOff.m_BackColour = kPagePanelColour;
  m_RadioButtons = {&m_Single, &m_Dual, &m_Triple, &m_AudioOn, &m_AudioOff};

  // The lists, each entry with its value.
  for (int c = 0; c < 3; ++c) {
    for (int i = 0; i < kResolutionCount; ++i) AddItem(Combo(AV_RESOLUTION, c), LoadLangString(ResolutionText(i)), i);
    for (int i = 0; i < kFpsCount; ++i)
      AddItem(Combo(AV_FPS, c), LoadLangString(IDS_AV_FIRST_FPS + static_cast<UINT>(i)), i);
    for (int i = 0; i < 2; ++i) AddItem(Combo(AV_MODE, c), LoadLangString(IDS_AV_CONSTANT + static_cast<UINT>(i)), i);
    AddItem(Combo(AV_MAX_RATE, c), LoadLangString(IDS_AV_UNLIMITED), -1);
    for (int i = 0; i < static_cast<int>(RateValues().size()); ++i) {
      const CString rate = LoadLangString(IDS_AV_UNLIMITED + 1 + static_cast<UINT>(i));
      AddItem(Combo(AV_MAX_RATE, c), rate, i);
      AddItem(Combo(AV_RATE, c), rate, i);
    }
    for (int q = 1; q <= 100; ++q) AddItem(Combo(AV_QUALITY, c), NumberText(q), q);
    for (int g = 1; g <= 60; ++g) AddItem(Combo(AV_GOP, c), NumberText(g), g);
  }
  for (int i = 0; i < 2; ++i) AddItem(m_Sensitivity, LoadLangString(IDS_AV_HIGH + static_cast<UINT>(i)), i);
  for (int v = 0; v <= 100; ++v) AddItem(m_Volume, NumberText(v), v);

  // The record. Each encoder list holds only the stored codec until a stream mode fills it.
  m_Enable.m_Checked = s.Enable;
  m_AudioOn.m_Checked = s.AudioEnable;
  m_AudioOff.m_Checked = !s.AudioEnable;
  m_Single.m_Checked = s.StreamMode == kSingleStream;
  m_Dual.m_Checked = s.StreamMode == kDualStream;
  m_Triple.m_Checked = s.StreamMode == kTripleStream;
  for (int c = 0; c < 3; ++c) {
    const AvChannelSettings& ch = s.channels[c];
    FillEncoder(c, {ch.Encoder}, ch.Encoder);
    SelectValue(Combo(AV_RESOLUTION, c), ch.Resolution);
    SelectValue(Combo(AV_FPS, c), ch.FPS);
    Combo(AV_MODE, c).SetCurSel(ch.Quality == 0 ? 0 : 1);
    // Quality and GOP by their values, so that a confirmed page gives back what it showed.
    SelectValueOr(Combo(AV_QUALITY, c), ch.Quality == 0 ? kDefaultQuality : ch.Quality, kDefaultQuality);
    SelectValue(Combo(AV_GOP, c), ch.GOP);
    // A rate text the lists do not hold (the "Unlimited" of another language, a hand-edited
    // file) shows as no cap and as the default rate.
    SelectValueOr(Combo(AV_MAX_RATE, c), ch.MaxBitrate == kUnlimitedRate ? -1 : RateIndex(ch.MaxBitrate), -1);
    SelectValueOr(Combo(AV_RATE, c), RateIndex(ch.Bitrate), RateIndex(kDefaultBitrate));
  }
  m_Sensitivity.SetCurSel(s.AudioSensitive == L"LOW" ? 1 : 0);
  SelectValueOr(m_Volume, s.AudioVolume, 84);

  Layout();

  OnBnClickedSingleStream();
  if (s.StreamMode == kSingleStream) OnBnClickedSingleStream();
  if (s.StreamMode == kDualStream) OnBnClickedDualStream();
  if (s.StreamMode == kTripleStream) OnBnClickedTripleStream();
  m_Sensitivity.EnableWindow(!m_NewFirmware);
  OnEnableChanged();
  return TRUE;
}

void Dlg_AVSet::OnEnableChanged() {
  // The third stream only for the families that have it.
  ShowContent(m_Enable.m_Checked, {&m_Enable}, {HasTripleStream(m_Family) ? nullptr : &m_Triple});
}

void Dlg_AVSet::Layout() {
  const int line = TextHeight();
  const int drop = (kPageControlHeight - line) / 2;
  const int right = kSettingsPageWidth - kMargin;
  MoveControl(m_Enable, kMargin, 8);
  m_Title = CRect(kMargin, 40, right, 40 + line);

  // Stream mode: its label, then the three buttons in a row.
  const int modeY = 68;
  const int modeLabel = TextWidth(LoadLangString(IDS_AV_STREAM_MODE));
  m_LabelLeft = kMargin + kInset;
  m_ModeLabel = CRect(m_LabelLeft, modeY + drop, m_LabelLeft + modeLabel, modeY + drop + line);
  int x = m_ModeLabel.right + kGap + 8;
  for (JButton* b : {&m_Single, &m_Dual, &m_Triple}) {
    MoveInLine(*b, x, modeY);
    x += ControlSize(*b).cx + kGap;
  }

  // The labels' column, then three columns of lists as wide as the room allows.
  int labels = std::max(WidestText(IDS_AV_FIRST_ROW_LABEL, 8), WidestText(IDS_AV_AUDIO_STATE, 3));
  labels = std::max(labels, TextWidth(LoadLangString(IDS_AV_STREAM_SETTINGS)));
  const int columnsLeft = m_LabelLeft + labels + kGap;
  const int columnsRight = right - kInset;
  const int columnWidth = (columnsRight - columnsLeft - 2 * kGap) / 3;
  auto columnX = [&](int c) { return columnsLeft + c * (columnWidth + kGap); };

  const int videoTop = 100;
  m_RowPitch = kRowPitch;
  m_VideoBand = CRect(kMargin, videoTop, right, videoTop + kBandHeight);
  const int firstRow = m_VideoBand.bottom + 4;
  for (int r = 0; r < AV_ROWS; ++r) {
    const int y = firstRow + r * kRowPitch;
    m_RowLabels[r] = CRect(m_LabelLeft, y + drop, columnsLeft - kGap, y + drop + line);
    for (int c = 0; c < 3; ++c) PlaceCombo(m_Streams[r][c], columnX(c), y, columnWidth, kPageControlHeight);
  }
  m_VideoPanel = CRect(kMargin, videoTop, right, firstRow + AV_ROWS * kRowPitch + 1);
  const UINT heads[3] = {IDS_AV_STREAM1, IDS_AV_STREAM2, IDS_AV_STREAM3};
  for (int c = 0; c < 3; ++c) {
    const int w = TextWidth(LoadLangString(heads[c]));
    const int cx = columnX(c) + (columnWidth - w) / 2;
    m_StreamHeads[c] = CRect(cx, videoTop + (kBandHeight - line) / 2, cx + w, videoTop + (kBandHeight - line) / 2 + line);
  }

  // Audio: its state buttons under the first two columns, then its two lists.
  const int audioTop = m_VideoPanel.bottom + 10;
  m_AudioBand = CRect(kMargin, audioTop, right, audioTop + 5);
  const int audioRow = m_AudioBand.bottom + 4;
  for (int i = 0; i < 3; ++i) {
    const int y = audioRow + i * kRowPitch;
    m_RowLabels[AV_ROWS + i] = CRect(m_LabelLeft, y + drop, columnsLeft - kGap, y + drop + line);
  }
  MoveInLine(m_AudioOn, columnX(0), audioRow);
  MoveInLine(m_AudioOff, columnX(1), audioRow);
  PlaceCombo(m_Sensitivity, columnX(0), audioRow + kRowPitch, columnWidth, kPageControlHeight);
  PlaceCombo(m_Volume, columnX(0), audioRow + 2 * kRowPitch, columnWidth, kPageControlHeight);
  m_AudioPanel = CRect(kMargin, audioTop, right, audioRow + 3 * kRowPitch + 1);
}

std::wstring Dlg_AVSet::Codec(int column) const {
  const CComboBox& c = m_Streams[AV_ENCODER][column];
  const int sel = c.GetCurSel();
  if (sel < 0) return std::wstring();
  CString text;
  c.GetLBText(sel, text);
  return text.GetString();
}

void Dlg_AVSet::FillEncoder(int column, const std::vector<std::wstring>& codecs, const std::wstring& keep) {
  JComboBox& c = m_Streams[AV_ENCODER][column];
  c.ResetContent();
  for (const std::wstring& codec : codecs) c.AddString(codec.c_str());
  const int at = c.FindStringExact(-1, keep.c_str());
  c.SetCurSel(at >= 0 ? at : 0);
}

void Dlg_AVSet::LimitEncoderChoices(int source, int target) {
  const std::vector<std::wstring> offered = PairedCodecs(Codec(source));
  FillEncoder(target, offered, KeptCodec(Codec(target), offered));
}

void Dlg_AVSet::EnableRows(int column, std::initializer_list<AvRow> rows, bool enable) {
  for (AvRow r : rows) m_Streams[r][column].EnableWindow(enable);
}

void Dlg_AVSet::UpdateChannelControls(int column) {
  const bool constant = m_Streams[AV_MODE][column].GetCurSel() == 0;
  const bool unlimited = m_Streams[AV_MAX_RATE][column].GetCurSel() == 0;
  const AvColumnEnables e = ColumnEnables(Codec(column), constant, unlimited);
  EnableRows(column, {AV_MODE}, e.mode);
  EnableRows(column, {AV_MAX_RATE}, e.maxRate);
  EnableRows(column, {AV_RATE}, e.rate);
  EnableRows(column, {AV_QUALITY}, e.quality);
  EnableRows(column, {AV_GOP}, e.gop);
}

void Dlg_AVSet::OnBnClickedSingleStream() {
  FillEncoder(0, AllCodecs(), Codec(0));
  for (int c = 1; c < 3; ++c)
    EnableRows(c, {AV_ENCODER, AV_RESOLUTION, AV_FPS, AV_MODE, AV_MAX_RATE, AV_RATE, AV_QUALITY, AV_GOP}, false);
  UpdateChannelControls(0);
}

void Dlg_AVSet::DualSteps() {
  EnableRows(1, {AV_ENCODER, AV_RESOLUTION, AV_FPS}, true);
  EnableRows(2, {AV_ENCODER, AV_RESOLUTION, AV_FPS, AV_MODE, AV_MAX_RATE, AV_RATE, AV_QUALITY, AV_GOP}, false);
  if (m_Dual.m_Checked || m_Triple.m_Checked) {
    LimitEncoderChoices(1, 0);
    LimitEncoderChoices(0, 1);
  }
  UpdateChannelControls(1);
}

void Dlg_AVSet::OnBnClickedDualStream() { DualSteps(); }

void Dlg_AVSet::OnBnClickedTripleStream() {
  DualSteps();
  EnableRows(2, {AV_ENCODER, AV_RESOLUTION, AV_FPS}, true);
  if (m_Triple.m_Checked) {
    LimitEncoderChoices(1, 2);
    LimitEncoderChoices(2, 1);
  }
  UpdateChannelControls(2);
}

BOOL Dlg_AVSet::OnCommand(WPARAM wParam, LPARAM lParam) {
  const UINT id = LOWORD(wParam), code = HIWORD(wParam);
  if (code == BN_CLICKED) {
    if (id == IDC_SINGLE) OnBnClickedSingleStream();
    if (id == IDC_DUAL) OnBnClickedDualStream();
    if (id == IDC_TRIPLE) OnBnClickedTripleStream();
    if (id == IDC_SINGLE || id == IDC_DUAL || id == IDC_TRIPLE) return TRUE;
  }
  if (code == CBN_SELCHANGE) {
    for (int c = 0; c < 3; ++c) {
      const bool encoder = id == kAvComboIds[AV_ENCODER][c];
      if (!encoder && id != kAvComboIds[AV_MODE][c] && id != kAvComboIds[AV_MAX_RATE][c]) continue;
      // A new codec for stream 2 or 3 pairs the neighbours again (which may undo the choice).
      if (encoder && c == 1 && (m_Dual.m_Checked || m_Triple.m_Checked)) {
        LimitEncoderChoices(1, 0);
        LimitEncoderChoices(0, 1);
      }
      if (encoder && c == 2 && m_Triple.m_Checked) {
        LimitEncoderChoices(1, 2);
        LimitEncoderChoices(2, 1);
      }
      UpdateChannelControls(c);
      return TRUE;
    }
  }
  return SettingsPage::OnCommand(wParam, lParam);
}

void Dlg_AVSet::FromDialog(AvSettings& out) const {
  for (int c = 0; c < 3; ++c) {
    AvChannelSettings& ch = out.channels[c];
    ch.Encoder = Codec(c).substr(0, kEncoderChars);
    const int maxRate = SelectedValue(m_Streams[AV_MAX_RATE][c], -1);
    ch.MaxBitrate = maxRate < 0 ? std::wstring(kUnlimitedRate) : RateValues()[static_cast<std::size_t>(maxRate)];
    const int rate = SelectedValue(m_Streams[AV_RATE][c], RateIndex(kDefaultBitrate));
    ch.Bitrate = RateValues()[static_cast<std::size_t>(rate)];
    ch.Resolution = SelectedValue(m_Streams[AV_RESOLUTION][c], -1);
    ch.FPS = SelectedValue(m_Streams[AV_FPS][c], -1);
    const CComboBox& quality = m_Streams[AV_QUALITY][c];
    ch.Quality = quality.IsWindowEnabled() ? SelectedValue(quality, kDefaultQuality) : 0;
    ch.GOP = SelectedValue(m_Streams[AV_GOP][c], 0);
  }
  out.AudioSensitive = m_Sensitivity.GetCurSel() == 0 ? L"HIGH" : L"LOW";
  out.Enable = m_Enable.m_Checked;
  out.AudioEnable = m_AudioOn.m_Checked;
  out.StreamMode = m_Single.m_Checked ? kSingleStream : m_Dual.m_Checked ? kDualStream : kTripleStream;
  out.AudioVolume = SelectedValue(m_Volume, out.AudioVolume);
}

std::vector<PageLabel> Dlg_AVSet::Labels() const {
  std::vector<PageLabel> out;
  out.push_back(PageLabel{m_Title, LoadLangString(IDS_AV_TITLE), kPageTitleColour});
  if (!m_Enable.m_Checked) return out;
  out.push_back(PageLabel{m_ModeLabel, LoadLangString(IDS_AV_STREAM_MODE), SKIN_TEXT_COLOUR});
  const int line = TextHeight();
  const int bandTextTop = m_VideoBand.top + (kBandHeight - line) / 2;
  out.push_back(PageLabel{CRect(m_LabelLeft, bandTextTop, m_RowLabels[0].right, bandTextTop + line),
                          LoadLangString(IDS_AV_STREAM_SETTINGS), SKIN_TEXT_COLOUR});
  const UINT heads[3] = {IDS_AV_STREAM1, IDS_AV_STREAM2, IDS_AV_STREAM3};
  for (int c = 0; c < 3; ++c) out.push_back(PageLabel{m_StreamHeads[c], LoadLangString(heads[c]), SKIN_TEXT_COLOUR});
  for (int r = 0; r < AV_ROWS; ++r)
    out.push_back(PageLabel{m_RowLabels[r], LoadLangString(IDS_AV_FIRST_ROW_LABEL + static_cast<UINT>(r)), SKIN_TEXT_COLOUR});
  for (int i = 0; i < 3; ++i)
    out.push_back(
        PageLabel{m_RowLabels[AV_ROWS + i], LoadLangString(IDS_AV_AUDIO_STATE + static_cast<UINT>(i)), SKIN_TEXT_COLOUR});
  return out;
}

void Dlg_AVSet::DrawSkin(CDC* dc) {
  DrawTitleRule(dc, m_Title);
  auto panel = [&](const CRect& all, const CRect& band, int rows) {
    dc->FillSolidRect(&all, kPageRuleColour);
    dc->FillSolidRect(all.left + 1, band.bottom, all.Width() - 2, all.bottom - band.bottom - 1, kPagePanelColour);
    // A line under every row but the last.
    for (int r = 1; r < rows; ++r)
      dc->FillSolidRect(all.left + 1, band.bottom + 4 + r * m_RowPitch - 3, all.Width() - 2, 1, RGB(0xFF, 0xFF, 0xFF));
  };
  if (m_Enable.m_Checked) {
    panel(m_VideoPanel, m_VideoBand, AV_ROWS);
    panel(m_AudioPanel, m_AudioBand, 3);
  }
  SettingsPage::DrawSkin(dc);
}
