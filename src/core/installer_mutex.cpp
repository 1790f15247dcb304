#include "core/installer_mutex.h"

#include "core/process_objects.h"

namespace {
const DWORD kWaitMilliseconds = 120000;
}

InstallerMutex::InstallerMutex()
    : handle_(CreateMutexA(InstallerMutexAttributes(), FALSE, Name())) {}

InstallerMutex::~InstallerMutex() {
  if (handle_.IsValid()) ReleaseMutex(handle_.Get());
}

const char* InstallerMutex::Name() {
  // Windows 2000 and later: one name across every logon session.
  return CurrentOsVersion().IsNt5OrLater() ? "Global\\7399BC44-90CF-4372-8B56-416B8513B378"
                                           : "7399BC44-90CF-4372-8B56-416B8513B378";
}

bool InstallerMutex::Acquire(uint16_t site) {
  if (!handle_.IsValid()) return true;
  if (WaitForSingleObject(handle_.Get(), kWaitMilliseconds) == WAIT_TIMEOUT) {
    handle_.Reset();
    return RecordFailure(site, kInUse);
  }
  return true;
}
