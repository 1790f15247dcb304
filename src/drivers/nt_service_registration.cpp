// The service's entry in the service control manager: created, compared,
// rewritten and deleted.
#include <cstring>
#include <memory>
#include <new>

#include "drivers/nt_service_driver.h"
#include "drivers/service_failures.h"
#include "drivers/service_handle.h"
#include "drivers/service_security.h"

namespace {

constexpr int kRemovalPolls = 52;

bool IsEmpty(const char* text) { return text == nullptr || *text == '\0'; }

// Whether `configured` (the SCM's text, possibly null) contains `wanted`, ignoring case.
bool ContainsNoCase(const char* configured, const String& wanted) {
  if (configured == nullptr) return false;
  String haystack(configured), needle(wanted);
  haystack.MakeLower();
  needle.MakeLower();
  return std::strstr(haystack.CStr(), needle.CStr()) != nullptr;
}

}  // namespace

bool NtServiceDriver::IsRegistrationCurrent() {
  ServiceHandle manager(NtOnly::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  ServiceHandle service(
      NtOnly::OpenServiceA(manager.Get(), channel->name.CStr(), SERVICE_QUERY_CONFIG));
  if (!service.IsOpen()) return true;  // nothing there to be stale
  DWORD size = 1;
  NtOnly::QueryServiceConfigA(service.Get(), nullptr, 0, &size);
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[size]);
  if (!buffer) return false;
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.get());
  if (!NtOnly::QueryServiceConfigA(service.Get(), config, size, &size)) return false;

  bool groupMatches = loadOrderGroup.IsEmpty()
                          ? IsEmpty(config->lpLoadOrderGroup)
                          : config->lpLoadOrderGroup != nullptr &&
                                EqualNoCase(config->lpLoadOrderGroup, loadOrderGroup.CStr());
  bool dependenciesMatch =
      !dependencies ? IsEmpty(config->lpDependencies)
                    : config->lpDependencies != nullptr &&
                          EqualNoCase(config->lpDependencies, dependencies.get());
  // The path may be quoted, so containing the target path is enough.
  return config->dwServiceType == serviceType && config->dwStartType == StartType() &&
         ContainsNoCase(config->lpBinaryPathName, TargetPath()) && groupMatches &&
         dependenciesMatch && config->lpDisplayName != nullptr &&
         EqualNoCase(config->lpDisplayName, channel->name.CStr());
}

bool NtServiceDriver::UpdateRegistration() {
  ServiceHandle manager(NtOnly::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager.IsOpen()) {
    if (GetLastError() == ERROR_ACCESS_DENIED) return RecordFailure(0x3AE, kAccessDenied);
    RecordFailure(0x3B1, kGenericCode);
    return true;
  }
  ServiceHandle service(
      NtOnly::OpenServiceA(manager.Get(), channel->name.CStr(), SERVICE_CHANGE_CONFIG));
  if (!service.IsOpen()) {
    if (GetLastError() != ERROR_ACCESS_DENIED) return RecordFailure(0x3CC, kInUse);
    RecordFailure(0x3C6, kAccessDenied);
    return true;
  }
  if (NtOnly::ChangeServiceConfigA(service.Get(), serviceType, StartType(), SERVICE_NO_CHANGE,
                                   QuotedBinaryPath().CStr(), loadOrderGroup.CStr(), nullptr,
                                   dependencies.get(), nullptr, nullptr, channel->name.CStr()))
    return true;
  switch (GetLastError()) {
    case ERROR_ACCESS_DENIED:
      RecordFailure(0x3E3, kAccessDenied);
      return true;
    case ERROR_INVALID_PARAMETER:
      // The SCM will not turn this entry into the one wanted: build it anew.
      service.Close();
      if (!Unregister()) return false;
      return Register();
    case ERROR_SERVICE_MARKED_FOR_DELETE:
      if (channel->CheckStoppable()) RecordFailure(0x3E7, kInUse);
      return false;
    default:
      return true;
  }
}

bool NtServiceDriver::Register() {
  if (serviceType == 0) return RecordFailure(0x40C, kGenericCode);
  if (IsRegistered()) return IsRegistrationCurrent() || UpdateRegistration();
  ServiceHandle manager(NtOnly::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE));
  if (!manager.IsOpen()) return RecordRefusal(GetLastError(), 0x421, 0x423);
  const char* name = channel->name.CStr();
  ServiceHandle service(NtOnly::CreateServiceA(manager.Get(), name, name, SERVICE_ALL_ACCESS,
                                               serviceType, StartType(), SERVICE_ERROR_NORMAL,
                                               QuotedBinaryPath().CStr(), loadOrderGroup.CStr(),
                                               nullptr, dependencies.get(), nullptr, nullptr));
  if (service.IsOpen()) {
    GrantServiceControl(service.Get());
    return true;
  }
  DWORD error = GetLastError();
  if (error == ERROR_DUP_NAME || error == ERROR_SERVICE_EXISTS) return true;
  if (error == ERROR_SERVICE_MARKED_FOR_DELETE) {
    if (channel->CheckStoppable()) RecordFailure(0x43B, kInUse);
    return false;
  }
  return RecordRefusal(error, 0x438, 0x446);
}

bool NtServiceDriver::Unregister() {
  ServiceHandle manager(NtOnly::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager.IsOpen()) return RecordRefusal(GetLastError(), 0x474, 0x476);
  const char* name = channel->name.CStr();
  ServiceHandle service(NtOnly::OpenServiceA(manager.Get(), name, DELETE));
  if (!service.IsOpen()) {
    DWORD error = GetLastError();
    if (IsServiceGone(error)) return true;
    return RecordDenial(error, 0x482);
  }
  if (!NtOnly::DeleteService(service.Get())) {
    DWORD error = GetLastError();
    if (error == ERROR_SERVICE_MARKED_FOR_DELETE) {
      if (!channel->CheckStoppable()) return false;
    } else if (error != ERROR_INVALID_HANDLE) {
      return RecordRefusal(error, 0x49D, 0x49F);
    }
  }
  service.Close();
  // A driver that cannot be stopped keeps its entry until the next restart.
  if (!channel->stoppable) return RecordFailure(0x4A8, kRestartNeeded);
  Sleep(50);
  ServiceHandle probe(NtOnly::OpenServiceA(manager.Get(), name, 0));
  for (int poll = 0; probe.IsOpen(); ++poll) {
    if (poll == kRemovalPolls) return RecordFailure(0x4BD, kInUse);
    probe.Close();
    Sleep(100);
    probe = NtOnly::OpenServiceA(manager.Get(), name, 0);
  }
  return true;
}
