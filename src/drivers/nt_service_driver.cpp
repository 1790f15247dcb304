#include "drivers/nt_service_driver.h"

#include <cstring>
#include <memory>
#include <new>

#include "core/process_objects.h"
#include "drivers/device_handle.h"
#include "drivers/service_failures.h"
#include "drivers/service_handle.h"

namespace {

constexpr int kStatePolls = 102;
constexpr DWORD kStatePause = 200;

// Polls up to 102 times, 200 ms apart, for the wanted state. A start asks
// again before each pause, a stop after it.
bool AwaitState(SC_HANDLE service, DWORD wanted, bool askBeforePause) {
  SERVICE_STATUS status = {};
  NtOnly::QueryServiceStatus(service, &status);
  for (int poll = 0; poll < kStatePolls; ++poll) {
    if (status.dwCurrentState == wanted) return true;
    if (askBeforePause) NtOnly::QueryServiceStatus(service, &status);
    Sleep(kStatePause);
    if (!askBeforePause) NtOnly::QueryServiceStatus(service, &status);
  }
  return false;
}

uint16_t StartFailureSite(DWORD error, uint16_t* code) {
  *code = kRestartNeeded;
  switch (error) {
    case ERROR_FILE_NOT_FOUND: *code = kStartFailed; return 0x51F;
    case ERROR_PATH_NOT_FOUND: *code = kStartFailed; return 0x51D;
    case ERROR_ACCESS_DENIED: *code = kAccessDenied; return 0x51B;
    case ERROR_MR_MID_NOT_FOUND: return 0x525;
    case ERROR_SERVICE_DEPENDENCY_FAIL: return 0x523;
    case ERROR_SERVICE_DEPENDENCY_DELETED: return 0x521;
    case ERROR_REVISION_MISMATCH: return 0x527;
    default: return 0x52A;
  }
}

}  // namespace

NtServiceDriver::NtServiceDriver(const char* fileName, uint32_t payloadResourceId,
                                 const char* targetFolderText, DWORD type,
                                 std::unique_ptr<DeviceChannel> driverChannel)
    : SystemDriver(fileName, payloadResourceId, targetFolderText, std::move(driverChannel)),
      serviceType(type) {}

NtServiceDriver::~NtServiceDriver() = default;

DWORD NtServiceDriver::StartType() const {
  if (!channel->autoStart) return SERVICE_DEMAND_START;
  switch (serviceType) {
    case SERVICE_KERNEL_DRIVER:
    case SERVICE_FILE_SYSTEM_DRIVER:
    case SERVICE_WIN32_OWN_PROCESS:
    case SERVICE_WIN32_SHARE_PROCESS:
      return SERVICE_AUTO_START;
    default:
      return SERVICE_DEMAND_START;
  }
}

String NtServiceDriver::QuotedBinaryPath() {
  String path = TargetPath();
  if (std::strchr(path.CStr(), ' ') == nullptr) return path;
  return String("\"") + path + String("\"");
}

bool NtServiceDriver::IsRunning() {
  VersionNumber version;
  channel->QueryVersion(version);
  if (version.IsValid()) return true;
  if (serviceType != SERVICE_WIN32_OWN_PROCESS) {
    DeviceHandle device;
    if (device.Open(channel->name.CStr())) return true;
  }
  ServiceHandle manager(NtOnly::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager.IsOpen()) return RecordRefusal(GetLastError(), 0x18B, 0x18D);
  ServiceHandle service(
      NtOnly::OpenServiceA(manager.Get(), channel->name.CStr(), SERVICE_QUERY_STATUS));
  if (!service.IsOpen()) return RecordDenial(GetLastError(), 0x199);
  SERVICE_STATUS status = {};
  if (!NtOnly::QueryServiceStatus(service.Get(), &status))
    return RecordDenial(GetLastError(), 0x1A7);
  return status.dwCurrentState == SERVICE_RUNNING;
}

bool NtServiceDriver::Stop() {
  if (!channel->CheckStoppable()) return false;
  ServiceHandle manager(NtOnly::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager.IsOpen()) return RecordRefusal(GetLastError(), 0x1D3, 0x1D5);
  ServiceHandle service(NtOnly::OpenServiceA(manager.Get(), channel->name.CStr(),
                                             SERVICE_STOP | SERVICE_QUERY_STATUS));
  if (!service.IsOpen()) {
    DWORD error = GetLastError();
    if (IsServiceGone(error)) return true;  // nothing left to stop
    return RecordRefusal(error, 0x1E0, 0x1E6, kStopFailed);
  }
  if (!channel->NotifyStopping(nullptr)) return false;
  SERVICE_STATUS status = {};
  if (!NtOnly::ControlService(service.Get(), SERVICE_CONTROL_STOP, &status)) {
    DWORD error = GetLastError();
    if (error == ERROR_SERVICE_NOT_ACTIVE) return true;
    // A service between states cannot take the control now; wait for it below.
    if (error != ERROR_SERVICE_CANNOT_ACCEPT_CTRL) {
      if (error == ERROR_INVALID_SERVICE_CONTROL) return RecordFailure(0x1FD, kStopFailed);
      return RecordRefusal(error, 0x1F7, 0x1FF);
    }
  }
  if (status.dwCurrentState == SERVICE_STOPPED) return true;
  if (AwaitState(service.Get(), SERVICE_STOPPED, false)) return true;
  return RecordFailure(0x226, kStopFailed);
}

bool NtServiceDriver::Start() {
  if (!channel->autoStart) return true;
  ServiceHandle manager(NtOnly::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager.IsOpen()) return RecordRefusal(GetLastError(), 0x4E2, 0x4E4);
  ServiceHandle service(NtOnly::OpenServiceA(manager.Get(), channel->name.CStr(),
                                             SERVICE_START | SERVICE_QUERY_STATUS));
  if (!service.IsOpen()) return RecordRefusal(GetLastError(), 0x4F2, 0x4F7, kInUse);
  if (NtOnly::StartServiceA(service.Get(), 0, nullptr)) {
    if (AwaitState(service.Get(), SERVICE_RUNNING, true)) return true;
    return RecordFailure(0x544, kStartFailed);
  }
  DWORD error = GetLastError();
  if (error == ERROR_SERVICE_ALREADY_RUNNING) return true;
  if (error == ERROR_SERVICE_DISABLED || error == ERROR_SERVICE_MARKED_FOR_DELETE) {
    // A driver that may not be stopped now is only replaced at the next restart.
    if (!channel->CheckStoppable()) return true;
    return RecordFailure(0x50C, kInUse);
  }
  uint16_t code = 0;
  uint16_t site = StartFailureSite(error, &code);
  return RecordFailure(site, code);
}

bool NtServiceDriver::IsServiceDeletePending(const char* serviceName) {
  if (serviceName == nullptr) return false;
  ServiceHandle manager(NtOnly::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  ServiceHandle service(NtOnly::OpenServiceA(manager.Get(), serviceName, SERVICE_QUERY_STATUS));
  if (!service.IsOpen()) return RecordDenial(GetLastError(), 0x5A6);
  SERVICE_STATUS status = {};
  if (!NtOnly::QueryServiceStatus(service.Get(), &status))
    return RecordDenial(GetLastError(), 0x5BA);
  if (status.dwCurrentState != SERVICE_RUNNING) return false;
  // No order is documented among StartServiceA's 1056, 1058 and 1072 for a
  // running service (Wine gives 1056 once it is marked): ask the configuration.
  ServiceHandle probe(NtOnly::OpenServiceA(manager.Get(), serviceName,
                                           SERVICE_QUERY_CONFIG | SERVICE_CHANGE_CONFIG));
  if (!probe.IsOpen()) return RecordFailure(0x5C4, kAccessDenied);
  // A change that changes nothing is refused only once the service is marked.
  if (!NtOnly::ChangeServiceConfigA(probe.Get(), SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                                    SERVICE_NO_CHANGE, nullptr, nullptr, nullptr, nullptr, nullptr,
                                    nullptr, nullptr))
    return GetLastError() == ERROR_SERVICE_MARKED_FOR_DELETE;
  DWORD size = 1;
  NtOnly::QueryServiceConfigA(probe.Get(), nullptr, 0, &size);
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[size]);
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.get());
  return buffer && NtOnly::QueryServiceConfigA(probe.Get(), config, size, &size) &&
         config->dwStartType == SERVICE_DISABLED;
}

NtServiceDriver* CreateNtServiceDriver(const char* fileName, uint32_t resourceId,
                                       const char* targetFolder, DWORD serviceType,
                                       std::unique_ptr<DeviceChannel> channel) {
  if (!channel) {
    RecordFailure(0x111, kGenericCode);
    return nullptr;
  }
  if (!CurrentOsVersion().IsNt()) {
    RecordFailure(0x116, kGenericCode);
    return nullptr;
  }
  return new (std::nothrow)
      NtServiceDriver(fileName, resourceId, targetFolder, serviceType, std::move(channel));
}
