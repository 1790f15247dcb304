#include "drivers/vxd_channel.h"

#include "drivers/version_exchange.h"

namespace {
constexpr DWORD kVxdVersionCode = 0x8FF;
}

VxdChannel::VxdChannel(const char* channelName, bool canStop, bool startsAfterInstall)
    : DeviceChannel(channelName, canStop, startsAfterInstall, 0) {}

bool VxdChannel::ReadVersion(HANDLE device, VersionNumber& version) {
  VersionRequest request{};
  VersionReply reply{};
  DWORD returned = 0;
  if (!DeviceIoControl(device, kVxdVersionCode, &request, sizeof request, &reply, sizeof reply,
                       &returned, nullptr) ||
      returned != sizeof reply || reply.code != kReportVersion)
    return false;
  version.Set(reply.major, reply.minor, reply.build);
  return true;
}
