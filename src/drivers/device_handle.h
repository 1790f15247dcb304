#pragma once

#include "platform/win_api.h"

// Owns a handle to a named device and closes it on every path.
class DeviceHandle {
 public:
  DeviceHandle() = default;
  ~DeviceHandle() { Close(); }
  DeviceHandle(const DeviceHandle&) = delete;
  DeviceHandle& operator=(const DeviceHandle&) = delete;

  // Opens "\\.\" + name (on NT first in the global namespace); true when a
  // valid handle is now held.
  bool Open(const char* name);
  void Close();
  HANDLE Get() const { return handle_; }
  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};
