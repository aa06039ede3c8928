// The settings file: reading what the private-profile API writes, the section order at
// close, and the one-step replacement that never leaves the file missing or half-written.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/settings_file/settings_file.h"
#include "app/settings_file/utf16_text.h"
#include "port/exe_file.h"

namespace {

std::wstring TempDir() {
  std::wstring exe = port::ExecutablePath();
  EXPECT_FALSE(exe.empty());
  return FolderOfPath(exe);
}

bool Exists(const std::wstring& path) {
  std::FILE* f = port::OpenFile(path, L"rb");
  if (f) std::fclose(f);
  return f != nullptr;
}

TEST(IniDocument, ReadsPrivateProfileText) {
  IniDocument d;
  d.Parse(
      "; comment\r\n"
      "[language]\r\n"
      "LANGUAGE = 1041 \r\n"
      "[FW_DATA]\r\n"
      "Folder=\"C:\\fw\\\"\r\n"
      "Empty=\r\n"
      "Folder=second ignored\r\n"
      "Bad=x12\n"  // a bare LF ends a line too
      "[MANUAL_IP]\n"
      "IP_01=10.1.0.5\n");
  // Names compare without case; blanks around values go; one pair of quotes goes.
  EXPECT_EQ(d.GetInt(L"LANGUAGE", L"language", 1024), 1041);
  EXPECT_EQ(d.Get(L"fw_data", L"FOLDER"), L"C:\\fw\\");
  EXPECT_TRUE(d.Has(L"FW_DATA", L"Empty"));
  EXPECT_EQ(d.Get(L"FW_DATA", L"Empty", L"def"), L"");
  EXPECT_EQ(d.Get(L"FW_DATA", L"Missing", L"def"), L"def");
  EXPECT_EQ(d.GetInt(L"FW_DATA", L"Bad", 7), 7);
  EXPECT_EQ(d.GetInt(L"FW_DATA", L"Missing", -3), -3);
  EXPECT_EQ(d.Get(L"MANUAL_IP", L"IP_01"), L"10.1.0.5");
  EXPECT_EQ(ReadLanguageId(IniDocument()), 1024);

  // A file with a UTF-16LE byte-order mark (what the wide API keeps when it finds one).
  std::string wide = "\xFF\xFE";
  AppendUtf16Le(wide, L"[URL_DATA]\r\nCmd1=/cgi-bin/cmd/system?A=\x00e9\r\n");
  IniDocument w;
  w.Parse(wide);
  EXPECT_EQ(w.Get(L"URL_DATA", L"Cmd1"), L"/cgi-bin/cmd/system?A=\x00e9");
}

TEST(IniDocument, WritesEverySectionInTheCloseOrderLanguageLast) {
  IniDocument d;
  d.Parse("[LANGUAGE]\r\nLANGUAGE=1031\r\n[OLD]\r\nx=1\r\n[DT_DATA]\r\nEnable=0\r\nZone=5\r\n");
  d.Set(L"DT_DATA", L"Zone", L"6");
  d.Set(L"DT_DATA", L"New", L"a\r\nb");  // a line break would split the key
  WriteLanguageId(d, 1033);
  const std::string text = d.Serialize(SettingsSectionOrder());
  // UTF-16LE with its byte-order mark.
  ASSERT_GE(text.size(), 2u);
  EXPECT_EQ(text.substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(DecodeUtf16Le(text, 2),
            L"[MANUAL_IP]\r\n\r\n[FW_DATA]\r\n\r\n[RS_DATA]\r\n\r\n"
            L"[DT_DATA]\r\nEnable=0\r\nZone=6\r\nNew=ab\r\n\r\n"
            L"[AV_DATA]\r\n\r\n[MT_DATA]\r\n\r\n[URL_DATA]\r\n\r\n"
            L"[LANGUAGE]\r\nLANGUAGE=1033\r\n");
  // What was written reads back the same.
  IniDocument again;
  again.Parse(text);
  EXPECT_EQ(again.SectionNames(), SettingsSectionOrder());
  EXPECT_EQ(again.Get(L"DT_DATA", L"Zone"), L"6");
  EXPECT_EQ(ReadLanguageId(again), 1033);
}

TEST(IniDocument, EveryTextAValueHoldsReadsBackTheSame) {
  const std::wstring values[] = {
      L"",
      L"plain",
      L"C:\\Program Files\\Dorvik\\fw\\",
      L"\x00e9t\x00e9 \x6444\x50cf\x6a5f \x0416",  // outside any one code page
      L"\U0001F600 astral",
      L"\xD800",               // unpaired surrogates, as a path on Windows may hold them
      L"a\xDC00" L"b",
      L"\xDBFF",
      L" leading and trailing blanks ",
      L"\ttab",
      L"\"quoted\"",
      L"'single'",
      L"\"",
      L"'",
      L"\"\"",
      L"\"inner\" and \"outer\"",
      L";not a comment",
      L"[not a section]",
      L"key=value=more",
      L"/cgi-bin/cmd/system?A=1&B='x'",
  };
  IniDocument d;
  int n = 0;
  for (const std::wstring& v : values) d.Set(L"URL_DATA", L"Cmd" + std::to_wstring(++n), v);
  IniDocument back;
  back.Parse(d.Serialize(SettingsSectionOrder()));
  n = 0;
  for (const std::wstring& v : values) {
    const std::wstring got = back.Get(L"URL_DATA", L"Cmd" + std::to_wstring(++n), L"<missing>");
    EXPECT_EQ(got, v) << "value " << n;
  }
  // What a file held reads the same after the program has written it again.
  IniDocument loaded;
  loaded.Parse("[FW_DATA]\r\nFolder=\"C:\\fw\\\"\r\nPlain=  x  \r\n");
  IniDocument rewritten;
  rewritten.Parse(loaded.Serialize({L"FW_DATA"}));
  EXPECT_EQ(rewritten.Get(L"FW_DATA", L"Folder"), L"C:\\fw\\");
  EXPECT_EQ(rewritten.Get(L"FW_DATA", L"Plain"), L"x");
}

TEST(SettingsFile, PathIsCutAfterTheLastBackslash) {
  struct Case { const wchar_t* exe; const wchar_t* folder; } cases[] = {
      {L"C:\\Program Files\\Dorvik\\Dorvik.exe", L"C:\\Program Files\\Dorvik\\"},
      {L"C:\\a\\a-very-long-executable-name-that-goes-on-and-on-and-on.exe", L"C:\\a\\"},
      {L"/opt/dorvik/bin/Dorvik", L"/opt/dorvik/bin/"},
      {L"Dorvik.exe", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(FolderOfPath(c.exe), c.folder) << c.exe;
  EXPECT_EQ(SettingsFilePath(), ExecutableFolder() + L"Dorvik_Setting.ini");
}

TEST(SettingsFile, ReplacementKeepsTheOldFileUntilTheNewOneIsComplete) {
  const std::wstring path = TempDir() + L"app_settings_test.ini";
  port::RemoveFile(path);
  ASSERT_TRUE(ReplaceFileContents(path, "[LANGUAGE]\r\nLANGUAGE=1033\r\n"));
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(path, bytes));
  EXPECT_EQ(bytes, "[LANGUAGE]\r\nLANGUAGE=1033\r\n");

  // A second write replaces the whole file; no temporary file is left beside it.
  ASSERT_TRUE(ReplaceFileContents(path, "[MANUAL_IP]\r\n"));
  ASSERT_TRUE(ReadWholeFile(path, bytes));
  EXPECT_EQ(bytes, "[MANUAL_IP]\r\n");
  EXPECT_FALSE(Exists(path + L".new"));

  // When the new content cannot be written, the old file stays as it was.
  const std::wstring inMissingFolder = TempDir() + L"no-such-folder/x.ini";
  EXPECT_FALSE(ReplaceFileContents(inMissingFolder, "x"));
  port::RemoveFile(path);
}

TEST(SettingsStore, WritesNothingUnlessArmedAndKeepsUnsavedSections) {
  const std::wstring path = TempDir() + L"app_settings_store.ini";
  ASSERT_TRUE(ReplaceFileContents(path, "[FW_DATA]\r\nFolder=C:\\fw\\\r\n[LANGUAGE]\r\nLANGUAGE=1041\r\n"));

  SettingsStore early(path);  // a copy that ends during start-up
  early.Load();
  early.Document().ClearSection(L"FW_DATA");
  EXPECT_FALSE(early.Save());
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(path, bytes));
  EXPECT_NE(bytes.find("Folder=C:\\fw\\"), std::string::npos);

  SettingsStore run(path);
  run.Load();
  EXPECT_EQ(ReadLanguageId(run.Document()), 1041);
  run.Arm();
  run.Document().Set(L"MANUAL_IP", L"IP_01", L"10.1.0.5");
  WriteLanguageId(run.Document(), 1033);
  ASSERT_TRUE(run.Save());
  IniDocument back;
  ASSERT_TRUE(ReadWholeFile(path, bytes));
  back.Parse(bytes);
  EXPECT_EQ(back.SectionNames(), SettingsSectionOrder());
  EXPECT_EQ(back.Get(L"FW_DATA", L"Folder"), L"C:\\fw\\");  // no saver touched it: kept
  EXPECT_EQ(back.Get(L"MANUAL_IP", L"IP_01"), L"10.1.0.5");
  EXPECT_EQ(ReadLanguageId(back), 1033);

  // A missing file loads as empty sections.
  port::RemoveFile(path);
  SettingsStore fresh(path);
  fresh.Load();
  EXPECT_TRUE(fresh.Document().SectionNames().empty());
}

}  // namespace

#include "app/device_list/manual_ip_settings.h"
#include "device/http_port_map.h"

namespace {

TEST(ManualIpSection, ListEndsAtTheFirstIncompleteEntryAndRoundTrips) {
  IniDocument d;
  d.Parse(
      "[MANUAL_IP]\r\nIP_01=10.3.0.1\r\nMAC_01=00:00:00:00:03:01\r\nHTTP_01=8081\r\n"
      "IP_02=10.3.0.2\r\nMAC_02=00:00:00:00:03:02\r\nHTTP_02=80\r\n"
      "IP_03=10.3.0.3\r\nMAC_03=00:00:00:00:03:03\r\nHTTP_03=80\r\n"
      "IP_05=10.3.0.5\r\nMAC_05=00:00:00:00:03:05\r\nHTTP_05=80\r\n"
      "IP_06=10.3.0.6\r\nHTTP_06=80\r\n");
  std::map<std::wstring, std::wstring> devices;
  LoadManualIpSection(d, devices);
  ASSERT_EQ(devices.size(), 3u);
  EXPECT_EQ(devices[L"10.3.0.2"], L"00:00:00:00:03:02");
  EXPECT_EQ(g_HttpPortMap.Get(L"10.3.0.1"), 8081);

  IniDocument out;
  SaveManualIpSection(out, devices);
  EXPECT_EQ(out.Get(L"MANUAL_IP", L"IP_01"), L"10.3.0.1");
  EXPECT_EQ(out.Get(L"MANUAL_IP", L"HTTP_01"), L"8081");
  EXPECT_EQ(out.Get(L"MANUAL_IP", L"MAC_03"), L"00:00:00:00:03:03");
  EXPECT_FALSE(out.Has(L"MANUAL_IP", L"IP_04"));
  std::map<std::wstring, std::wstring> again;
  LoadManualIpSection(out, again);
  EXPECT_EQ(again, devices);

  // A port outside 1..65535 keeps the device but not the port: it is asked at 80.
  IniDocument far;
  far.Parse("[MANUAL_IP]\r\nIP_01=10.3.0.9\r\nMAC_01=00:00:00:00:03:09\r\nHTTP_01=70000\r\n");
  std::map<std::wstring, std::wstring> one;
  LoadManualIpSection(far, one);
  EXPECT_EQ(one.size(), 1u);
  EXPECT_EQ(g_HttpPortMap.Get(L"10.3.0.9"), 0);
  EXPECT_EQ(ResolveHttpPort(L"10.3.0.9"), 80);
}

}  // namespace
