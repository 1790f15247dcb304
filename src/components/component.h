#pragma once

#include <cstdint>

#include "core/installable.h"

// An installable unit that deploys or removes one thing through a fixed
// sequence of steps; the install and uninstall decisions are shared by every
// component, the steps are each subclass's own.
class Component : public Installable {
 public:
  Component() = default;
  ~Component() override = default;

  bool Install(uint32_t force) override;
  bool Uninstall(uint32_t arg) override;
  bool Prepare(uint32_t mode) override;
  uint32_t KindFlags() override { return 0x10; }

  virtual bool InstallSelf(bool force);
  virtual bool UninstallSelf(uint32_t arg);

  // The steps. mode is 0 for an install and 1 for an uninstall.
  virtual bool Exists() = 0;
  virtual bool NeedsUpdate() = 0;
  virtual bool MeetsRequiredVersion() = 0;
  virtual bool CanProceed(uint32_t mode) = 0;
  virtual bool CanReplaceNow(uint32_t mode) = 0;
  // True only when the payload was written now.
  virtual bool Deploy(bool allowDeferral) = 0;
  // True when the file is gone.
  virtual bool Remove(uint32_t mode) = 0;
  virtual bool DeployDeferred() = 0;
  virtual bool AfterInstall() = 0;
  virtual const char* ComponentName() = 0;
};
