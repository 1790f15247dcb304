// How refused service control manager calls are recorded.
#pragma once

#include <cstdint>

#include "core/tracked_error_list.h"

// A service that cannot be opened by name because it is not (or no longer) there.
inline bool IsServiceGone(DWORD error) {
  return error == ERROR_INVALID_NAME || error == ERROR_SERVICE_DOES_NOT_EXIST;
}

// Access denied records code 1007 at one site, anything else `otherCode` at
// another; false.
inline bool RecordRefusal(DWORD error, uint16_t deniedSite, uint16_t otherSite,
                          uint16_t otherCode = kGenericCode) {
  if (error == ERROR_ACCESS_DENIED) return RecordFailure(deniedSite, kAccessDenied);
  return RecordFailure(otherSite, otherCode);
}

// Only access denied is worth recording; false.
inline bool RecordDenial(DWORD error, uint16_t site) {
  if (error == ERROR_ACCESS_DENIED) RecordFailure(site, kAccessDenied);
  return false;
}
