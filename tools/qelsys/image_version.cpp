#include "image_version.h"

namespace {

const uint32_t kFixedInfoSignature = 0xFEEF04BD;
const uint32_t kFixedInfoStructVersion = 0x00010000;

uint32_t ReadLittleEndian(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

std::optional<std::string> ImageVersion(const uint8_t* data, size_t size) {
  // The structure starts with its signature and its own version; the file
  // version follows as two 32-bit halves.
  for (size_t at = 0; data != nullptr && at + 16 <= size; ++at) {
    if (ReadLittleEndian(data + at) != kFixedInfoSignature ||
        ReadLittleEndian(data + at + 4) != kFixedInfoStructVersion)
      continue;
    uint32_t ms = ReadLittleEndian(data + at + 8), ls = ReadLittleEndian(data + at + 12);
    return std::to_string(ms >> 16) + "." + std::to_string(ms & 0xFFFF) + "." + std::to_string(ls >> 16);
  }
  return std::nullopt;
}
