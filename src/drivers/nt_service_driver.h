#pragma once

#include <memory>

#include "drivers/system_driver.h"

// The NT kernel driver and the NT service, registered, started, stopped and
// removed through the service control manager. The service name and display
// name are the channel's name.
class NtServiceDriver : public SystemDriver {
 public:
  NtServiceDriver(const char* fileName, uint32_t payloadResourceId, const char* targetFolderText,
                  DWORD type, std::unique_ptr<DeviceChannel> driverChannel);

  bool IsRunning() override;
  bool Stop() override;
  bool CheckInstall() override;
  bool CheckUpdate() override;
  bool CheckRemove() override;
  bool CheckStop() override;
  bool IsRegistered() override;
  bool IsRegistrationCurrent() override;
  bool UpdateRegistration() override;
  bool Register() override;
  bool Unregister() override;
  bool Start() override;

  // The service runs but can no longer be started: disabled or marked for deletion.
  bool IsServiceDeletePending(const char* serviceName);
  DWORD StartType() const;
  // TargetPath, in double quotes when it holds a blank.
  String QuotedBinaryPath();

  DWORD serviceType;
  String loadOrderGroup;
  std::unique_ptr<char[]> dependencies;  // double-NUL-terminated names, or null
  DWORD dependenciesLength = 0;

 protected:
  ~NtServiceDriver() override;
};

// Null (and a recorded failure) without a channel or off NT.
NtServiceDriver* CreateNtServiceDriver(const char* fileName, uint32_t resourceId,
                                       const char* targetFolder, DWORD serviceType,
                                       std::unique_ptr<DeviceChannel> channel);
