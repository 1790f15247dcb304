#include "drivers/service_pipe_channel.h"

#include "drivers/version_exchange.h"

namespace {
constexpr int kAttempts = 10;
constexpr DWORD kPipeTimeout = 2000;
}  // namespace

ServicePipeChannel::ServicePipeChannel(const char* channelName, bool canStop,
                                       bool startsAfterInstall)
    : DeviceChannel(channelName, canStop, startsAfterInstall, 0) {}

bool ServicePipeChannel::QueryVersion(VersionNumber& version) {
  VersionRequest request{};
  request.code = kReportVersion;
  for (int attempt = 0; attempt < kAttempts && !version.IsValid(); ++attempt) {
    VersionReply reply{};
    DWORD read = 0;
    // A busy, missing or confused service is simply asked again.
    if (!CallNamedPipeA(kVersionPipeName, &request, sizeof request, &reply, sizeof reply, &read,
                        kPipeTimeout))
      continue;
    if (read != sizeof reply || reply.code != kReportVersion ||
        reply.status == kReplyWithoutVersion)
      continue;
    version.Set(reply.major, reply.minor, reply.build);
  }
  return true;
}
