#include <string>

#include "machine.h"

extern "C" HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                                     LPSECURITY_ATTRIBUTES, DWORD creationDisposition,
                                     DWORD flagsAndAttributes, HANDLE) {
  using namespace sim::detail;
  std::string path = fileName ? fileName : "";
  if (Enter("CreateFileA", path)) return INVALID_HANDLE_VALUE;
  if (path.rfind("\\\\.\\", 0) == 0)
    return OpenDevice(path, desiredAccess, shareMode, creationDisposition, flagsAndAttributes);
  SetLastError(ERROR_FILE_NOT_FOUND);  // the file system is not simulated yet
  return INVALID_HANDLE_VALUE;
}
