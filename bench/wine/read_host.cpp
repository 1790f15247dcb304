// The load-and-read baseline of the same install again: loads the DLL and
// reads the registry keys and values that a repeated install reads, in the
// same order and as often, and nothing else. The list follows the call log
// of that journey on the simulated Windows XP (journey_counts --calls).
// Prints: "read ms=<time> opened=<keys> values=<values read>".
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "stopwatch.h"

namespace {

const char* const kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QelC13Ba";
const char* const kSession = "System\\CurrentControlSet\\Control\\Session Manager";
const char* const kProducts = "SOFTWARE\\Ostravik\\Lumasett\\InstalledProducts\\";

struct Read {
  std::string key;
  std::vector<std::string> values;
};

int opened = 0, valuesRead = 0;

void Do(const Read& r) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, r.key.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  ++opened;
  for (const std::string& name : r.values) {
    BYTE data[1024];
    DWORD type = 0, size = sizeof data;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, data, &size) == ERROR_SUCCESS)
      ++valuesRead;
  }
  RegCloseKey(key);
}

std::string DriversPath() {
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, MAX_PATH);
  return std::string(system) + "\\drivers\\QELC11BA.EXE";
}

}  // namespace

int main() {
  const Read pending{kSession, {"PendingFileRenameOperations"}};
  std::vector<Read> reads = {{kUninstall, {}}, {kUninstall, {"InstallLocation"}}};
  for (int i = 0; i < 6; ++i) reads.push_back(pending);
  reads.push_back({"SOFTWARE\\Ostravik\\Lumasett\\Installer", {"ComponentsInUseCount"}});
  reads.push_back({kProducts, {}});
  reads.push_back({"Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", {DriversPath()}});
  for (int i = 0; i < 3; ++i) reads.push_back(pending);
  reads.push_back(
      {kUninstall, {"VersionMajor", "VersionMinor", "UninstallString", "UninstallString"}});
  reads.push_back(pending);
  reads.push_back({kProducts, {}});
  reads.push_back({std::string(kProducts) + "B241A000", {"ProductName"}});
  reads.push_back({std::string(kProducts) + "KV00220+", {}});
  reads.push_back({std::string(kProducts) + "KV00220+\\B241A000", {"Lumasett Studio"}});

  Stopwatch watch;
  HMODULE dll = LoadLibraryA("QelC14BA.dll");
  if (dll == nullptr) {
    std::fprintf(stderr, "QelC14BA.dll not loaded (error %lu)\n", GetLastError());
    return 2;
  }
  for (const Read& r : reads) Do(r);
  double ms = watch.Ms();
  std::printf("read ms=%.2f opened=%d values=%d\n", ms, opened, valuesRead);
  FreeLibrary(dll);
  return 0;
}
