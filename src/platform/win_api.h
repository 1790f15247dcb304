// The one door to the Windows API: system code includes this header and calls
// Windows functions, and the few C runtime calls it needs, by these names.
#pragma once

#ifdef _WIN32
#include <direct.h>
#include <windows.h>
// After windows.h: access-list types.
#include <aclapi.h>

#include <cstdarg>
#include <cstdio>

inline char* CrtGetCurrentDirectory(char* buffer, int size) { return _getcwd(buffer, size); }

typedef FILE CrtFile;
inline CrtFile* CrtOpen(const char* path, const char* mode) { return std::fopen(path, mode); }
inline int CrtClose(CrtFile* file) { return std::fclose(file); }
inline size_t CrtWrite(const void* data, size_t size, size_t count, CrtFile* file) {
  return std::fwrite(data, size, count, file);
}
inline char* CrtReadLine(char* buffer, int size, CrtFile* file) {
  return std::fgets(buffer, size, file);
}
inline bool CrtAtEnd(CrtFile* file) { return std::feof(file) != 0; }
inline int CrtPrint(CrtFile* file, const char* format, ...) __attribute__((format(printf, 2, 3)));
inline int CrtPrint(CrtFile* file, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int written = std::vfprintf(file, format, args);
  va_end(args);
  return written;
}
#else
#include "sim/windows.h"
#endif

#include <utility>

// The pseudo-handle GetCurrentProcess returns, (HANDLE)-1 on every Windows;
// calling it would add an import for a constant.
inline HANDLE CurrentProcessHandle() { return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)); }

// A function of advapi32 that Windows 9x may not export at all: imported, it
// would keep the library from loading there. It is looked up each time it is
// called, so that a trace or a test sees the lookup; one that is missing fails
// with ERROR_CALL_NOT_IMPLEMENTED, as a 9x stub does, and its caller reports
// that as any failure of the call.
template <typename F>
class NtOnlyFunction {
 public:
  explicit constexpr NtOnlyFunction(const char* name) : name_(name) {}

  template <typename... A>
  auto operator()(A... args) const -> decltype(std::declval<F>()(args...)) {
    // Loaded for as long as the library: it imports the registry functions.
    HMODULE advapi = GetModuleHandleA("advapi32.dll");
    FARPROC found = advapi != nullptr ? GetProcAddress(advapi, name_) : nullptr;
    if (found == nullptr) {
      SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
      return {};
    }
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(found))(args...);
  }

 private:
  const char* name_;
};

// The service manager and access-list functions, called as NtOnly::OpenSCManagerA(...).
namespace NtOnly {
#define QEL_NT_ONLY(fn) inline constexpr NtOnlyFunction<decltype(&::fn)> fn{#fn};
QEL_NT_ONLY(OpenSCManagerA)
QEL_NT_ONLY(OpenServiceA)
QEL_NT_ONLY(CreateServiceA)
QEL_NT_ONLY(ChangeServiceConfigA)
QEL_NT_ONLY(QueryServiceConfigA)
QEL_NT_ONLY(QueryServiceStatus)
QEL_NT_ONLY(ControlService)
QEL_NT_ONLY(StartServiceA)
QEL_NT_ONLY(DeleteService)
QEL_NT_ONLY(CloseServiceHandle)
QEL_NT_ONLY(QueryServiceObjectSecurity)
QEL_NT_ONLY(SetServiceObjectSecurity)
QEL_NT_ONLY(GetSecurityDescriptorDacl)
QEL_NT_ONLY(GetAclInformation)
QEL_NT_ONLY(GetAce)
QEL_NT_ONLY(InitializeSecurityDescriptor)
QEL_NT_ONLY(SetSecurityDescriptorDacl)
#undef QEL_NT_ONLY
}  // namespace NtOnly
