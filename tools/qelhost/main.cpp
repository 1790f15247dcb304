// A minimal setup host: loads QelC14BA.dll, runs the shared-component install
// and reports what the library says happened.
#include <windows.h>

#include <cstdio>
#include <vector>

namespace {

template <typename F>
F Bind(HMODULE module, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void (*)(void)>(GetProcAddress(module, name)));
}

}  // namespace

int main(int argc, char** argv) {
  bool uninstall = argc > 1 && lstrcmpiA(argv[1], "/uninstall") == 0;
  HMODULE dll = LoadLibraryA("QelC14BA.dll");
  if (dll == nullptr) {
    std::printf("QelC14BA.dll not loaded (error %lu)\n", GetLastError());
    return 2;
  }
  auto run = Bind<DWORD(WINAPI*)(void)>(dll, uninstall ? "QelSysUnInstall" : "QelSysInstall");
  auto lastError = Bind<DWORD(WINAPI*)(void)>(dll, "QelSysGetLastError");
  auto tracked = Bind<DWORD(WINAPI*)(DWORD*)>(dll, "QelSysGetTrackedErrors");
  auto branding = Bind<DWORD(WINAPI*)(DWORD*, char*, DWORD)>(dll, "QelSysGetCurrentBranding");
  if (!run || !lastError || !tracked || !branding) {
    std::printf("QelC14BA.dll lacks an export\n");
    return 2;
  }

  DWORD code = 0;
  std::vector<char> name(branding(&code, nullptr, 0));
  branding(nullptr, name.data(), static_cast<DWORD>(name.size()));
  std::printf("branding: 0x%08lX \"%s\"\n", static_cast<unsigned long>(code), name.data());

  DWORD result = run();
  std::printf("%s: %lu\n", uninstall ? "QelSysUnInstall" : "QelSysInstall",
              static_cast<unsigned long>(result));
  std::printf("QelSysGetLastError: %lu\n", static_cast<unsigned long>(lastError()));
  std::vector<DWORD> entries(tracked(nullptr));
  DWORD n = entries.empty() ? 0 : tracked(entries.data());
  std::printf("tracked errors: %lu\n", static_cast<unsigned long>(n));
  for (DWORD i = 0; i < n; ++i)
    std::printf("  site 0x%lX code %lu\n", static_cast<unsigned long>(entries[i] >> 16),
                static_cast<unsigned long>(entries[i] & 0xFFFF));
  FreeLibrary(dll);
  return result == 1 ? 0 : 1;
}
