// QELC13BA.EXE: the shared uninstaller program. With "/uninstall" it loads
// QELC14BA.DLL from its own folder and runs the uninstall through it.
// Exit status: 0 uninstalled; the library's public code when it failed
// (1 when it gave none); 2 the library could not be loaded; 3 usage.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

template <typename F>
F Export(HMODULE module, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || lstrcmpiA(argv[1], "/uninstall") != 0) {
    std::fprintf(stderr, "usage: QELC13BA.EXE /uninstall\n");
    return 3;
  }
  char path[MAX_PATH + 16];
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  char* slash = length > 0 && length < MAX_PATH ? std::strrchr(path, '\\') : nullptr;
  if (slash == nullptr) return 2;
  std::strcpy(slash + 1, "QELC14BA.DLL");

  HMODULE library = LoadLibraryA(path);
  if (library == nullptr) {
    std::fprintf(stderr, "%s could not be loaded (error %lu)\n", path, GetLastError());
    return 2;
  }
  auto uninstall = Export<DWORD(WINAPI*)(void)>(library, "QelSysUnInstall");
  auto lastError = Export<DWORD(WINAPI*)(void)>(library, "QelSysGetLastError");
  if (uninstall == nullptr || lastError == nullptr) {
    FreeLibrary(library);
    return 2;
  }
  int status = 0;
  if (uninstall() != 1) {
    DWORD code = lastError();
    std::fprintf(stderr, "uninstall failed with code %lu\n", code);
    status = code != 0 ? static_cast<int>(code) : 1;
  }
  FreeLibrary(library);
  return status;
}
