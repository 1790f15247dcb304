// Whether the caller may register, update and remove the service now.
#include <cstring>

#include "drivers/nt_service_driver.h"
#include "drivers/service_failures.h"
#include "drivers/service_handle.h"

bool NtServiceDriver::CheckInstall() {
  {
    ServiceHandle manager(NtOnly::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE));
    if (!manager.IsOpen()) return RecordRefusal(GetLastError(), 0x246, 0x248);
    ServiceHandle service(NtOnly::OpenServiceA(
        manager.Get(), channel->name.CStr(),
        SERVICE_QUERY_CONFIG | SERVICE_CHANGE_CONFIG | SERVICE_QUERY_STATUS | SERVICE_START));
    if (!service.IsOpen()) {
      DWORD error = GetLastError();
      if (error == ERROR_ACCESS_DENIED) return RecordFailure(0x254, kAccessDenied);
      if (!IsServiceGone(error)) return false;
    }
  }
  return CheckUpdate();
}

bool NtServiceDriver::CheckUpdate() {
  if (IsServiceDeletePending(channel->name.CStr())) {
    if (channel->CheckStoppable()) RecordFailure(0x279, kInUse);
    return false;
  }
  if (dependencies && dependenciesLength > 0) {
    for (DWORD offset = 0; offset < dependenciesLength;) {
      const char* dependency = dependencies.get() + offset;
      if (*dependency != '\0' && IsServiceDeletePending(dependency))
        return RecordFailure(0x28F, kRestartNeeded);
      offset += static_cast<DWORD>(std::strlen(dependency)) + 1;
    }
  }
  if (!IsRegistrationCurrent()) {
    // Rewriting the registration needs the manager's full access.
    ServiceHandle manager(NtOnly::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager.IsOpen()) return RecordRefusal(GetLastError(), 0x2A5, 0x2A8);
  }
  ServiceHandle manager(NtOnly::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager.IsOpen()) return RecordRefusal(GetLastError(), 0x2BB, 0x2BE);
  ServiceHandle service(
      NtOnly::OpenServiceA(manager.Get(), channel->name.CStr(), SERVICE_STOP | SERVICE_START));
  // Only a refusal stops the update; a service that is not there yet is created.
  if (!service.IsOpen() && GetLastError() == ERROR_ACCESS_DENIED)
    return RecordFailure(0x2CC, kAccessDenied);
  return true;
}

bool NtServiceDriver::CheckRemove() {
  ServiceHandle manager(NtOnly::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager.IsOpen()) return RecordRefusal(GetLastError(), 0x2F1, 0x2F3);
  ServiceHandle service(
      NtOnly::OpenServiceA(manager.Get(), channel->name.CStr(), DELETE | SERVICE_STOP));
  if (service.IsOpen()) return true;
  DWORD error = GetLastError();
  if (IsServiceGone(error)) return true;
  return RecordDenial(error, 0x2FF);
}

bool NtServiceDriver::CheckStop() {
  // A channel that is not stoppable answers at the stop itself.
  return !channel->stoppable || channel->CheckStoppable();
}

bool NtServiceDriver::IsRegistered() {
  ServiceHandle manager(NtOnly::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager.IsOpen()) return RecordRefusal(GetLastError(), 0x335, 0x337);
  ServiceHandle service(NtOnly::OpenServiceA(manager.Get(), channel->name.CStr(), 0));
  if (service.IsOpen()) return true;
  return RecordDenial(GetLastError(), 0x343);
}
