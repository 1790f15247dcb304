#include "platform/version_number.h"

#include "core/tracked_error_list.h"

bool VersionNumber::IsValid() { return valid; }

void VersionNumber::Set(uint32_t majorPart, uint32_t minorPart, uint32_t buildPart) {
  major = majorPart;
  minor = minorPart;
  build = buildPart;
  valid = true;
}

bool VersionNumber::operator<(VersionNumber& other) {
  if (!IsValid() || !other.IsValid()) return RecordFailure(0x85, kGenericCode);
  if (this == &other) return false;
  if (major != other.major) return major < other.major;
  if (minor != other.minor) return minor < other.minor;
  return build < other.build;
}

bool VersionNumber::operator==(VersionNumber& other) {
  if (!IsValid() || !other.IsValid()) return RecordFailure(0xB7, kGenericCode);
  if (this == &other) return true;
  return major == other.major && minor == other.minor && build == other.build;
}

bool VersionNumber::operator<=(VersionNumber& other) {
  return *this == other || *this < other;
}
