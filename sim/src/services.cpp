#include "services.h"

#include <algorithm>
#include <cctype>

#include "file_system.h"

namespace sim::detail {

namespace {

void Clear() { TheScm() = Scm{}; }
ResetHook resetHook{&Clear};

// A boot ends every process: their handles go, services marked for deletion
// vanish, and the SCM starts what is set to start by itself.
void Boot() {
  Scm& scm = TheScm();
  scm.handles.clear();
  for (auto it = scm.services.begin(); it != scm.services.end();) {
    if (it->second.markedForDeletion) {
      it = scm.services.erase(it);
      continue;
    }
    ServiceRecord& s = it->second;
    s.openHandles = 0;
    s.handlesElsewhere = 0;
    s.state = SERVICE_STOPPED;
    bool starts = s.config.startType <= SERVICE_AUTO_START && s.behaviour.startError == 0;
    if (starts) {
      s.state = s.behaviour.startPolls < 0 ? SERVICE_START_PENDING : SERVICE_RUNNING;
      ++s.starts;
    }
    ++it;
  }
}
RestartHook restartHook{&Boot};

}  // namespace

bool IsDriverType(DWORD type) {
  return (type & (SERVICE_KERNEL_DRIVER | SERVICE_FILE_SYSTEM_DRIVER)) != 0;
}

bool ValidServiceName(LPCSTR name) {
  if (name == nullptr || *name == '\0') return false;
  std::string text = name;
  return text.size() <= 256 && text.find_first_of("\\/") == std::string::npos;
}

std::string NameOf(SC_HANDLE handle) {
  Scm& scm = TheScm();
  auto it = scm.handles.find(reinterpret_cast<uintptr_t>(handle));
  if (it == scm.handles.end()) return std::string();
  if (it->second.manager) return "SCM";
  auto s = scm.services.find(it->second.key);
  return s == scm.services.end() ? std::string() : s->second.name;
}

Scm& TheScm() {
  static Scm scm;
  return scm;
}

std::string KeyOf(const std::string& name) {
  std::string key = name;
  std::transform(key.begin(), key.end(), key.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return key;
}

void RemoveIfGone(const std::string& key) {
  Scm& scm = TheScm();
  auto it = scm.services.find(key);
  if (it == scm.services.end()) return;
  const ServiceRecord& s = it->second;
  if (s.markedForDeletion && s.state == SERVICE_STOPPED && s.openHandles == 0 &&
      s.handlesElsewhere == 0)
    scm.services.erase(it);
}

bool ServiceRunsImage(const std::string& key) {
  for (const auto& entry : TheScm().services) {
    const ServiceRecord& s = entry.second;
    if (!(s.config.type & (SERVICE_WIN32_OWN_PROCESS | SERVICE_WIN32_SHARE_PROCESS)) ||
        s.state == SERVICE_STOPPED)
      continue;
    // The program is the quoted path, else the whole text when such a file
    // exists, else the text up to the first blank.
    std::string path = s.config.binaryPath;
    if (!path.empty() && path[0] == '"') {
      path = path.substr(1, path.find('"', 1) == std::string::npos ? std::string::npos
                                                                     : path.find('"', 1) - 1);
    } else if (!sim::FileExists(path)) {
      path = path.substr(0, path.find(' '));
    }
    FsPath parsed;
    if (ParsePath(path, &parsed) && parsed.key == key) return true;
  }
  return false;
}

ServiceRecord* FindService(const std::string& name) {
  std::string key = KeyOf(name);
  auto it = TheScm().services.find(key);
  if (it == TheScm().services.end()) return nullptr;
  ServiceRecord& s = it->second;
  if (s.handlesElsewhere > 0 && s.elsewhereReleaseAt != 0 &&
      TheMachine().clock >= s.elsewhereReleaseAt) {
    s.handlesElsewhere = 0;
    RemoveIfGone(key);
    it = TheScm().services.find(key);
    if (it == TheScm().services.end()) return nullptr;
  }
  return &it->second;
}

bool ServiceRunning(const std::string& name) {
  ServiceRecord* s = FindService(name);
  return s != nullptr && s->state == SERVICE_RUNNING;
}

void SetState(ServiceRecord& service, DWORD state) {
  service.state = state;
  if (state == SERVICE_STOPPED) RemoveIfGone(KeyOf(service.name));
}

SC_HANDLE NewHandle(const ScHandle& handle) {
  Scm& scm = TheScm();
  uintptr_t value = scm.next;
  scm.next += 4;
  scm.handles[value] = handle;
  return reinterpret_cast<SC_HANDLE>(value);
}

ServiceRecord* ServiceFor(SC_HANDLE handle, DWORD rights) {
  Scm& scm = TheScm();
  auto it = scm.handles.find(reinterpret_cast<uintptr_t>(handle));
  if (it == scm.handles.end() || it->second.manager) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if ((it->second.access & rights) != rights) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  auto s = scm.services.find(it->second.key);
  return s == scm.services.end() ? nullptr : &s->second;
}

void FillStatus(const ServiceRecord& service, LPSERVICE_STATUS status) {
  if (status == nullptr) return;
  *status = SERVICE_STATUS{};
  status->dwServiceType = service.config.type;
  status->dwCurrentState = service.state;
  bool acceptsStop = service.behaviour.stop != StopResponse::Refuses &&
                     service.state == SERVICE_RUNNING;
  status->dwControlsAccepted = acceptsStop ? SERVICE_ACCEPT_STOP : 0;
  status->dwWaitHint = service.state == SERVICE_START_PENDING || service.state == SERVICE_STOP_PENDING
                           ? 200
                           : 0;
}

}  // namespace sim::detail

namespace sim {

using namespace detail;

std::vector<ServiceAce> DefaultServiceAccessList() {
  return {
      {ACCESS_ALLOWED_ACE_TYPE, 0x000201FD, "S-1-5-18"},      // LocalSystem
      {ACCESS_ALLOWED_ACE_TYPE, 0x000F01FF, "S-1-5-32-544"},  // Administrators
      {ACCESS_ALLOWED_ACE_TYPE, 0x0002018D, "S-1-5-4"},       // Interactive
      {ACCESS_ALLOWED_ACE_TYPE, 0x000201FD, "S-1-5-32-547"},  // Power Users
  };
}

void AddService(const std::string& name, const ServiceConfig& config, DWORD state) {
  ServiceRecord& s = TheScm().services[KeyOf(name)];
  if (s.name.empty()) {
    s.name = name;
    s.dacl = DefaultServiceAccessList();
  }
  s.config = config;
  if (s.config.displayName.empty()) s.config.displayName = name;
  s.state = state;
  s.pollsLeft = 0;
}

void SetServiceBehaviour(const std::string& name, const ServiceBehaviour& behaviour) {
  if (ServiceRecord* s = FindService(name)) s->behaviour = behaviour;
}

void SetServiceState(const std::string& name, DWORD state) {
  if (ServiceRecord* s = FindService(name)) {
    bool pending = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING;
    s->pollsLeft = pending ? -1 : 0;
    SetState(*s, state);
  }
}

bool ServiceExists(const std::string& name) { return FindService(name) != nullptr; }

ServiceConfig GetServiceConfig(const std::string& name) {
  ServiceRecord* s = FindService(name);
  return s ? s->config : ServiceConfig{};
}

std::string ServiceName(const std::string& name) {
  ServiceRecord* s = FindService(name);
  return s ? s->name : std::string();
}

DWORD ServiceState(const std::string& name) {
  ServiceRecord* s = FindService(name);
  return s ? s->state : 0;
}

bool ServiceMarkedForDeletion(const std::string& name) {
  ServiceRecord* s = FindService(name);
  return s && s->markedForDeletion;
}

bool ServiceHasNullAccessList(const std::string& name) {
  ServiceRecord* s = FindService(name);
  return s && s->nullDacl;
}

std::vector<ServiceAce> ServiceAccessList(const std::string& name) {
  ServiceRecord* s = FindService(name);
  return s ? s->dacl : std::vector<ServiceAce>{};
}

void SetServiceAccessList(const std::string& name, const std::vector<ServiceAce>& aces) {
  if (ServiceRecord* s = FindService(name)) {
    s->dacl = aces;
    s->nullDacl = false;
  }
}

unsigned ServiceStartCount(const std::string& name) {
  ServiceRecord* s = FindService(name);
  return s ? s->starts : 0;
}

void DenyManagerAccess(DWORD rights) { TheScm().deniedManagerRights = rights; }

void DenyServiceAccess(const std::string& name, DWORD rights) {
  if (ServiceRecord* s = FindService(name)) s->deniedRights = rights;
}

void HoldServiceHandleElsewhere(const std::string& name, uint64_t releaseAfter) {
  if (ServiceRecord* s = FindService(name)) {
    ++s->handlesElsewhere;
    s->elsewhereReleaseAt = releaseAfter == 0 ? 0 : TheMachine().clock + releaseAfter;
  }
}

size_t OpenServiceHandleCount() { return TheScm().handles.size(); }

size_t ManagerHandlesClosedEarly() { return TheScm().managersClosedEarly; }

}  // namespace sim

using namespace sim::detail;

extern "C" {

SC_HANDLE WINAPI OpenSCManagerA(LPCSTR machineName, LPCSTR databaseName, DWORD desiredAccess) {
  std::string detail = std::to_string(desiredAccess);
  if (machineName) detail += std::string(" machine=") + machineName;
  if (databaseName) detail += std::string(" database=") + databaseName;
  if (Enter("OpenSCManagerA", detail)) return nullptr;
  if (TheMachine().version.dwPlatformId != VER_PLATFORM_WIN32_NT) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return nullptr;
  }
  if (machineName != nullptr && *machineName != '\0') {
    SetLastError(ERROR_INVALID_NAME);  // no other machine is reachable
    return nullptr;
  }
  if (databaseName != nullptr && std::string(databaseName) != "ServicesActive") {
    SetLastError(ERROR_DATABASE_DOES_NOT_EXIST);
    return nullptr;
  }
  if (desiredAccess & TheScm().deniedManagerRights) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  ScHandle h;
  h.manager = true;
  h.access = desiredAccess | SC_MANAGER_CONNECT;
  return NewHandle(h);
}

SC_HANDLE WINAPI OpenServiceA(SC_HANDLE manager, LPCSTR serviceName, DWORD desiredAccess) {
  std::string name = serviceName ? serviceName : "";
  if (Enter("OpenServiceA", name + " " + std::to_string(desiredAccess))) return nullptr;
  Scm& scm = TheScm();
  auto m = scm.handles.find(reinterpret_cast<uintptr_t>(manager));
  if (m == scm.handles.end() || !m->second.manager) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (!ValidServiceName(serviceName)) {
    SetLastError(ERROR_INVALID_NAME);
    return nullptr;
  }
  ServiceRecord* s = FindService(name);
  if (s == nullptr) {
    SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
    return nullptr;
  }
  if (desiredAccess & s->deniedRights) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  ++s->openHandles;
  ScHandle h;
  h.access = desiredAccess;
  h.key = KeyOf(name);
  h.parent = reinterpret_cast<uintptr_t>(manager);
  return NewHandle(h);
}

BOOL WINAPI CloseServiceHandle(SC_HANDLE handle) {
  if (Enter("CloseServiceHandle")) return FALSE;
  Scm& scm = TheScm();
  uintptr_t value = reinterpret_cast<uintptr_t>(handle);
  auto it = scm.handles.find(value);
  if (it == scm.handles.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  ScHandle closed = it->second;
  scm.handles.erase(it);
  if (closed.manager) {
    for (const auto& entry : scm.handles)
      if (entry.second.parent == value) {
        ++scm.managersClosedEarly;
        break;
      }
    return TRUE;
  }
  auto s = scm.services.find(closed.key);
  if (s != scm.services.end()) {
    --s->second.openHandles;
    RemoveIfGone(closed.key);
  }
  return TRUE;
}

}  // extern "C"
