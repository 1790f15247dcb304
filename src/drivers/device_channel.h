#pragma once

#include "platform/string.h"
#include "platform/version_number.h"
#include "platform/win_api.h"

// How the installer reaches a running driver: the name the system knows it
// by, whether it may be stopped and started, and how to ask its version.
class DeviceChannel {
 public:
  DeviceChannel(const char* channelName, bool canStop, bool startsAfterInstall,
                DWORD versionCode);
  virtual ~DeviceChannel();
  DeviceChannel(const DeviceChannel&) = delete;
  DeviceChannel& operator=(const DeviceChannel&) = delete;

  // True when the channel could ask; the version is valid when the driver answered.
  virtual bool QueryVersion(VersionNumber& version);
  // False (site 0x82, code 1001) when the driver must not be stopped now.
  virtual bool CheckStoppable();
  virtual bool NotifyStopping(HANDLE device);
  virtual bool ReadVersion(HANDLE device, VersionNumber& version);

  String name;
  bool stoppable;
  bool autoStart;
  DWORD versionControlCode;
};
