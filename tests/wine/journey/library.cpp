#include "library.h"

namespace {

template <typename F>
F Bind(HMODULE module, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void (*)(void)>(GetProcAddress(module, name)));
}

}  // namespace

Library::Library(const std::string& path) : module_(LoadLibraryA(path.c_str())) {
  if (!module_.Valid()) return;
  HMODULE m = module_.Get();
  auto install = Bind<Export>(m, "QelSysInstall");
  uninstall_ = Bind<Export>(m, "QelSysUnInstall");
  lastError_ = Bind<Export>(m, "QelSysGetLastError");
  tracked_ = Bind<DWORD(WINAPI*)(DWORD*)>(m, "QelSysGetTrackedErrors");
  // Loaded() only when every export the journeys call is there.
  if (uninstall_ && lastError_ && tracked_) install_ = install;
}

std::vector<DWORD> Library::TrackedErrors() const {
  std::vector<DWORD> entries(tracked_(nullptr));
  if (!entries.empty()) entries.resize(tracked_(entries.data()));
  return entries;
}

CallReport Library::Call(Export run) const {
  CallReport report;
  report.result = run();
  report.lastError = lastError_();
  report.tracked = TrackedErrors();
  return report;
}
