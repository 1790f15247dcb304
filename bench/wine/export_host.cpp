// Times one transaction of the real DLL as a setup program runs it: from
// loading the library to the return of QelSysInstall or QelSysUnInstall.
// Usage: bench_export install|uninstall
// Prints: "<verb> ms=<time> result=<r> last_error=<code> tracked=<n>".
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "stopwatch.h"

int main(int argc, char** argv) {
  bool uninstall = argc > 1 && std::strcmp(argv[1], "uninstall") == 0;
  if (argc != 2 || (!uninstall && std::strcmp(argv[1], "install") != 0)) {
    std::fprintf(stderr, "usage: bench_export install|uninstall\n");
    return 2;
  }
  Stopwatch watch;
  HMODULE dll = LoadLibraryA("QelC14BA.dll");
  if (dll == nullptr) {
    std::fprintf(stderr, "QelC14BA.dll not loaded (error %lu)\n", GetLastError());
    return 2;
  }
  auto bind = [dll](const char* name) {
    return reinterpret_cast<DWORD(WINAPI*)(void)>(
        reinterpret_cast<void (*)(void)>(GetProcAddress(dll, name)));
  };
  auto run = bind(uninstall ? "QelSysUnInstall" : "QelSysInstall");
  auto lastError = bind("QelSysGetLastError");
  auto tracked = reinterpret_cast<DWORD(WINAPI*)(DWORD*)>(
      reinterpret_cast<void (*)(void)>(GetProcAddress(dll, "QelSysGetTrackedErrors")));
  if (run == nullptr || lastError == nullptr || tracked == nullptr) return 2;
  DWORD result = run();
  double ms = watch.Ms();
  std::printf("%s ms=%.2f result=%lu last_error=%lu tracked=%lu\n", argv[1], ms,
              static_cast<unsigned long>(result), static_cast<unsigned long>(lastError()),
              static_cast<unsigned long>(tracked(nullptr)));
  FreeLibrary(dll);
  return result == 1 ? 0 : 1;
}
