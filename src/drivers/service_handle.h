#pragma once

#include "platform/win_api.h"

// Owns a service control manager or service handle. Declare the service's
// wrapper after its manager's, so that it is closed first.
class ServiceHandle {
 public:
  explicit ServiceHandle(SC_HANDLE handle = nullptr) : handle_(handle) {}
  virtual ~ServiceHandle() { Close(); }
  ServiceHandle(const ServiceHandle&) = delete;
  ServiceHandle& operator=(const ServiceHandle&) = delete;

  virtual void Close() {
    if (handle_ != nullptr) NtOnly::CloseServiceHandle(handle_);
    handle_ = nullptr;
  }
  ServiceHandle& operator=(SC_HANDLE handle) {
    if (handle != handle_) Close();
    handle_ = handle;
    return *this;
  }

  SC_HANDLE Get() const { return handle_; }
  bool IsOpen() const { return handle_ != nullptr; }

 private:
  SC_HANDLE handle_;
};
