#include "files.h"

#include <windows.h>

#include <cstdio>
#include <tuple>

#include "owned.h"

namespace {

// FindFirstFileA's handle has its own closer.
struct FindTraits {
  using Handle = HANDLE;
  static Handle Empty() { return INVALID_HANDLE_VALUE; }
  static bool Valid(Handle h) { return h != INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { FindClose(h); }
};

}  // namespace

bool PathExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool FolderExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::vector<char>> ReadBytes(const std::string& path) {
  OwnedHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file.Valid()) return std::nullopt;
  std::vector<char> bytes(GetFileSize(file.Get(), nullptr));
  DWORD read = 0;
  if (!bytes.empty() &&
      (!ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
       read != bytes.size()))
    return std::nullopt;
  return bytes;
}

std::string FileVersion(const std::string& path) {
  DWORD unused = 0;
  DWORD size = GetFileVersionInfoSizeA(path.c_str(), &unused);
  if (size == 0) return "";
  std::vector<char> data(size);
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!GetFileVersionInfoA(path.c_str(), 0, size, data.data()) ||
      !VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length) ||
      length < sizeof *fixed)
    return "";
  return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
         std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
         std::to_string(HIWORD(fixed->dwFileVersionLS));
}

bool VersionLess(const std::string& a, const std::string& b) {
  unsigned long x[3] = {}, y[3] = {};
  if (std::sscanf(a.c_str(), "%lu.%lu.%lu", &x[0], &x[1], &x[2]) != 3 ||
      std::sscanf(b.c_str(), "%lu.%lu.%lu", &y[0], &y[1], &y[2]) != 3)
    return false;
  return std::tie(x[0], x[1], x[2]) < std::tie(y[0], y[1], y[2]);
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA entry;
  Owned<FindTraits> find(FindFirstFileA((folder + "*").c_str(), &entry));
  if (!find.Valid()) return names;
  do {
    std::string name = entry.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(find.Get(), &entry));
  return names;
}

bool WriteText(const std::string& path, const std::string& text) {
  OwnedHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  return file.Valid() &&
         (text.empty() ||
          (WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size()));
}

bool TouchFile(const std::string& path) { return WriteText(path, ""); }
