// The configuration backup files: their names, the "#INFO" line that heads the .ini form, and
// reading that line back before a file is restored.
//
//   <folder>Conf_<MAC without ':'>_<channel, 2 digits>_<YYYYMMDD>.ini   "#INFO,<model>,<profile>\n"
//   <folder>Conf_<MAC without ':'>_<channel, 2 digits>_<YYYYMMDD>.bin   the device's bytes only
//
// The .bin form is for devices whose firmware text carries the platform version token.
#pragma once
#include <cstddef>
#include <ctime>
#include <string>

// The longest "#INFO" line, its line feed included.
constexpr std::size_t kIniHeaderMax = 31;

// The Profile ID in a device's SYSTEM_INFO reply (NUL-terminated): the value of the line
// "Profile ID = " (at most 31 characters), cut at its first '-', without a trailing CR or
// blanks. Empty when the reply has no such line.
std::string ProfileIdOf(const char* reply);

// The header line of a device's or a channel's .ini backup: "#INFO,K7W-320,<profile>\n" for a
// channel (channel above 0) of a multi-channel device, "#INFO,<first 7 characters of the
// firmware text>,<profile>\n" otherwise. The device's texts are ASCII there: a control
// character, blank, comma or non-ASCII character becomes '_', and an empty firmware text gives
// the model "_", so the line always reads back as it was written. Never longer than
// kIniHeaderMax: the Profile ID is cut to fit, and the line always ends with its line feed.
std::string BuildIniHeader(const std::wstring& firmware, int channel, const std::string& profileId);

// Reads an "#INFO" line as "#INFO, %[^, ], %s" reads it: the model (no comma or blank in it)
// and the Profile ID (the next word, may be missing). False when the line does not begin with
// "#INFO," or names no model.
bool ParseIniHeader(const std::string& line, std::string* model, std::string* profileId);

// The first line of a file, at most kIniHeaderMax characters (its line feed kept). False when
// the file cannot be opened.
bool ReadFirstLine(const std::wstring& path, std::string* line);

// What a restore may send: 0 when the file can go to a device, kRestoreFileUnreadable when it
// cannot be read, kRestoreFileWrongType for an .ini whose first line is no "#INFO" header.
// Files of other kinds (.bin) carry no header and are taken as they are.
constexpr int kRestoreFileUnreadable = 523;  // "Fail in finding configuration file"
constexpr int kRestoreFileWrongType = 553;    // "Incorrect upload file type"
int CheckRestoreFileForm(const std::wstring& path);

// A device text (serial number, MAC) made fit for a file name: path separators, characters
// that file names cannot hold and control characters become '_', so that no device text can
// lead a file outside its folder.
std::wstring SafeFileNamePart(const std::wstring& text);

// The folder with a separator at its end (either kind of separator is kept as it is).
std::wstring FolderWithSeparator(const std::wstring& folder);

// "%Y%m%d" of a local time.
std::wstring BackupDateText(const std::tm& local);

// The backup file of one device or channel.
std::wstring BackupFileName(const std::wstring& folder, const std::wstring& mac, int channel,
                            const std::wstring& date, bool binary);

// True when a device's configuration is kept as .bin (its firmware text carries the platform
// version token), else as .ini.
bool IsBinaryBackup(const std::wstring& firmware);
