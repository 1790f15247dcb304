#pragma once

#include "drivers/device_channel.h"

// The Windows 9x virtual device driver's channel; it asks no version.
class VxdChannel : public DeviceChannel {
 public:
  VxdChannel(const char* channelName, bool canStop, bool startsAfterInstall);

  bool ReadVersion(HANDLE device, VersionNumber& version) override;
};
