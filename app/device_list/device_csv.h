// The device-list export: one CSV file per search in the executable's folder, named after
// the search's stamp, to which every row added to the grid is appended as one line.
// UTF-16LE without byte-order mark, each line ending in one line feed.
#pragma once
#include <cstdio>
#include <ctime>
#include <string>

#include "device/device_record.h"

// The stamp of a search: year - 2000, month, day, hour, minute, second, two digits each.
std::wstring ScanStamp(const std::tm& local);
// folder + "Dorvik_<stamp>.csv" (a backslash is put between when the folder does not end in
// a path separator).
std::wstring CsvFilePath(const std::wstring& folder, const std::wstring& stamp);

// One field as written: a value that begins with "=", "+", "-" or "@" (a spreadsheet would
// take it for a formula) gets a leading apostrophe; a value holding a comma, a double quote or
// a line break is put in double quotes with each quote doubled; every other value is written
// as it is.
std::wstring CsvField(const std::wstring& value);
// The header and device lines, with their line feed. withName adds the camera-name column.
std::wstring CsvHeaderLine(bool withName);
std::wstring CsvDeviceLine(const DeviceRecord& record, bool withName);

class DeviceListExport {
 public:
  DeviceListExport() = default;
  ~DeviceListExport();
  DeviceListExport(const DeviceListExport&) = delete;
  DeviceListExport& operator=(const DeviceListExport&) = delete;

  // A new search: the previous search's file is closed; a new file name and a header line
  // pending.
  void Begin(const std::wstring& folder, const std::wstring& stamp);
  // Appends the record's line (after the header line when it is pending) and flushes it to
  // the file, which stays open for the search's next lines. A file that cannot be opened or
  // written loses the line silently and keeps the header pending (it is opened again for
  // the next line). False then.
  bool Append(const DeviceRecord& record, bool withName);
  // Closes the file (the next line opens it again).
  void Close();

  bool HeaderPending() const { return m_headerPending; }
  const std::wstring& FilePath() const { return m_path; }

 private:
  std::wstring m_path;
  std::FILE* m_file = nullptr;
  bool m_headerPending = false;
};
