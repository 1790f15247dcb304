#pragma once

#include "core/installable.h"

// Root of one exported call: builds the platform's component set and runs one
// transaction over it.
class InstallerContainer : public Installable {
 public:
  InstallerContainer() = default;
  ~InstallerContainer() override = default;

  bool Install(uint32_t force) override;
  bool Uninstall(uint32_t arg) override;
  bool Validate() override;
  bool Prepare(uint32_t mode) override;
  uint32_t KindFlags() override { return 0x8000; }
  virtual bool BuildComponents(uint32_t unused);
};
