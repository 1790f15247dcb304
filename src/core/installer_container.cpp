#include "core/installer_container.h"

#include "core/component_set.h"
#include "core/process_objects.h"

bool InstallerContainer::Install(uint32_t force) { return InstallChildren(force); }

bool InstallerContainer::Uninstall(uint32_t arg) { return UninstallChildren(arg); }

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
  return ok;
}

bool InstallerContainer::BuildComponents(uint32_t) {
  if (!BuildComponentSet(*this)) return false;
  return Validate();
}
