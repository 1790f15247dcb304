#pragma once

#include "drivers/system_driver.h"

// The Windows 9x virtual device driver, registered under KnownVxDs and
// loaded by Windows when its device is opened.
class VxdDriver : public SystemDriver {
 public:
  using SystemDriver::SystemDriver;

  bool IsRunning() override;
  bool Stop() override;
  bool CheckInstall() override { return true; }
  bool CheckUpdate() override { return true; }
  bool CheckRemove() override { return true; }
  bool CheckStop() override { return true; }
  bool IsRegistered() override;
  bool IsRegistrationCurrent() override;
  bool UpdateRegistration() override;
  bool Register() override;
  bool Unregister() override;
  bool Start() override;

 protected:
  ~VxdDriver() override = default;

 private:
  String DevicePath() const;
};

// Null (and a recorded failure) without a channel or off Windows 9x.
VxdDriver* CreateVxdDriver(const char* fileName, uint32_t resourceId, const char* targetFolder,
                           std::unique_ptr<DeviceChannel> channel);
