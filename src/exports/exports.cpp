#include "exports/exports.h"

#include "core/installer_container.h"
#include "core/process_objects.h"
#include "core/module_state.h"

namespace {

DWORD RunTransaction(bool install) {
  InstallerContainer container;
  if (!container.BuildComponents(0)) return 0;  // the previous call's success flag stays
  bool done = install ? container.Install(0) : container.Uninstall(0);
  g_lastCallSucceeded = done ? 1 : 0;
  return g_lastCallSucceeded;
}

}  // namespace

extern "C" {

DWORD WINAPI QelSysInstall(void) { return RunTransaction(true); }

DWORD WINAPI QelSysUnInstall(void) { return RunTransaction(false); }

DWORD WINAPI QelSysGetLastError(void) { return PublicLastErrorCode(); }

DWORD WINAPI QelSysGetTrackedErrors(DWORD* buffer) {
  if (buffer == nullptr) return FailureList().Count();
  return FailureList().CopyTo(buffer);
}

DWORD WINAPI UninstInitialize(void) {
  QelSysUnInstall();
  return 0;
}

DWORD WINAPI UninstUnInitialize(void) { return 0; }

}  // extern "C"
