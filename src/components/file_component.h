#pragma once

#include <cstdint>

#include "components/component.h"
#include "components/item_descriptor.h"
#include "platform/win_api.h"

// The component that deploys, replaces and removes the one file its
// descriptor describes: written from a "BINARY" resource of the library or
// copied from a file, retried while the file is busy, and handed to the next
// restart when it stays in use.
class FileComponent : public Component {
 public:
  // Takes a reference to the descriptor, which may be null.
  explicit FileComponent(ItemDescriptor* item);
  ~FileComponent() override;

  bool Validate() override;
  uint32_t KindFlags() override { return 0x11; }
  bool Exists() override;
  bool NeedsUpdate() override;
  bool MeetsRequiredVersion() override;
  bool CanProceed(uint32_t mode) override;
  bool CanReplaceNow(uint32_t mode) override;
  bool Deploy(bool allowDeferral) override;
  bool Remove(uint32_t mode) override;
  bool DeployDeferred() override;
  bool AfterInstall() override { return true; }
  const char* ComponentName() override;
  virtual ItemDescriptor* GetDescriptor() { return descriptor; }

  // Stages the payload beside the file in the install folder and schedules
  // its move over the file at the next restart.
  bool ScheduleReplacement();
  // Schedules the deletion of the target file at the next restart.
  bool ScheduleDeletion();
  // True when a pending operation concerns the file at the target or
  // install path; unless onlyLook, those operations are cancelled.
  bool CancelPendingOperations(bool onlyLook);

 protected:
  ItemDescriptor* descriptor;

 private:
  // Opens the target exclusively: ERROR_SUCCESS when that worked, else the error.
  DWORD TryExclusiveOpen();
  bool WritePayload(const String& path);
};
