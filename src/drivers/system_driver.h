#pragma once

#include <memory>

#include "components/item_descriptor.h"
#include "drivers/device_channel.h"

// A payload that the operating system must know about and may load, start
// and stop: the Windows 9x VxD, the NT kernel driver and the NT service.
class SystemDriver : public ItemDescriptor {
 protected:
  ~SystemDriver() override;

 public:
  SystemDriver(const char* fileName, uint32_t payloadResourceId, const char* targetFolderText,
               std::unique_ptr<DeviceChannel> driverChannel);

  virtual bool IsRunning() = 0;
  virtual bool Stop() = 0;
  virtual bool CheckInstall() = 0;
  virtual bool CheckUpdate() = 0;
  virtual bool CheckRemove() = 0;
  virtual bool CheckStop() = 0;
  virtual bool IsRegistered() = 0;
  virtual bool IsRegistrationCurrent() = 0;
  virtual bool UpdateRegistration() = 0;
  virtual bool Register() = 0;
  virtual bool Unregister() = 0;
  virtual bool Start() = 0;
  // Takes an invalid version; it stays invalid when the driver does not run
  // or does not answer.
  virtual bool QueryRunningVersion(VersionNumber& version);

  std::unique_ptr<DeviceChannel> channel;
  // Set when a look at the driver took its registration away and could not
  // put it back; cleared when it is registered again.
  bool registrationLost = false;
};
