#include "drivers/vxd_driver.h"

#include <new>

#include "core/process_objects.h"
#include "platform/registry_key.h"
#include "platform/scoped_handle.h"

namespace {

const char kKnownVxDs[] = "System\\CurrentControlSet\\Control\\SessionManager\\KnownVxDs";
constexpr DWORD kPathSize = 260;

}  // namespace

String VxdDriver::DevicePath() const { return String("\\\\.\\") + channel->name; }

bool VxdDriver::IsRunning() {
  // Without its KnownVxDs value the open cannot load the driver, so only a
  // driver Windows already has loaded answers.
  RegistryKey key(kKnownVxDs, true);
  char registration[kPathSize] = {};
  if (key.ReadString(channel->name.CStr(), registration, kPathSize))
    key.DeleteValue(channel->name.CStr());
  ScopedHandle device(CreateFileA(DevicePath().CStr(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  bool running = device.IsValid();
  device.Reset();
  if (registration[0] != '\0' && !key.WriteString(channel->name.CStr(), registration)) {
    registrationLost = true;
    RecordFailure(0x603, kGenericCode);
  }
  return running;
}

bool VxdDriver::Stop() {
  if (!channel->CheckStoppable()) return false;
  ScopedHandle device(
      CreateFileA(DevicePath().CStr(), 0, 0, nullptr, 0, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  if (!device.IsValid()) {
    if (GetLastError() == ERROR_SHARING_VIOLATION) return RecordFailure(0x154, kInUse);
    return RecordFailure(0x159, kRestartNeeded);
  }
  bool result = channel->NotifyStopping(device.Get());
  if (IsRegistered()) result = Unregister();
  return result;  // closing the last handle unloads the driver
}

bool VxdDriver::IsRegistered() {
  RegistryKey key(kKnownVxDs, true);
  char registration[kPathSize] = {};
  return key.ReadString(channel->name.CStr(), registration, kPathSize);
}

bool VxdDriver::IsRegistrationCurrent() {
  RegistryKey key(kKnownVxDs, true);
  char registration[kPathSize] = {};
  if (!key.ReadString(channel->name.CStr(), registration, kPathSize)) return false;
  return EqualNoCase(registration, TargetPath().CStr());
}

bool VxdDriver::UpdateRegistration() { return Register(); }

bool VxdDriver::Register() {
  RegistryKey key(kKnownVxDs, true);
  if (!key.WriteString(channel->name.CStr(), TargetPath().CStr())) return false;
  registrationLost = false;
  return true;
}

bool VxdDriver::Unregister() {
  RegistryKey key(kKnownVxDs, true);
  return key.DeleteValue(channel->name.CStr());
}

bool VxdDriver::Start() {
  // Windows loads the driver from its registration unless the channel asks for more.
  if (!channel->autoStart) return true;
  ScopedHandle device(CreateFileA(DevicePath().CStr(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, 0, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  if (!device.IsValid()) return RecordFailure(0x236, kRestartNeeded);
  return true;
}

VxdDriver* CreateVxdDriver(const char* fileName, uint32_t resourceId, const char* targetFolder,
                           std::unique_ptr<DeviceChannel> channel) {
  if (!channel) {
    RecordFailure(0xD2, kGenericCode);
    return nullptr;
  }
  if (!CurrentOsVersion().IsWin9x()) {
    RecordFailure(0xD8, kGenericCode);
    return nullptr;
  }
  return new (std::nothrow) VxdDriver(fileName, resourceId, targetFolder, std::move(channel));
}
