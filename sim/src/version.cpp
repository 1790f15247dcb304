#include <cstring>

#include "machine.h"

namespace sim::detail {

namespace {

// Not declared anywhere: like the library, a caller can only look it up.
BOOL WINAPI IsWow64Process(HANDLE process, BOOL* wow64) {
  if (Enter("IsWow64Process")) return FALSE;
  if (process != reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)) || wow64 == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);  // only this process's pseudo-handle is served
    return FALSE;
  }
  *wow64 = TheMachine().wow64 ? TRUE : FALSE;
  return TRUE;
}

}  // namespace

std::map<std::string, FARPROC> Kernel32Exports() {
  return {{"IsWow64Process", AsExport(&IsWow64Process)}};
}

}  // namespace sim::detail

namespace sim {

void SetWow64(Wow64 wow64) {
  detail::TheMachine().wow64 = wow64 == Wow64::Yes;
  SetModuleExport("kernel32.dll", "IsWow64Process", wow64 != Wow64::Absent);
}

void SetVersion(DWORD platformId, DWORD major, DWORD minor, DWORD build) {
  OSVERSIONINFOA& v = detail::TheMachine().version;
  std::memset(&v, 0, sizeof v);
  v.dwOSVersionInfoSize = sizeof v;
  v.dwPlatformId = platformId;
  v.dwMajorVersion = major;
  v.dwMinorVersion = minor;
  v.dwBuildNumber = build;
}

void SetPlatform(Platform platform) {
  switch (platform) {
    case Platform::Win95: SetVersion(VER_PLATFORM_WIN32_WINDOWS, 4, 0, 950); break;
    case Platform::Win98: SetVersion(VER_PLATFORM_WIN32_WINDOWS, 4, 10, 1998); break;
    case Platform::WinMe: SetVersion(VER_PLATFORM_WIN32_WINDOWS, 4, 90, 3000); break;
    case Platform::NT4: SetVersion(VER_PLATFORM_WIN32_NT, 4, 0, 1381); break;
    case Platform::Win2000: SetVersion(VER_PLATFORM_WIN32_NT, 5, 0, 2195); break;
    case Platform::WinXP: SetVersion(VER_PLATFORM_WIN32_NT, 5, 1, 2600); break;
    case Platform::Win32s: SetVersion(VER_PLATFORM_WIN32s, 3, 10, 0); break;
    case Platform::Unknown: SetVersion(3, 4, 0, 0); break;  // Windows CE's id
  }
  // IsWow64Process came with XP SP2; 32-bit Windows answers FALSE.
  SetWow64(platform == Platform::WinXP ? Wow64::No : Wow64::Absent);
}

}  // namespace sim

extern "C" BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA info) {
  if (sim::detail::Enter("GetVersionExA")) return FALSE;
  // The extended record (156 bytes) is accepted too, as on Windows.
  if (info == nullptr ||
      (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA) && info->dwOSVersionInfoSize != 156)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  const OSVERSIONINFOA& v = sim::detail::TheMachine().version;
  DWORD size = info->dwOSVersionInfoSize;
  std::memcpy(info, &v, sizeof v);
  info->dwOSVersionInfoSize = size;
  return TRUE;
}
