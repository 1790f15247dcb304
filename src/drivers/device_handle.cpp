#include "drivers/device_handle.h"

#include <cstdio>

#include "core/process_objects.h"

namespace {

HANDLE OpenPath(const char* prefix, const char* name, DWORD flags) {
  char path[260];
  std::snprintf(path, sizeof path, "\\\\.\\%s%s", prefix, name);
  return CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, flags,
                     nullptr);
}

}  // namespace

bool DeviceHandle::Open(const char* name) {
  Close();
  if (name == nullptr) name = "";
  if (CurrentOsVersion().IsWin9x()) {
    // Windows 9x loads a dynamic VxD on this open and unloads it with the last handle.
    handle_ = OpenPath("", name, FILE_FLAG_DELETE_ON_CLOSE);
  } else {
    handle_ = OpenPath("Global\\", name, 0);
    if (handle_ == INVALID_HANDLE_VALUE) handle_ = OpenPath("", name, 0);
  }
  return IsOpen();
}

void DeviceHandle::Close() {
  if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
}
