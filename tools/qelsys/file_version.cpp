#include "file_version.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace {

const uint32_t kFixedInfoSignature = 0xFEEF04BD;
const uint32_t kFixedInfoStructVersion = 0x00010000;

std::string Dotted(DWORD ms, DWORD ls) {
  return std::to_string(ms >> 16) + "." + std::to_string(ms & 0xFFFF) + "." +
         std::to_string(ls >> 16);
}

uint32_t ReadLittleEndian(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
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

std::optional<std::string> ImageVersion(const uint8_t* data, size_t size) {
  // The structure starts with its signature and its own version; the file
  // version follows as two 32-bit halves.
  for (size_t at = 0; data != nullptr && at + 16 <= size; ++at) {
    if (ReadLittleEndian(data + at) != kFixedInfoSignature ||
        ReadLittleEndian(data + at + 4) != kFixedInfoStructVersion)
      continue;
    return Dotted(ReadLittleEndian(data + at + 8), ReadLittleEndian(data + at + 12));
  }
  return std::nullopt;
}
