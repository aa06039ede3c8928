#include "app/batch/config_backup.h"

#include <cwctype>
#include <set>

#include "app/settings_file/settings_file.h"
#include "app/batch/upgrade_batch.h"
#include "device/cgi_urls.h"
#include "device/config_file.h"
#include "device/model_tests.h"

namespace {

const wchar_t kProfileQuery[] = L"/cgi-bin/cmd/system?CHANNEL=1&SYSTEM_INFO";

// The whole reply to a request: a reply that fills the buffer may go on beyond it, so it is
// asked for again with a larger buffer, up to kBackupReplyLimit. The byte count, or a failure
// of the request (0 or below); -1 when even the largest buffer is filled.
int GetWholeReply(const BatchContext& context, const std::wstring& host, const std::wstring& path,
                  std::vector<char>& buffer) {
  std::size_t size = kBackupReplySize;
  for (;;) {
    buffer.assign(size, '\0');
    const int n = context.GetCgi(host, path, buffer.data(), static_cast<int>(size), kBackupTimeoutMs, false);
    if (n <= 0 || static_cast<std::size_t>(n) + 1 < size) return n;
    if (size >= kBackupReplyLimit || context.Stopped()) return -1;
    size *= 4;
    if (size > kBackupReplyLimit) size = kBackupReplyLimit;
  }
}

int BackUpEntry(const BatchContext& context, const BackupEntry& e, const std::wstring& path) {
  const bool binary = IsBinaryBackup(e.firmware);
  std::string header;
  std::vector<char> reply;
  if (!binary) {
    // The Profile ID for the header; a device that does not tell it gets an empty one.
    const int n = GetWholeReply(context, e.host, kProfileQuery, reply);
    header = BuildIniHeader(e.firmware, e.channel, n > 0 ? ProfileIdOf(reply.data()) : std::string());
  }
  const int n = GetWholeReply(context, e.host, BuildConfigGetUrl(e.channel), reply);
  if (n <= 0) return kBackupFailed;
  std::string bytes = header;
  bytes.append(reply.data(), static_cast<std::size_t>(n));
  return ReplaceFileContents(path, bytes) ? kBackupOk : kBackupFailed;
}

}  // namespace

std::vector<BackupEntry> BackupEntries(const BatchSelection& selection) {
  std::vector<BackupEntry> out;
  for (const BatchRow& r : selection.rows) {
    BackupEntry e;
    e.host = r.ip;
    e.mac = r.mac;
    e.firmware = r.firmware;
    for (const auto& c : r.channels) {
      e.row = c.first;
      e.channel = ChannelNumberOf(c.second);
      out.push_back(e);
    }
    e.row = r.row;
    // A multi-channel device's own configuration is channel 0, also when its channel rows
    // are not there: its file then carries its model code and is the one a restore of the
    // device's own configuration looks for.
    e.channel = r.channels.empty() && IsFamilyModel(r.firmware) == 0 ? 1 : 0;
    out.push_back(e);
  }
  return out;
}

void RunBackup(const BatchContext& context, const std::vector<BackupEntry>& entries, const std::wstring& folder,
               const std::wstring& date) {
  std::set<std::wstring> written;  // the names of the files this backup has written
  for (const BackupEntry& e : entries) {
    if (context.Stopped()) return;
    const std::wstring path = BackupFileName(folder, e.mac, e.channel, date, IsBinaryBackup(e.firmware));
    // Two devices with equal MAC texts (an empty one, as a rule) would share a file name: the
    // first that is saved keeps it and a later one is refused, never written over it.
    std::wstring key = path;  // file names compare without case on Windows
    for (wchar_t& c : key) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    int result = kBackupFailed;
    if (written.count(key) == 0) {
      result = BackUpEntry(context, e, path);
      if (result == kBackupOk) written.insert(key);
    }
    if (context.Stopped()) return;
    context.Status(e.row, result);
  }
}
