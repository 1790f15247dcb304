// The plain-copy baseline of a fresh install: copies the payload files that
// lie beside this program into the folders the install writes them to, with
// CopyFileA and nothing else, creating the folders the same way. Then it
// deletes them again (timed separately, the baseline of an uninstall) so the
// machine is as it was.
// Prints: "copy ms=<time> files=<n>" and "delete ms=<time>".
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <string>
#include <vector>

#include "stopwatch.h"

namespace {

std::string ShellFolder(int id) {
  char path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, id, nullptr, 0, path))) return std::string();
  return std::string(path) + "\\";
}

std::string OwnFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string text = path;
  return text.substr(0, text.find_last_of('\\') + 1);
}

// Every folder on the path, after the drive, as the install creates them.
void CreateParents(const std::string& file) {
  for (size_t at = file.find('\\'); (at = file.find('\\', at + 1)) != std::string::npos;)
    CreateDirectoryA(file.substr(0, at).c_str(), nullptr);
}

}  // namespace

int main() {
  OSVERSIONINFOA os{};
  os.dwOSVersionInfoSize = sizeof os;
  GetVersionExA(&os);
  std::string system = ShellFolder(CSIDL_SYSTEM);
  std::string install = ShellFolder(CSIDL_PROGRAM_FILES_COMMON) + "Ostravik Shared\\Lumasett\\Install\\";
  std::string from = OwnFolder();
  struct Copy {
    std::string source, target;
  };
  // The install's order: the service and the kernel driver, ShFolder.dll
  // before Windows 2000, then the copy of the library and the uninstaller.
  std::vector<Copy> copies = {{from + "QELC11BA.EXE", system + "drivers\\QELC11BA.EXE"},
                              {from + "QELC15BA.SYS", system + "drivers\\QELC15BA.SYS"}};
  if (os.dwMajorVersion < 5) copies.push_back({from + "ShFolder.dll", system + "ShFolder.dll"});
  copies.push_back({from + "QelC14BA.dll", install + "QELC14BA.DLL"});
  copies.push_back({from + "QELC13BA.EXE", install + "QELC13BA.EXE"});

  Stopwatch watch;
  int copied = 0;
  for (const Copy& c : copies) {
    CreateParents(c.target);
    if (CopyFileA(c.source.c_str(), c.target.c_str(), FALSE)) ++copied;
  }
  double copyMs = watch.Ms();

  watch.Restart();
  for (const Copy& c : copies) DeleteFileA(c.target.c_str());
  // The install folder and the empty folders above it, as an uninstall does.
  std::string folder = install;
  while (folder.size() > 3) {
    folder.pop_back();
    if (!RemoveDirectoryA(folder.c_str())) break;
    folder = folder.substr(0, folder.find_last_of('\\') + 1);
  }
  double deleteMs = watch.Ms();

  std::printf("copy ms=%.2f files=%d\n", copyMs, copied);
  std::printf("delete ms=%.2f\n", deleteMs);
  return copied == static_cast<int>(copies.size()) ? 0 : 1;
}
