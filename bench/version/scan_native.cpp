// The raw "FileVersion" scan natively: how many bytes FileVersionReader reads
// per byte of a file without a version resource (counted on the simulated
// file system, whose ReadFile calls are tallied), and the throughput of the
// in-memory ScanForFileVersion against one sequential read of the same bytes
// from a real file.
// Usage: version_scan [--sizes 1,16,128] [--repeat N] [--dir FOLDER]
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "components/file_version_reader.h"
#include "components/version_text.h"
#include "core/process_objects.h"
#include "counts/call_meter.h"
#include "scan_common.h"
#include "sim/sim.h"

namespace {

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& data) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return false;
  bool ok = write(fd, data.data(), data.size()) == static_cast<ssize_t>(data.size());
  return close(fd) == 0 && ok;
}

// One sequential read of the whole file, in as few calls as the kernel allows.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& buffer) {
  int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < buffer.size()) {
    ssize_t got = read(fd, buffer.data() + done, buffer.size() - done);
    if (got <= 0) break;
    done += static_cast<size_t>(got);
  }
  close(fd);
  return done == buffer.size();
}

}  // namespace

int main(int argc, char** argv) {
  scanbench::Options options;
  if (!scanbench::ParseOptions(argc, argv, options)) {
    std::fprintf(stderr, "usage: version_scan [--sizes 1,16,128] [--repeat N] [--dir FOLDER]\n");
    return 2;
  }
  if (options.dir.empty()) options.dir = "/tmp";
  int status = 0;
  for (size_t mb : options.megabytes) {
    size_t size = mb << 20;
    std::vector<uint8_t> data = scanbench::FileWithoutVersion(size);

    // Bytes read per byte, through the same calls as on Windows.
    sim::Reset();
    const std::string simPath = "C:\\Setup\\scan.bin";
    sim::PutFile(simPath, data);
    bool found = false;
    uint64_t readBytes = 0, readCalls = 0, seeks = 0;
    {
      ProcessObjects process;  // the readers record failures in its lists
      FileVersionReader reader(simPath.c_str());
      bench::BeginMeasure();
      found |= reader.IsValid();
      bench::Tally t = bench::EndMeasure();
      readBytes = t.readBytes;
      readCalls = t.functions["ReadFile"];
      seeks = t.functions["SetFilePointer"];
    }
    sim::Reset();
    std::printf("%zu MB FileVersionReader reads=%llu read_bytes=%llu seeks=%llu "
                "bytes_per_byte=%.4f\n",
                mb, static_cast<unsigned long long>(readCalls),
                static_cast<unsigned long long>(readBytes), static_cast<unsigned long long>(seeks),
                static_cast<double>(readBytes) / static_cast<double>(size));

    // Time: the scan of the bytes in memory against reading them once.
    std::string path = options.dir + "/qel_scan_" + std::to_string(mb) + "mb.bin";
    double read = 0;
    if (!scanbench::TimeReadAndScan(mb, path, options.repeat, ReadWholeFile, WriteWholeFile, read))
      status = 1;
    unlink(path.c_str());
    if (found) {
      std::printf("%zu MB: the reader found a version in data that has none\n", mb);
      status = 1;
    }
  }
  return status;
}
