#include "library.h"

#include "image_kind.h"
#include "library_image.h"

namespace {

template <typename F>
bool Bind(HMODULE module, const char* name, F* function, std::string* missing) {
  *function = reinterpret_cast<F>(reinterpret_cast<void (*)(void)>(GetProcAddress(module, name)));
  if (*function == nullptr) *missing = name;
  return *function != nullptr;
}

}  // namespace

bool QelSysLibrary::Load(const std::string& path, std::string* error) {
  module_.Reset(LoadLibraryA(path.c_str()));
  if (!module_.IsValid()) {
    DWORD code = GetLastError();
    if (path.size() >= MAX_PATH)
      *error = path + " could not be loaded: its path of " + std::to_string(path.size()) +
               " characters is longer than Windows opens";
    else if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
      *error = path + " was not found";
    else
      *error = path + " could not be loaded: it " + LoadProblem(ReadFileHead(path, 4096), code);
    return false;
  }
  std::string missing;
  HMODULE m = module_.Get();
  if (Bind(m, "QelSysInstall", &install, &missing) && Bind(m, "QelSysUnInstall", &uninstall, &missing) &&
      Bind(m, "QelSysGetLastError", &getLastError, &missing) &&
      Bind(m, "QelSysGetTrackedErrors", &getTrackedErrors, &missing) &&
      Bind(m, "QelSysGetCurrentBranding", &getCurrentBranding, &missing))
    return true;
  *error = path + " lacks the export " + missing;
  module_.Reset();
  return false;
}

std::string QelSysLibrary::Path() const {
  char path[MAX_PATH] = "";
  DWORD length = GetModuleFileNameA(module_.Get(), path, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::string(path, length) : std::string();
}

std::string LibraryPathFor(const std::string& dll) {
  if (dll.empty()) return DefaultLibraryPath();
  char full[MAX_PATH] = "";
  DWORD length = GetFullPathNameA(dll.c_str(), MAX_PATH, full, nullptr);
  return length > 0 && length < MAX_PATH ? std::string(full, length) : dll;
}

std::string DefaultLibraryPath() {
  char path[MAX_PATH] = "";
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string own(path, length < MAX_PATH ? length : 0);
  size_t slash = own.find_last_of("\\/");
  return (slash == std::string::npos ? std::string() : own.substr(0, slash + 1)) + "QelC14BA.dll";
}
