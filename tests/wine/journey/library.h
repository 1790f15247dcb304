// The library under test, loaded from a given file the way a setup program
// loads it, with its exports bound by name.
#pragma once

#include <string>
#include <vector>

#include "owned.h"

// What one install or uninstall call reported.
struct CallReport {
  DWORD result = 0;
  DWORD lastError = 0;
  std::vector<DWORD> tracked;  // newest first
};

class Library {
 public:
  explicit Library(const std::string& path);

  bool Loaded() const { return install_ != nullptr; }
  CallReport Install() { return Call(install_); }
  CallReport Uninstall() { return Call(uninstall_); }
  DWORD LastError() const { return lastError_(); }
  std::vector<DWORD> TrackedErrors() const;

 private:
  using Export = DWORD(WINAPI*)(void);
  CallReport Call(Export run) const;

  OwnedModule module_;
  Export install_ = nullptr;
  Export uninstall_ = nullptr;
  Export lastError_ = nullptr;
  DWORD(WINAPI* tracked_)(DWORD*) = nullptr;
};
