#pragma once

#include "platform/win_api.h"

// A library loaded by name for the length of one operation.
class ScopedLibrary {
 public:
  explicit ScopedLibrary(const char* name) : module_(LoadLibraryA(name)) {}
  ~ScopedLibrary() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  ScopedLibrary(const ScopedLibrary&) = delete;
  ScopedLibrary& operator=(const ScopedLibrary&) = delete;

  bool IsLoaded() const { return module_ != nullptr; }

  // The export as a function of type F, or null.
  template <typename F>
  F Find(const char* name) const {
    if (module_ == nullptr) return nullptr;
    // Through the generic function type, which converts to any other.
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module_, name)));
  }

 private:
  HMODULE module_;
};
