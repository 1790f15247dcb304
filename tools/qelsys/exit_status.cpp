#include "exit_status.h"

namespace {

// A restart is needed whenever a tracked failure says so, also after a call
// that returned success: the rest of the work waits for it either way.
bool NeedsRestart(const LastRun& run) {
  if (run.lastError == 1001) return true;
  for (uint32_t tracked : run.tracked)
    if ((tracked & 0xFFFF) == 1001) return true;
  return false;
}

}  // namespace

ExitStatus RunExitStatus(const LastRun& run) {
  if (run.result == 1) return NeedsRestart(run) ? kExitRestart : kExitOk;
  switch (run.lastError) {
    case 1001: return kExitRestart;
    case 1100: return kExitUnsupported;
    default: return kExitFailed;
  }
}
