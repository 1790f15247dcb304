#pragma once

#include "components/bound_file_component.h"
#include "drivers/system_driver.h"

// Installs and removes one system driver: its file through the file steps,
// its registration and run-time state through the driver, in the order
// that lets a running driver be replaced.
class DriverComponent : public BoundFileComponent {
 public:
  // Takes a further reference to the driver, which may be null.
  explicit DriverComponent(SystemDriver* systemDriver);
  ~DriverComponent() override;

  bool Validate() override;
  uint32_t KindFlags() override { return 0x17; }
  bool Exists() override;
  bool NeedsUpdate() override;
  bool MeetsRequiredVersion() override;
  bool CanProceed(uint32_t mode) override;
  bool CanReplaceNow(uint32_t mode) override;
  bool Deploy(bool allowDeferral) override;
  bool Remove(uint32_t mode) override;
  bool AfterInstall() override;
  virtual SystemDriver* GetSystemDriver() { return driver; }

 protected:
  SystemDriver* driver;
};
