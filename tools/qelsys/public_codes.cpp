#include "public_codes.h"

namespace {

const PublicCode kCodes[] = {
    {1001, "RESTART_NEEDED", "the work finishes at the next restart of Windows"},
    {1002, "IN_USE", "a file or service is in use, or another setup is running"},
    {1003, "NOT_WRITTEN", "a file could not be written"},
    {1005, "START_FAILED", "a driver or service did not start"},
    {1006, "STOP_FAILED", "a driver or service did not stop"},
    {1007, "ACCESS_DENIED", "Windows refused access"},
    {1008, "EMPTY_PATH", "a required path was empty"},
    {1010, "RESTART_PENDING", "a restart is still needed; setup checked the components and changed nothing"},
    {1100, "UNSUPPORTED_PLATFORM", "this Windows is neither of the Windows 9x nor of the NT family"},
    {2001, "WRITTEN", "a file was replaced at once"},
    {2002, "CURRENT", "a file was present and current and was left alone"},
    {2003, "INSTALLED", "a file was newly installed"},
    {2004, "REMOVED", "an item was removed"},
    {2006, "ACCEPTED", "a file was not replaced, but the copy present is recent enough"},
    {0xFFFF, "GENERIC", "any other failure"},
};

}  // namespace

const PublicCode* FindPublicCode(uint16_t code) {
  for (const PublicCode& entry : kCodes)
    if (entry.code == code) return &entry;
  return nullptr;
}
