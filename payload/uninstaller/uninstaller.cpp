// QELC13BA.EXE: the shared uninstaller program. With "/uninstall" it loads
// QELC14BA.DLL from its own folder and runs the uninstall through it; a
// windowed program, so that Add/Remove Programs opens no console for it. It
// tells the outcome in a message box, or nothing when "/quiet" follows.
// Exit status: 0 uninstalled; the library's public code when it failed
// (1 when it gave none); 2 the library could not be loaded; 3 usage.
#include <windows.h>

#include "command_line.h"
#include "public_codes.h"
#include "qelsys.h"

namespace {

const char kTitle[] = "Lumasett Shared Components";

template <typename F>
F Export(HMODULE module, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

void Tell(bool quiet, const char* text, UINT icon) {
  if (!quiet) MessageBoxA(nullptr, text, kTitle, MB_OK | MB_SETFOREGROUND | icon);
}

int Uninstall(const char* libraryPath, bool quiet) {
  char text[MAX_PATH + 200];
  HMODULE library = LoadLibraryA(libraryPath);
  if (library == nullptr) {
    wsprintfA(text, "%s could not be loaded (error %lu).", libraryPath, GetLastError());
    Tell(quiet, text, MB_ICONERROR);
    return 2;
  }
  auto uninstall = Export<DWORD(WINAPI*)(void)>(library, "QelSysUnInstall");
  auto lastError = Export<DWORD(WINAPI*)(void)>(library, "QelSysGetLastError");
  if (uninstall == nullptr || lastError == nullptr) {
    FreeLibrary(library);
    wsprintfA(text, "%s is not the library this program needs.", libraryPath);
    Tell(quiet, text, MB_ICONERROR);
    return 2;
  }
  int status = 0;
  if (uninstall() == 1) {
    Tell(quiet, "The uninstall is done.", MB_ICONINFORMATION);
  } else {
    DWORD code = lastError();
    status = code != 0 ? static_cast<int>(code) : 1;
    if (code == QELSYS_RESTART_NEEDED) {
      Tell(quiet, "The uninstall finishes when Windows restarts.\nRestart Windows to complete it.",
           MB_ICONINFORMATION);
    } else {
      const PublicCode* known = code <= 0xFFFF ? FindPublicCode(static_cast<WORD>(code)) : nullptr;
      const char* meaning = known != nullptr ? known->meaning
                            : code == 0      ? "the library gave no reason"
                                             : "a failure this program does not know";
      wsprintfA(text, "The uninstall failed with code %lu:\n%s.", code, meaning);
      Tell(quiet, text, MB_ICONERROR);
    }
  }
  FreeLibrary(library);
  return status;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char path[MAX_PATH + 16];
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) path[0] = '\0';
  UninstallRequest request = ParseUninstallCommand(GetCommandLineA(), path);
  if (request == UninstallRequest::kUsage) {
    Tell(false, "Usage: QELC13BA.EXE /uninstall [/quiet]", MB_ICONWARNING);
    return 3;
  }
  bool quiet = request == UninstallRequest::kUninstallQuiet;
  char* slash = path;
  for (char* p = path; *p != '\0'; p = CharNextA(p))
    if (*p == '\\') slash = p + 1;
  if (slash == path) {
    Tell(quiet, "The program cannot find its own folder.", MB_ICONERROR);
    return 2;
  }
  lstrcpyA(slash, "QELC14BA.DLL");
  return Uninstall(path, quiet);
}
