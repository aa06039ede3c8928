#include "app/device_list/device_csv.h"

#include <cstdio>
#include <cwchar>

#include "app/settings_file/utf16_text.h"
#include "port/exe_file.h"

std::wstring ScanStamp(const std::tm& t) {
  wchar_t buf[32];
  std::swprintf(buf, sizeof buf / sizeof buf[0], L"%02d%02d%02d%02d%02d%02d", t.tm_year + 1900 - 2000,
                t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
  return buf;
}

std::wstring CsvFilePath(const std::wstring& folder, const std::wstring& stamp) {
  std::wstring path = folder;
  if (path.empty() || (path.back() != L'\\' && path.back() != L'/')) path += L'\\';
  return path + L"Dorvik_" + stamp + L".csv";
}

std::wstring CsvField(const std::wstring& text) {
  // A spreadsheet takes a field that begins with one of these for a formula.
  const bool formula = !text.empty() && (text[0] == L'=' || text[0] == L'+' || text[0] == L'-' || text[0] == L'@');
  const std::wstring value = formula ? L"'" + text : text;
  if (value.find_first_of(L",\"\r\n") == std::wstring::npos) return value;
  std::wstring out = L"\"";
  for (wchar_t c : value) {
    if (c == L'"') out += L'"';
    out += c;
  }
  return out + L"\"";
}

std::wstring CsvHeaderLine(bool withName) {
  return withName ? L"IP Address,Serial No.,Camera Name,MAC Address,FW Version,Model,Multicast IP\n"
                  : L"IP Address,Serial No.,MAC Address,FW Version,Model,Multicast IP\n";
}

std::wstring CsvDeviceLine(const DeviceRecord& r, bool withName) {
  std::wstring line = CsvField(r[SLOT_IP]) + L',' + CsvField(r[SLOT_SERIAL]) + L',';
  if (withName) line += CsvField(r[SLOT_CAMERA_NAME]) + L',';
  line += CsvField(r[SLOT_MAC]) + L',' + CsvField(r[SLOT_FIRMWARE]) + L',' +
          CsvField(r[SLOT_MODEL]) + L',' + CsvField(r[SLOT_MULTICAST_IP]) + L'\n';
  return line;
}

DeviceListExport::~DeviceListExport() { Close(); }

void DeviceListExport::Close() {
  if (m_file) std::fclose(m_file);
  m_file = nullptr;
}

void DeviceListExport::Begin(const std::wstring& folder, const std::wstring& stamp) {
  Close();
  m_path = CsvFilePath(folder, stamp);
  m_headerPending = true;
}

bool DeviceListExport::Append(const DeviceRecord& record, bool withName) {
  if (m_path.empty()) return false;
  // A search adds its rows one by one, hundreds a second: the file is opened once and
  // each line is flushed, so that it is on disk the moment its row is in the grid.
  if (!m_file) m_file = port::OpenFile(m_path, L"ab");
  if (!m_file) return false;
  std::string bytes;
  if (m_headerPending) AppendUtf16Le(bytes, CsvHeaderLine(withName));
  AppendUtf16Le(bytes, CsvDeviceLine(record, withName));
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), m_file) == bytes.size() &&
                  std::fflush(m_file) == 0;
  if (!ok) {
    Close();
    return false;
  }
  m_headerPending = false;
  return true;
}
