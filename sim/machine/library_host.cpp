#include "machine/library_host.h"

namespace {
template <typename F>
bool Bind(HMODULE module, const char* name, F& target) {
  // Through the generic function type, which converts to any other without a warning.
  target = reinterpret_cast<F>(reinterpret_cast<void (*)(void)>(GetProcAddress(module, name)));
  return target != nullptr;
}
}  // namespace

LibraryHost::LibraryHost(const char* fileName) : module_(LoadLibraryA(fileName)) {
  if (module_ == nullptr) return;
  bound_ = Bind(module_, "QelSysInstall", Install) & Bind(module_, "QelSysUnInstall", UnInstall) &
           Bind(module_, "QelSysGetLastError", GetLastErrorCode) &
           Bind(module_, "QelSysGetTrackedErrors", GetTrackedErrors) &
           Bind(module_, "QelSysGetCurrentBranding", GetCurrentBranding) &
           Bind(module_, "UninstInitialize", UninstInitialize) &
           Bind(module_, "UninstUnInitialize", UninstUnInitialize);
}

LibraryHost::~LibraryHost() {
  if (module_ != nullptr) FreeLibrary(module_);
}
