#include "components/version_text.h"

#include <cstring>

namespace {

const uint8_t kKey[kFileVersionKeyBytes] = {'F', 0, 'i', 0, 'l', 0, 'e', 0, 'V', 0, 'e', 0,
                                            'r', 0, 's', 0, 'i', 0, 'o', 0, 'n', 0};

// UTF-16LE code units of a byte range; an odd last byte is no unit.
class Units {
 public:
  Units(const uint8_t* data, size_t size) : data_(data), count_(size / 2) {}
  bool Has(size_t i) const { return i < count_; }
  uint16_t At(size_t i) const { return static_cast<uint16_t>(data_[2 * i] | data_[2 * i + 1] << 8); }
  bool IsDigit(size_t i) const { return Has(i) && At(i) >= '0' && At(i) <= '9'; }
  bool Is(size_t i, uint16_t unit) const { return Has(i) && At(i) == unit; }

 private:
  const uint8_t* data_;
  size_t count_;
};

}  // namespace

bool IsFileVersionKeyAt(const uint8_t* data) {
  return std::memcmp(data, kKey, kFileVersionKeyBytes) == 0;
}

bool ParseDottedVersion(const uint8_t* text, size_t size, VersionNumber& version) {
  Units units(text, size);
  size_t i = 0;
  // The key's NUL and the padding to the next 4-byte boundary.
  if (units.Is(i, 0)) ++i;
  if (units.Is(i, 0)) ++i;
  uint32_t parts[3];
  for (int p = 0; p < 3; ++p) {
    if (p > 0 && !units.Is(i++, '.')) return false;
    if (!units.IsDigit(i)) return false;
    uint32_t value = 0;
    for (; units.IsDigit(i); ++i) value = value * 10 + (units.At(i) - '0');
    parts[p] = value;
  }
  version.Set(parts[0], parts[1], parts[2]);
  return true;
}

bool ScanForFileVersion(const uint8_t* data, size_t size, VersionNumber& version) {
  for (size_t at = 0; at + kFileVersionKeyBytes <= size; ++at) {
    if (!IsFileVersionKeyAt(data + at)) continue;
    size_t value = at + kFileVersionKeyBytes;
    if (ParseDottedVersion(data + value, size - value, version)) return true;
  }
  return false;
}
