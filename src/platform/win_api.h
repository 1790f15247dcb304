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

// The pseudo-handle GetCurrentProcess returns, (HANDLE)-1 on every Windows;
// calling it would add an import for a constant.
inline HANDLE CurrentProcessHandle() { return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)); }
