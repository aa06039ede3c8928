// The device-log worker: one thread asks every checked device for its black-box messages
// (GET_BLACKBOX_MSG of the "test" program) and saves each answer as a "_BlackBox.txt" file in
// the chosen folder.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/batch/batch_operation.h"

constexpr std::size_t kDeviceLogBufferSize = 5242880;  // 5 MiB, one buffer for the batch
constexpr std::int64_t kDeviceLogTimeoutMs = 90000;
constexpr wchar_t kBlackBoxFileSuffix[] = L"_BlackBox.txt";

// Row results of a device log.
constexpr int kLogSaved = 508;           // "Success"
constexpr int kLogNotSaved = 513;        // "Failed": the file could not be written, or no buffer
constexpr int kLogNoAnswer = 524;        // "Connection fail"
constexpr int kLogUnknownCommand = 537;  // the device answered "GET_BLACKBOX_MSG not found"
constexpr int kLogLoginRefused = 538;    // "Fail in authentication ..."

// "<folder><serial>_<YYYYMMDD_HHMMSS>_BlackBox.txt", the serial number made safe for a file
// name; copy n > 0 adds "_<n + 1>" before the suffix.
std::wstring DeviceLogFileName(const std::wstring& folder, const std::wstring& serial, const std::wstring& stamp,
                               int copy = 0);

// The verdict on one device's answer (n as DeviceRequests::GetCgi returns it, the buffer
// NUL-terminated): 508 for an answer, 538 for a refused login, 524 for none, and 537 whenever
// the buffer holds the command's name followed by " not found".
int DeviceLogVerdict(int n, const char* buffer);

// Asks each row's device for its log in turn, using `buffer` (NUL-terminated answers of up to
// size - 1 bytes), and writes each answer to a new file in `folder`: an existing file is never
// replaced (a second log of the same name gets the next copy number) and a file is written
// whole or not at all. Reports each row's verdict, 513 when its file could not be written. A
// stopped batch reports nothing more.
void CollectDeviceLogs(const BatchContext& context, const std::vector<BatchRow>& rows, const std::wstring& folder,
                       char* buffer, std::size_t size);

// The same with the batch's 5 MiB buffer; when it cannot be had, every row ends in 513.
void RunDeviceLogs(const BatchContext& context, const std::vector<BatchRow>& rows, const std::wstring& folder);
