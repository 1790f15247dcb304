#pragma once

#include "drivers/device_channel.h"

// The NT service's channel: the version comes over the service's named pipe.
class ServicePipeChannel : public DeviceChannel {
 public:
  ServicePipeChannel(const char* channelName, bool canStop, bool startsAfterInstall);

  // Always true; up to ten exchanges until one carries a version.
  bool QueryVersion(VersionNumber& version) override;
};
