// Shared by the native and the Windows version-scan benchmarks: the test
// data, a clock and the median.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "components/version_text.h"

namespace scanbench {

// Bytes with no version resource and no "FileVersion" key: a fixed
// pseudo-random sequence, so every run scans the same data.
inline std::vector<uint8_t> FileWithoutVersion(size_t size) {
  std::vector<uint8_t> data(size);
  uint64_t x = 0x9E3779B97F4A7C15ull;
  for (size_t i = 0; i < size; ++i) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    data[i] = static_cast<uint8_t>(x >> 24);
  }
  return data;
}

inline double NowMs() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  size_t n = v.size();
  return n == 0 ? 0 : (n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2);
}

struct Options {
  std::vector<size_t> megabytes{1, 16, 128};
  int repeat = 5;
  std::string dir;
};

// --sizes 1,16,128  --repeat N  --dir FOLDER; false on a bad argument.
inline bool ParseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (i + 1 >= argc) return false;
    std::string v = argv[++i];
    if (a == "--sizes") {
      o.megabytes.clear();
      for (size_t at = 0; at <= v.size();) {
        size_t comma = v.find(',', at);
        if (comma == std::string::npos) comma = v.size();
        unsigned long mb = std::strtoul(v.substr(at, comma - at).c_str(), nullptr, 10);
        if (mb == 0 || mb > 1024) return false;
        o.megabytes.push_back(mb);
        at = comma + 1;
      }
    } else if (a == "--repeat") {
      o.repeat = std::atoi(v.c_str());
      if (o.repeat < 1) return false;
    } else if (a == "--dir") {
      o.dir = v;
    } else {
      return false;
    }
  }
  return true;
}

// Writes the file, then times one sequential read of it against the
// in-memory scan of the same bytes, and prints both. ReadWhole(path, buffer)
// and WriteWhole(path, data) are the platform's; false when the file could
// not be written, read, or a version was found in data that has none.
template <typename ReadWhole, typename WriteWhole>
bool TimeReadAndScan(size_t mb, const std::string& path, int repeat, ReadWhole readWhole,
                     WriteWhole writeWhole, double& readMedian) {
  std::vector<uint8_t> buffer(mb << 20);
  if (!writeWhole(path, FileWithoutVersion(buffer.size()))) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return false;
  }
  bool ok = readWhole(path, buffer);  // from the cache from now on, like the runs below
  bool found = false;
  std::vector<double> readMs, scanMs;
  for (int r = 0; r < repeat; ++r) {
    double t = NowMs();
    ok = readWhole(path, buffer) && ok;
    readMs.push_back(NowMs() - t);
    VersionNumber version;
    t = NowMs();
    found |= ScanForFileVersion(buffer.data(), buffer.size(), version);
    scanMs.push_back(NowMs() - t);
  }
  readMedian = Median(readMs);
  double scan = Median(scanMs);
  std::printf("%zu MB sequential-read ms=%.2f MBps=%.0f\n", mb, readMedian, mb * 1000.0 / readMedian);
  std::printf("%zu MB ScanForFileVersion ms=%.2f MBps=%.0f ratio=%.2f\n", mb, scan,
              mb * 1000.0 / scan, scan / readMedian);
  if (found) std::printf("%zu MB: a version was found in data that has none\n", mb);
  return ok && !found;
}

}  // namespace scanbench
