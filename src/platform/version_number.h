#pragma once

#include <cstdint>

// major.minor.build with a validity flag. Readers derive from it and read
// their value the first time IsValid is asked, so comparing one reads it.
class VersionNumber {
 public:
  VersionNumber() = default;
  virtual ~VersionNumber() = default;
  virtual bool IsValid();

  void Set(uint32_t majorPart, uint32_t minorPart, uint32_t buildPart);

  bool operator<(VersionNumber& other);
  bool operator==(VersionNumber& other);
  bool operator<=(VersionNumber& other);

  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t build = 0;
  bool valid = false;
};
