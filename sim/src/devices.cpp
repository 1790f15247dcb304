#include "machine.h"

namespace sim::detail {

HANDLE OpenDevice(const std::string&, DWORD, DWORD, DWORD, DWORD) {
  SetLastError(ERROR_FILE_NOT_FOUND);  // no device is simulated yet
  return INVALID_HANDLE_VALUE;
}

}  // namespace sim::detail
