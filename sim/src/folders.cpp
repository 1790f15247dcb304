#include <cstring>

#include "machine.h"
#include "sim/sim.h"

namespace sim::detail {
namespace {

struct Folders {
  std::string windows = "C:\\WINDOWS";
  std::string system = "C:\\WINDOWS\\system32";
  std::string current = "C:\\Setup";
  bool currentFails = false;
};

Folders& TheFolders() {
  static Folders folders;
  return folders;
}

void Clear() { TheFolders() = Folders{}; }
ResetHook hook{&Clear};

// Copies like GetWindowsDirectoryA: the length without the NUL, or the size
// needed with it when the buffer is too small.
UINT CopyFolder(const std::string& folder, LPSTR buffer, UINT size) {
  if (buffer == nullptr || folder.size() + 1 > size) return static_cast<UINT>(folder.size() + 1);
  std::memcpy(buffer, folder.c_str(), folder.size() + 1);
  return static_cast<UINT>(folder.size());
}

}  // namespace

const std::string& CurrentFolder() { return TheFolders().current; }

}  // namespace sim::detail

namespace sim {

void SetWindowsFolders(const std::string& windows, const std::string& system) {
  detail::TheFolders().windows = windows;
  detail::TheFolders().system = system;
}

void SetCurrentDirectory(const std::string& current, bool queryFails) {
  detail::TheFolders().current = current;
  detail::TheFolders().currentFails = queryFails;
}

}  // namespace sim

using namespace sim::detail;

extern "C" UINT WINAPI GetWindowsDirectoryA(LPSTR buffer, UINT size) {
  if (Enter("GetWindowsDirectoryA")) return 0;
  return CopyFolder(TheFolders().windows, buffer, size);
}

extern "C" UINT WINAPI GetSystemDirectoryA(LPSTR buffer, UINT size) {
  if (Enter("GetSystemDirectoryA")) return 0;
  return CopyFolder(TheFolders().system, buffer, size);
}

char* CrtGetCurrentDirectory(char* buffer, int size) {
  if (Enter("_getcwd")) return nullptr;
  const Folders& f = TheFolders();
  if (f.currentFails || buffer == nullptr || size <= 0 ||
      f.current.size() + 1 > static_cast<size_t>(size))
    return nullptr;
  std::memcpy(buffer, f.current.c_str(), f.current.size() + 1);
  return buffer;
}
