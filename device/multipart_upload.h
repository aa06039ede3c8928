// Sends an upgrade or configuration file to a device as a multipart/form-data POST written
// onto a plain TCP connection, and judges the device's answer.
#pragma once
#include <atomic>
#include <cstddef>
#include <functional>
#include <string>

#include "device/upgrade_clock.h"
#include "device/upgrade_io.h"
#include "device/upgrade_job.h"

class JSocket;

// The fixed boundary of every upload, and its delimiter line (two more leading '-').
constexpr const char* kUploadBoundary = "---------------------------7d72d818540206";
constexpr const char* kUploadDelimiter = "-----------------------------7d72d818540206";

// What an upload needs besides the job: device requests, the clock of its waits, a stop
// request that ends the wait for the answer, and its limits.
struct UploadContext {
  UpgradeIo* io = nullptr;                    // null: the HTTP client
  const UpgradeClock* clock = nullptr;        // null: the real clock
  const std::atomic<bool>* stop = nullptr;    // may be null
  int sendStallMs = 60000;                    // a send that makes no progress this long fails
  std::int64_t replyDeadlineMs = 900000;      // on the clock, from the end of the sends
};

// The request head: every line of the upload's head, ending with the empty line.
std::string BuildUploadHead(const std::string& postPath, const std::string& referer, const std::string& host,
                            std::size_t contentLength);
// The text before a file's bytes (delimiter, disposition with field and file name, type,
// empty line); the file's bytes follow, then CR LF.
std::string BuildFilePartHead(const std::string& field, const std::string& fileName, const char* contentType);
// The closing part: the submit field with "Apply", the closing delimiter and one NUL byte.
std::string BuildClosingPart(const std::string& submitName);
// The whole body of an upload whose files hold `first` and `second` (second part left out
// when secondName is empty).
std::string BuildUploadBody(const UpgradeForm& form, const std::string& firstName, const std::string& first,
                            const std::string& secondName, const std::string& second);

// The verdict on the device's answer, read from its final reply (interim 1xx replies before
// it are passed over): 525 when that reply's first piece is an HTTP status of 400 or above or
// holds "ERR", "err" or "Err", or when no final reply came; else 508.
int JudgeUploadReply(const char* data, std::size_t length);

// Uploads the job's file(s) (or, for kind 9, asks the device to fetch its firmware), sending
// 520 to owner just before the request goes out. Returns 508, 522, 523, 524, 525, 526 or 527.
int PostFile(UpgradeEvents* owner, const std::wstring& updatePath, const UpgradeJob& job, const UpgradeForm& form,
             const UploadContext& context = UploadContext());

// Writes the body of an upload onto the connection: 508 when every byte went out, 525 when
// a send failed, 522 or 523 when a file gave fewer bytes than it was measured to have.
using UploadBodyWriter = std::function<int(JSocket& connection)>;

// Sends the head and the body on the connection (which it closes) and waits for the answer;
// for kind 9 (connection null) one GET of the update path. 508, 522, 523, 525 or 526.
int SendAndWait(JSocket* connection, const UpgradeJob& job, const std::string& head, const UploadBodyWriter& body,
                const std::wstring& updatePath, const UploadContext& context);
