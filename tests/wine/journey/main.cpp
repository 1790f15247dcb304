// The journey host: loads QelC14BA.dll like a setup program and runs one
// phase of a journey, or holds a file open for another phase.
//   qeljourney PHASE PERSONALITY OLD_BUILD_DIR NEW_BUILD_DIR
//   qeljourney hold FILE READY_MARKER
//   qeljourney hold-mutex PERSONALITY
#include <cstdio>
#include <cstring>

#include "files.h"
#include "owned.h"
#include "phases.h"

const std::vector<Phase> kPhases = {
    {"fresh-install", FreshInstall},
    {"install-again", InstallAgain},
    {"uninstall-shared", UninstallShared},
    {"uninstall-last", UninstallLast},
    {"upgrade", Upgrade},
    {"install-held", InstallHeld},
    {"after-restart-current", AfterRestartCurrent},
    {"run-uninstall-string", RunUninstallString},
    {"after-restart-removed", AfterRestartRemoved},
    {"install-mutex-held", InstallMutexHeld},
    {"contend-studio", ContendStudio},
    {"contend-viewer", ContendViewer},
    {"after-contention", AfterContention},
};

namespace {

std::string Folder(std::string path) {
  if (path.empty() || path.back() != '\\') path += '\\';
  return path;
}

// Holds the file with share mode 0, as a program that has it open does,
// until Wine shuts down (at most ten minutes).
int Hold(const std::string& path, const std::string& marker) {
  OwnedHandle file(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file.Valid()) {
    std::printf("cannot hold %s (error %lu)\n", path.c_str(), GetLastError());
    return 1;
  }
  if (!TouchFile(marker)) return 1;
  Sleep(600000);
  return 0;
}

// Owns the installer mutex, as another installer in its transaction does,
// until the script creates C:\mutex.release (at most ten minutes).
int HoldMutex(const Layout& layout) {
  OwnedHandle mutex(CreateMutexA(nullptr, TRUE, layout.InstallerMutexName()));
  if (!mutex.Valid() || GetLastError() == ERROR_ALREADY_EXISTS) {
    std::printf("cannot own %s (error %lu)\n", layout.InstallerMutexName(), GetLastError());
    return 1;
  }
  if (!TouchFile("C:\\mutex.held")) return 1;
  for (int i = 0; i < 12000 && !PathExists("C:\\mutex.release"); ++i) Sleep(50);
  bool told = TouchFile("C:\\mutex.released");
  ReleaseMutex(mutex.Get());
  return told ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "hold") == 0) return Hold(argv[2], argv[3]);
  if (argc == 3 && std::strcmp(argv[1], "hold-mutex") == 0) {
    auto held = ParsePersonality(argv[2]);
    return held ? HoldMutex(MachineLayout(*held)) : 2;
  }
  auto personality = argc == 5 ? ParsePersonality(argv[2]) : std::nullopt;
  const Phase* phase = nullptr;
  for (const Phase& candidate : kPhases)
    if (argc == 5 && std::strcmp(argv[1], candidate.name) == 0) phase = &candidate;
  if (phase == nullptr || !personality) {
    std::fprintf(stderr,
                 "usage: qeljourney PHASE PERSONALITY OLD_DIR NEW_DIR\n"
                 "       qeljourney hold FILE READY_MARKER\n"
                 "       qeljourney hold-mutex PERSONALITY\n");
    return 2;
  }

  Checks checks;
  Context context{checks, MachineLayout(*personality), Folder(argv[3]), Folder(argv[4])};
  if (checks.Equal(PersonalityName(RunningPersonality()), PersonalityName(*personality),
                   "Windows reports the personality of the prefix"))
    phase->run(context);
  std::printf("%s: %d passed, %d failed\n", phase->name, checks.Passed(), checks.Failed());
  return checks.Failed() == 0 && checks.Passed() > 0 ? 0 : 1;
}
