#include "platform/os_version.h"

#include <cstring>

namespace {

typedef BOOL(WINAPI* IsWow64ProcessFn)(HANDLE, BOOL*);

// Looked up, not imported: Windows 95 to XP before SP2 lacks the function,
// and there no process runs under WOW64. A query that fails counts as WOW64:
// a 32-bit driver registered on 64-bit Windows leaves the product broken,
// while a refusal only sends the user to the x86_64 build.
bool RunsUnderWow64() {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (kernel == nullptr) return false;
  auto isWow64 = reinterpret_cast<IsWow64ProcessFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(kernel, "IsWow64Process")));
  if (isWow64 == nullptr) return false;
  BOOL wow64 = FALSE;
  return !isWow64(CurrentProcessHandle(), &wow64) || wow64 != FALSE;
}

}  // namespace

// A process keeps its bitness for life, so WOW64 is asked once with the version.
OsVersion::OsVersion() {
  std::memset(&info_, 0, sizeof info_);
  info_.dwOSVersionInfoSize = sizeof info_;
  // A failed query leaves platform id 0, which no component set supports.
  if (!GetVersionExA(&info_)) std::memset(&info_, 0, sizeof info_);
  wow64_ = RunsUnderWow64();
}
