#include "exit_status.h"

ExitStatus RunExitStatus(const LastRun& run) {
  if (run.result == 1) return kExitOk;
  switch (run.lastError) {
    case 1001: return kExitRestart;
    case 1100: return kExitUnsupported;
    default: return kExitFailed;
  }
}
