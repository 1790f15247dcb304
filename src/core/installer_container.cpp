#include "core/installer_container.h"

#include "core/component_set.h"
#include "core/installed_products.h"
#include "core/installer_mutex.h"
#include "core/process_objects.h"
#include "core/module_state.h"
#include "platform/path_macro.h"
#include "platform/registry_key.h"

namespace {

const char* const kInstallerKey = "SOFTWARE\\Ostravik\\Lumasett\\Installer";
const char* const kInUseCount = "ComponentsInUseCount";
const DWORD kRefusalsBeforeGoingAhead = 3;

// After an uninstall that removed nothing; always false, the uninstall failed.
bool RefileProduct() {
  if (!RegisterProduct()) RecordFailure(0x606, kGenericCode);
  return false;
}

void ClearLists() {
  FailureList().ClearIfAutoClear();
  OutcomeList().ClearIfAutoClear();
}

}  // namespace

bool InstallerContainer::Install(uint32_t force) {
  InstallerMutex mutex;
  if (!mutex.Acquire(0x22E)) return false;
  ClearLists();
  if (!Prepare(0)) return false;
  if (!CheckProductsKey()) return false;

  // The main driver file's shared count is pinned so that nobody else removes it.
  RegistryKey sharedDlls("Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", true);
  PathMacro mainDriver(CurrentOsVersion().IsNt() ? "%%ntdrivers%%QELC11BA.EXE"
                                                 : "%%system%%QELC11BA.VXD");
  sharedDlls.WriteDword(mainDriver.Expand().CStr(), 0xFFFF);

  bool result = InstallChildren(force);
  // A restart still completes this install, so the product counts as installed.
  // Unfiled, it would count for nothing when another product is removed.
  if ((result || PublicLastErrorCode() == kRestartNeeded) && !RegisterProduct())
    result = RecordFailure(0x602, kGenericCode);
  return result;
}

bool InstallerContainer::Uninstall(uint32_t arg) {
  InstallerMutex mutex;
  if (!mutex.Acquire(0x27A)) return false;
  ClearLists();
  ProductsLeft left = UnregisterProduct();
  if ((arg & 0xFF) == 0) {
    if (left == ProductsLeft::Some) return true;
    // Whether another product still relies on the components is not known.
    if (left == ProductsLeft::Unknown) return RefileProduct();
  }
  // Nothing was removed, so the product stays filed.
  if (!Prepare(1)) return RefileProduct();
  return UninstallChildren(arg);
}

bool InstallerContainer::Validate() {
  // Breadth-first over every level; every item is validated even after a failure.
  bool result = true;
  Children level = ChildList();
  while (!level.empty()) {
    Children next;
    for (Installable* item : level) {
      if (item == nullptr) continue;
      result = item->Validate() && result;
      next.insert(next.end(), item->FirstChild(), item->EndOfChildren());
    }
    level.swap(next);
  }
  return result;
}

bool InstallerContainer::Prepare(uint32_t mode) {
  bool ok = true;
  Children level = ChildList();
  while (!level.empty() && ok) {
    Children next;
    for (Installable* item : level) {
      if (!ok) break;
      if (item == nullptr) continue;
      ok = item->Prepare(mode);
      // A denial ends the level; the children of the items already asked still go on.
      if (FailureList().NewestCode() == kAccessDenied) break;
      next.insert(next.end(), item->FirstChild(), item->EndOfChildren());
    }
    level.swap(next);
  }

  bool clearCounter = true;
  if (!ok) {
    FailureList().ReplaceCode(kRestartNeeded, kRestartPending);
    if (FailureList().PublicCode() == kInUse) {
      // Refusals because something is in use are counted; after three in a
      // row the next transaction goes ahead and defers to the restart.
      RegistryKey installer(kInstallerKey, true);
      if (installer.Open(false) != nullptr) {
        DWORD count = 0;
        bool read = installer.ReadDword(kInUseCount, &count);
        if (read && count >= kRefusalsBeforeGoingAhead) {
          ok = true;
          FailureList().ReplaceCode(kInUse, 0);
        } else {
          installer.WriteDword(kInUseCount, read ? count + 1 : 1);
          clearCounter = false;
        }
      }
    }
    if (!clearCounter) return ok;
  }
  RegistryKey installer(kInstallerKey, false);
  if (installer.Open(false) != nullptr) installer.DeleteValue(kInUseCount);
  return ok;
}

bool InstallerContainer::BuildComponents(uint32_t) {
  if (!BuildComponentSet(*this)) return false;
  return Validate();
}
