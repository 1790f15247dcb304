// The exit statuses of qelsys.
#pragma once

#include "last_run.h"

enum ExitStatus {
  kExitOk = 0,           // done; an install or uninstall succeeded
  kExitFailed = 1,       // the install or uninstall failed
  kExitUsage = 2,        // unknown command or option
  kExitRestart = 3,      // the install or uninstall finishes at the next restart
  kExitUnsupported = 4,  // the library does not support this Windows
  kExitNoLibrary = 5,    // QelC14BA.dll could not be loaded or lacks an export
  kExitNeedsRepair = 6,  // status --check: the machine is not as an install leaves it
  kExitNoOutput = 7,     // trace: the --output file could not be written
  kExitNotInjected = 8,  // trace --fail: the planned call was never reached
};

// The status that an install or uninstall with this result ends with.
ExitStatus RunExitStatus(const LastRun& run);
