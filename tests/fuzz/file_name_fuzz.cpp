// File names and the patterns that choose upgrade files: any name against any pattern, a
// device's text as a pattern matching itself alone, the patterns built from a device's texts,
// and the path splitter.
#include "device/helpers.h"
#include "device/upgrade_files.h"
#include "device/upgrade_job.h"
#include "device/upgrade_rules.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  const unsigned kind = in.Byte() % 10;
  const std::wstring name = fuzz::Wide(in.Part()).substr(0, 300);
  const std::wstring pattern = fuzz::Wide(in.Part()).substr(0, 300);
  MatchesFilePattern(name, pattern);
  // A device's text stands for itself, and for nothing longer.
  FUZZ_CHECK(MatchesFilePattern(name, LiteralPattern(name)));
  FUZZ_CHECK(!MatchesFilePattern(name + L"x", LiteralPattern(name)));
  const std::wstring fileName = SplitFileName(name, true);
  FUZZ_CHECK(fileName.find(L'\\') == std::wstring::npos);
  SplitFileName(name, false);
  FileNameOf(name, false);
  const std::wstring found = FindFiles(static_cast<int>(in.Byte() % 5), kind, pattern, name);
  // Wild cards in what the device reported are never wild in the pattern built from it.
  // (An early 0300 release is first sent through a staged file whose name is fixed text.)
  const bool staged = found == L"C0300-V1.01.04.bin" || found == L"C0300-V1.01.06.bin";
  if (kind == UPGRADE_FIRMWARE && pattern.size() >= 7) {
    if (staged)
      FUZZ_CHECK(pattern.compare(1, 4, L"0300") == 0);
    else
      FUZZ_CHECK(found.compare(0, LiteralPattern(pattern.substr(0, 7)).size(), LiteralPattern(pattern.substr(0, 7))) == 0);
  }
  return 0;
}
