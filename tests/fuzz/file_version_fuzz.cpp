#include <cstdlib>

#include "components/file_version_reader.h"
#include "fuzz_process.h"
#include "sim/sim.h"

// An installed file of any content: the version functions and the raw scan
// both read it without a fault.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  StartFuzzInput();
  sim::PutFile("C:\\WINDOWS\\system32\\ShFolder.dll", std::vector<uint8_t>(data, data + size));
  FileVersionReader reader("C:\\WINDOWS\\system32\\ShFolder.dll");
  bool valid = reader.IsValid();
  if (valid != reader.valid) std::abort();
  return 0;
}
