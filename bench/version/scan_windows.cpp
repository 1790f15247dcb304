// Throughput of the raw "FileVersion" scan on the real file system: the
// in-memory ScanForFileVersion and FileVersionReader on a file without a
// version resource, each against one sequential read of the same bytes.
// Usage: bench_version_scan [--sizes 1,16,128] [--repeat N] [--dir FOLDER]
// Prints one line per size and measure: "<MB> <what> ms=<median> ratio=<x>".
#include <windows.h>

#include <cstdio>
#include <memory>

#include "components/file_version_reader.h"
#include "components/version_text.h"
#include "core/process_objects.h"
#include "scan_common.h"

namespace {

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& data) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == data.size();
}

// One sequential read of the whole file in a single call.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& buffer) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD got = 0;
  BOOL ok = ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr);
  CloseHandle(file);
  return ok && got == buffer.size();
}

}  // namespace

int main(int argc, char** argv) {
  scanbench::Options options;
  if (!scanbench::ParseOptions(argc, argv, options)) {
    std::fprintf(stderr, "usage: bench_version_scan [--sizes 1,16,128] [--repeat N] [--dir F]\n");
    return 2;
  }
  if (options.dir.empty()) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    options.dir = temp;
  }
  if (options.dir.back() != '\\') options.dir += '\\';
  ProcessObjects process;  // the readers record failures in its lists

  int status = 0;
  for (size_t mb : options.megabytes) {
    std::string path = options.dir + "qel_scan_" + std::to_string(mb) + "mb.bin";
    double read = 0;
    if (!scanbench::TimeReadAndScan(mb, path, options.repeat, ReadWholeFile, WriteWholeFile, read))
      status = 1;
    // The reader on the same file, which the cache holds by now.
    std::vector<double> readerMs;
    bool found = false;
    for (int r = 0; r < options.repeat; ++r) {
      double t = scanbench::NowMs();
      FileVersionReader reader(path.c_str());
      found |= reader.IsValid();
      readerMs.push_back(scanbench::NowMs() - t);
    }
    double reader = scanbench::Median(readerMs);
    std::printf("%zu MB FileVersionReader ms=%.2f MBps=%.0f ratio=%.2f\n", mb, reader,
                mb * 1000.0 / reader, reader / read);
    if (found) {
      std::printf("%zu MB: the reader found a version in data that has none\n", mb);
      status = 1;
    }
    DeleteFileA(path.c_str());
  }
  return status;
}
