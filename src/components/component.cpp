#include "components/component.h"

#include "core/tracked_error_list.h"

bool Component::Install(uint32_t force) {
  if (ItemFlags() & SkipInstall) return true;
  bool children = InstallChildren(force);
  bool self = InstallSelf(force != 0);
  return children && self;
}

bool Component::Uninstall(uint32_t arg) {
  if (ItemFlags() & SkipUninstall) return true;
  bool self = UninstallSelf(arg);
  bool children = UninstallChildren(arg);
  return self && children;
}

bool Component::Prepare(uint32_t mode) {
  if ((mode == 0 && (ItemFlags() & SkipInstall)) || (mode == 1 && (ItemFlags() & SkipUninstall)))
    return true;
  if (CanProceed(mode)) return true;
  if (mode != 0) return false;
  // A file that cannot be replaced now still lets the install go on when
  // the copy in place is recent enough.
  return MeetsRequiredVersion();
}

bool Component::InstallSelf(bool force) {
  bool proceed = false;
  if (!Exists()) {
    proceed = Deploy(false) && RecordOutcome(0x129, kOutcomeInstalled);
  } else if (!force && !NeedsUpdate()) {
    proceed = RecordOutcome(0x122, kOutcomeCurrent);
  } else if (CanReplaceNow(0)) {
    proceed = Deploy(false) && RecordOutcome(0x102, kOutcomeWritten);
  } else if (MeetsRequiredVersion()) {
    RecordOutcome(0x119, kOutcomeAccepted);
    DeployDeferred();
    proceed = true;
  } else {
    if (Deploy(true)) RecordOutcome(0x10D, kOutcomeWritten);
    RecordFailure(0x115, kRestartNeeded);
  }
  if (proceed && AfterInstall()) return true;
  // Whatever failed stays recorded; a copy with the required version is
  // still good enough.
  if (MeetsRequiredVersion()) return RecordOutcome(0x133, kOutcomeAccepted);
  return false;
}

bool Component::UninstallSelf(uint32_t) {
  if (Exists()) {
    if (CanReplaceNow(1)) {
      if (!Remove(0)) return false;
    } else {
      Remove(1);
      return RecordFailure(0x153, kRestartNeeded);
    }
  }
  return RecordOutcome(0x157, kOutcomeRemoved);
}
