#include <cstdlib>

#include "components/restart_operations.h"
#include "fuzz_process.h"
#include "sim/sim.h"

// "PendingFileRenameOperations" as any program may have left it. Looking
// changes nothing; cancelling keeps the value well formed or removes it.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  StartFuzzInput();
  const char* key = "System\\CurrentControlSet\\Control\\Session Manager";
  std::vector<uint8_t> value(data, data + size);
  sim::SetRegistryValue(key, "PendingFileRenameOperations", REG_MULTI_SZ, value);
  String target("C:\\WINDOWS\\system32\\drivers\\QELC11BA.EXE");
  String install("C:\\WINDOWS\\system32\\drivers\\QELC11BA.EXE");
  bool seen = CancelPendingFileRenames(target, install, true);
  auto after = sim::GetRegistryValue(key, "PendingFileRenameOperations");
  if (!after || after->data != value) std::abort();
  bool cancelled = CancelPendingFileRenames(target, install, false);
  if (seen != cancelled) std::abort();
  if (CancelPendingFileRenames(target, install, true)) std::abort();  // nothing left to find
  return 0;
}
