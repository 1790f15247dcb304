#include "drivers/device_channel.h"

#include "core/tracked_error_list.h"
#include "drivers/device_handle.h"
#include "drivers/version_exchange.h"

DeviceChannel::DeviceChannel(const char* channelName, bool canStop, bool startsAfterInstall,
                             DWORD versionCode)
    : name(channelName),
      stoppable(canStop),
      autoStart(startsAfterInstall),
      versionControlCode(versionCode) {}

DeviceChannel::~DeviceChannel() = default;

bool DeviceChannel::QueryVersion(VersionNumber& version) {
  if (versionControlCode == 0) return false;
  DeviceHandle device;
  if (device.Open(name.CStr())) ReadVersion(device.Get(), version);
  return true;
}

bool DeviceChannel::CheckStoppable() {
  if (!stoppable) return RecordFailure(0x82, kRestartNeeded);
  return true;
}

bool DeviceChannel::NotifyStopping(HANDLE) { return true; }

bool DeviceChannel::ReadVersion(HANDLE device, VersionNumber& version) {
  if (versionControlCode == 0) return false;
  KernelVersionReply reply{};
  DWORD returned = 0;
  if (!DeviceIoControl(device, versionControlCode, nullptr, 0, &reply, sizeof reply, &returned,
                       nullptr) ||
      returned != sizeof reply)
    return false;
  version.Set(reply.major, reply.minor, reply.build);
  return true;
}
