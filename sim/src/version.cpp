#include <cstring>

#include "machine.h"

namespace sim {

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
