// Watches one start of Dorvik.exe for bench/startup without loading the machine it measures:
// the script's own loop of ls, tr and wc every 10 ms started some hundreds of processes a
// second beside the program, and Wine's hand-over of each answer between two threads is
// slower on a busier machine. One process polls every millisecond instead.
// Usage: rows_watch DIR SIMLOG N TIMEOUT_MS
// Prints three wall-clock times in milliseconds since the epoch, "-" for one that did not
// come: the simulator's log first not empty (the probe reached the devices), the search's
// CSV export in DIR (Dorvik_*.csv, UTF-16LE) first holding a device line, and holding N.
#include <dirent.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::string FindCsv(const std::string& dir) {
  DIR* d = opendir(dir.c_str());
  if (!d) return {};
  std::string found;
  while (dirent* e = readdir(d)) {
    const std::string name = e->d_name;
    if (name.rfind("Dorvik_", 0) == 0 && name.size() > 4 && name.compare(name.size() - 4, 4, ".csv") == 0) {
      found = dir + "/" + name;
      break;
    }
  }
  closedir(d);
  return found;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: rows_watch DIR SIMLOG N TIMEOUT_MS\n");
    return 2;
  }
  const std::string dir = argv[1], simlog = argv[2];
  const long long want = std::atoll(argv[3]), timeout = std::atoll(argv[4]);
  const long long start = NowMs();
  long long probe = -1, first = -1, all = -1;
  std::string csv;
  std::FILE* f = nullptr;
  long long lineFeeds = 0;
  char buf[65536];
  while (NowMs() - start <= timeout) {
    const long long now = NowMs();
    struct stat st;
    if (probe < 0 && stat(simlog.c_str(), &st) == 0 && st.st_size > 0) probe = now;
    if (!f) {
      csv = FindCsv(dir);
      if (!csv.empty()) f = std::fopen(csv.c_str(), "rb");
    }
    if (f) {
      std::size_t n;
      while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        for (std::size_t i = 0; i < n; ++i) lineFeeds += buf[i] == '\n';
      std::clearerr(f);  // the file grows: read on from here next time
    }
    const long long rows = lineFeeds > 0 ? lineFeeds - 1 : 0;  // the header is no device
    if (first < 0 && rows >= 1) first = now;
    if (rows >= want && probe >= 0) {
      all = now;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (f) std::fclose(f);
  auto put = [](long long t) {
    if (t < 0)
      std::printf(" -");
    else
      std::printf(" %lld", t);
  };
  put(probe);
  put(first);
  put(all);
  std::printf("\n");
  return 0;
}
