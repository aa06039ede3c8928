// The adapter list from the IP Helper service, and the shell pickers of the Windows build.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <cwctype>
#include <string>
#include <vector>

#include "device/adapters.h"
#include "device/pickers.h"

namespace {

bool IsDotted(const std::wstring& s) {
  int dots = 0, digits = 0;
  for (wchar_t c : s) {
    if (c == L'.') {
      if (digits == 0) return false;
      ++dots;
      digits = 0;
    } else if (std::iswdigit(c) && ++digits <= 3) {
    } else {
      return false;
    }
  }
  return dots == 3 && digits > 0;
}

TEST(AdaptersWin, EntriesAreAddressSlashMaskInTheSystemsOrder) {
  std::vector<std::wstring> list = {L"first"};
  EnumLocalAdapters(list);
  ASSERT_GE(list.size(), 2u) << "no adapter with an IPv4 address";
  EXPECT_EQ(list[0], L"first");  // appended, never replaced
  for (std::size_t i = 1; i < list.size(); ++i) {
    std::size_t sep = list[i].find(L" / ");
    ASSERT_NE(sep, std::wstring::npos) << i;
    EXPECT_TRUE(IsDotted(list[i].substr(0, sep))) << i;
    EXPECT_TRUE(IsDotted(list[i].substr(sep + 3))) << i;
  }
  // The same walk done here by hand: adapters in order, each one's addresses in order.
  ULONG size = 0;
  ASSERT_EQ(GetAdaptersInfo(nullptr, &size), static_cast<DWORD>(ERROR_BUFFER_OVERFLOW));
  std::vector<unsigned char> mem(size);
  auto* info = reinterpret_cast<PIP_ADAPTER_INFO>(mem.data());
  ASSERT_EQ(GetAdaptersInfo(info, &size), static_cast<DWORD>(NO_ERROR));
  std::vector<std::wstring> expect = {L"first"};
  for (auto* a = info; a; a = a->Next)
    for (auto* s = &a->IpAddressList; s; s = s->Next) {
      if (s->Context == 0 && std::string(s->IpAddress.String) == "0.0.0.0") break;
      std::string e = std::string(s->IpAddress.String) + " / " + s->IpMask.String;
      expect.push_back(std::wstring(e.begin(), e.end()));
    }
  EXPECT_EQ(list, expect);
}

TEST(PickersWin, PickersExistAndFiltersTakeTheDialogsForm) {
  std::wstring (*folder)(HWND) = &BrowseForFolder;
  std::wstring (*file)(const std::wstring&) = &SelectFile;
  EXPECT_NE(folder, nullptr);
  EXPECT_NE(file, nullptr);
  std::wstring f = FilterForDialog(L"Config. Restore|*.bin||");
  EXPECT_EQ(f, std::wstring(L"Config. Restore\0*.bin\0\0\0\0", 25));
  f = FilterForDialog(L"Firmware UPG|*.upg");
  EXPECT_EQ(f, std::wstring(L"Firmware UPG\0*.upg\0\0", 20));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
