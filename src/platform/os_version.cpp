#include "platform/os_version.h"

#include <cstring>

OsVersion::OsVersion() {
  std::memset(&info_, 0, sizeof info_);
  info_.dwOSVersionInfoSize = sizeof info_;
  // A failed query leaves platform id 0, which no component set supports.
  if (!GetVersionExA(&info_)) std::memset(&info_, 0, sizeof info_);
}
