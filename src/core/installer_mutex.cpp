#include "core/installer_mutex.h"

#include "core/process_objects.h"

#ifdef QEL_TEST_MUTEX_WAIT
#include <cstdlib>
#endif

namespace {

DWORD WaitMilliseconds() {
#ifdef QEL_TEST_MUTEX_WAIT
  // Only the Wine test build of the library takes a shorter wait, so a test
  // of a held mutex does not last two minutes.
  char text[16] = {};
  DWORD length = GetEnvironmentVariableA("QEL_TEST_MUTEX_WAIT_MS", text, sizeof text);
  if (length > 0 && length < sizeof text) return std::strtoul(text, nullptr, 10);
#endif
  return 120000;
}

}  // namespace

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
  if (WaitForSingleObject(handle_.Get(), WaitMilliseconds()) == WAIT_TIMEOUT) {
    handle_.Reset();
    return RecordFailure(site, kInUse);
  }
  return true;
}
