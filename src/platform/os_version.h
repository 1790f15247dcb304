#pragma once

#include "platform/win_api.h"

// The running Windows, asked once when the library loads.
class OsVersion {
 public:
  OsVersion();
  virtual ~OsVersion() = default;

  DWORD PlatformId() const { return info_.dwPlatformId; }
  DWORD MajorVersion() const { return info_.dwMajorVersion; }
  bool IsWin9x() const { return PlatformId() == VER_PLATFORM_WIN32_WINDOWS; }
  bool IsNt() const { return PlatformId() == VER_PLATFORM_WIN32_NT; }
  // NT 5 (Windows 2000) and later.
  bool IsNt5OrLater() const { return IsNt() && MajorVersion() >= 5; }
  // A 32-bit process on 64-bit Windows.
  bool IsWow64() const { return wow64_; }

 private:
  OSVERSIONINFOA info_;
  bool wow64_;
};
