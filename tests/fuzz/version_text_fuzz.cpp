#include <cstdint>
#include <cstdlib>
#include <vector>

#include "components/version_text.h"
#include "fuzz_process.h"
#include "platform/version_number.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  StartFuzzInput();
  // Exactly the input's bytes, so that any read past them is caught.
  std::vector<uint8_t> bytes(data, data + size);
  VersionNumber scanned, parsed;
  bool found = ScanForFileVersion(bytes.data(), bytes.size(), scanned);
  if (found != scanned.valid) std::abort();
  bool read = ParseDottedVersion(bytes.data(), bytes.size(), parsed);
  if (read != parsed.valid) std::abort();
  return 0;
}
