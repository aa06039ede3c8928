// The settings file's new content reaches the disk before it replaces the old file: the
// temporary file is flushed to the disk (fsync) before the rename. Watched by standing in for
// the C library's fsync and rename in this test program (POSIX builds without a sanitizer,
// whose run-time library has its own stand-ins for them).
#include <gtest/gtest.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define DORVIK_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define DORVIK_SANITIZED 1
#endif

#if !defined(_WIN32) && !defined(DORVIK_SANITIZED)
#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "app/settings_file/settings_file.h"
#include "port/exe_file.h"

namespace {

std::atomic<bool> g_watch{false};
std::mutex g_lock;
std::vector<std::string> g_calls;

std::string PathOf(int fd) {
  char buf[4096];
  ssize_t n = readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), buf, sizeof buf - 1);
  return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

void Note(const std::string& call) {
  if (!g_watch) return;
  std::lock_guard<std::mutex> l(g_lock);
  g_calls.push_back(call);
}

std::string Base(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

}  // namespace

extern "C" int fsync(int fd) {
  using Fn = int (*)(int);
  static Fn real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "fsync"));
  Note("fsync " + Base(PathOf(fd)));
  return real(fd);
}

extern "C" int rename(const char* from, const char* to) {
  using Fn = int (*)(const char*, const char*);
  static Fn real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "rename"));
  Note("rename " + Base(from) + " " + Base(to));
  return real(from, to);
}

namespace {

TEST(SettingsFile, NewContentIsOnTheDiskBeforeItReplacesTheOld) {
  const std::wstring path = FolderOfPath(port::ExecutablePath()) + L"settings_flush_test.ini";
  ASSERT_TRUE(ReplaceFileContents(path, "old"));
  {
    std::lock_guard<std::mutex> l(g_lock);
    g_calls.clear();
  }
  g_watch = true;
  ASSERT_TRUE(ReplaceFileContents(path, "new"));
  g_watch = false;
  std::lock_guard<std::mutex> l(g_lock);
  EXPECT_EQ(g_calls, (std::vector<std::string>{"fsync settings_flush_test.ini.new",
                                               "rename settings_flush_test.ini.new settings_flush_test.ini"}));
  port::RemoveFile(path);
}

}  // namespace
#endif
