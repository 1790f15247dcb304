#include "drivers/system_driver.h"

SystemDriver::SystemDriver(const char* fileName, uint32_t payloadResourceId,
                           const char* targetFolderText,
                           std::unique_ptr<DeviceChannel> driverChannel)
    : ItemDescriptor(fileName, nullptr, targetFolderText, nullptr, payloadResourceId),
      channel(std::move(driverChannel)) {}

SystemDriver::~SystemDriver() = default;

bool SystemDriver::QueryRunningVersion(VersionNumber& version) {
  if (!IsRunning()) return true;
  return channel->QueryVersion(version);
}
