#include "file_version.h"

#include <windows.h>

#include <vector>

namespace {

std::string Dotted(DWORD ms, DWORD ls) {
  return std::to_string(ms >> 16) + "." + std::to_string(ms & 0xFFFF) + "." +
         std::to_string(ls >> 16);
}

}  // namespace

std::optional<std::string> FileVersion(const std::string& path) {
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
  if (size == 0) return std::nullopt;
  std::vector<uint8_t> buffer(size);
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!GetFileVersionInfoA(path.c_str(), handle, size, buffer.data()) ||
      !VerQueryValueA(buffer.data(), "\\", reinterpret_cast<LPVOID*>(&fixed), &length) ||
      fixed == nullptr || length < sizeof(VS_FIXEDFILEINFO))
    return std::nullopt;
  return Dotted(fixed->dwFileVersionMS, fixed->dwFileVersionLS);
}
