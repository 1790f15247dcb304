#pragma once

#include <cstdint>

#include "platform/scoped_handle.h"

// The machine-wide mutex that serialises install and uninstall transactions
// of every process. Released and closed on every path once obtained.
class InstallerMutex {
 public:
  InstallerMutex();
  ~InstallerMutex();
  InstallerMutex(const InstallerMutex&) = delete;
  InstallerMutex& operator=(const InstallerMutex&) = delete;

  // Waits up to 120 s. Only a time-out refuses the transaction (recording
  // `site` with code 1002); without a handle it runs unserialised.
  bool Acquire(uint16_t site);

  static const char* Name();

 private:
  ScopedHandle handle_;
};
