// Creating, reconfiguring, describing and deleting services.
#include <cstring>

#include "services.h"

using namespace sim::detail;

namespace {

bool ValidType(DWORD type) {
  DWORD base = type & ~static_cast<DWORD>(SERVICE_INTERACTIVE_PROCESS);
  bool win32 = base == SERVICE_WIN32_OWN_PROCESS || base == SERVICE_WIN32_SHARE_PROCESS;
  if (type & SERVICE_INTERACTIVE_PROCESS) return win32;
  return win32 || base == SERVICE_KERNEL_DRIVER || base == SERVICE_FILE_SYSTEM_DRIVER;
}

// Boot and system start are for drivers only.
bool ValidStart(DWORD type, DWORD start) {
  if (start > SERVICE_DISABLED) return false;
  return start > SERVICE_SYSTEM_START || IsDriverType(type);
}

std::vector<std::string> ParseList(LPCSTR list) {
  std::vector<std::string> names;
  for (const char* p = list; p != nullptr && *p != '\0'; p += std::strlen(p) + 1) names.push_back(p);
  return names;
}

// Another service already uses the text as its name or display name.
bool DisplayNameTaken(const std::string& display, const std::string& ownKey) {
  std::string key = KeyOf(display);
  for (const auto& entry : TheScm().services) {
    if (entry.first == ownKey) continue;
    if (entry.first == key || KeyOf(entry.second.config.displayName) == key) return true;
  }
  return false;
}

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

}  // namespace

extern "C" {

SC_HANDLE WINAPI CreateServiceA(SC_HANDLE manager, LPCSTR serviceName, LPCSTR displayName,
                                DWORD desiredAccess, DWORD serviceType, DWORD startType,
                                DWORD errorControl, LPCSTR binaryPathName, LPCSTR loadOrderGroup,
                                LPDWORD tagId, LPCSTR dependencies, LPCSTR, LPCSTR) {
  std::string name = serviceName ? serviceName : "";
  if (Enter("CreateServiceA", name)) return nullptr;
  Scm& scm = TheScm();
  auto m = scm.handles.find(reinterpret_cast<uintptr_t>(manager));
  if (m == scm.handles.end() || !m->second.manager) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if ((m->second.access & SC_MANAGER_CREATE_SERVICE) == 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  if (!ValidServiceName(serviceName)) {
    SetLastError(ERROR_INVALID_NAME);
    return nullptr;
  }
  if (!ValidType(serviceType) || !ValidStart(serviceType, startType) ||
      errorControl > SERVICE_ERROR_CRITICAL || binaryPathName == nullptr ||
      *binaryPathName == '\0' || (tagId != nullptr && startType > SERVICE_SYSTEM_START)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (ServiceRecord* existing = FindService(name)) {
    SetLastError(existing->markedForDeletion ? ERROR_SERVICE_MARKED_FOR_DELETE
                                             : ERROR_SERVICE_EXISTS);
    return nullptr;
  }
  std::string display = displayName && *displayName ? displayName : name;
  if (DisplayNameTaken(display, KeyOf(name))) {
    SetLastError(ERROR_DUPLICATE_SERVICE_NAME);
    return nullptr;
  }
  ServiceRecord& s = scm.services[KeyOf(name)];
  s.name = name;
  s.config.type = serviceType;
  s.config.startType = startType;
  s.config.errorControl = errorControl;
  s.config.binaryPath = binaryPathName;
  s.config.group = loadOrderGroup ? loadOrderGroup : "";
  s.config.dependencies = ParseList(dependencies);
  s.config.displayName = display;
  s.dacl = sim::DefaultServiceAccessList();
  s.openHandles = 1;
  if (tagId) *tagId = 1;
  ScHandle h;
  h.access = desiredAccess;
  h.key = KeyOf(name);
  h.parent = m->first;
  return NewHandle(h);
}

BOOL WINAPI ChangeServiceConfigA(SC_HANDLE service, DWORD serviceType, DWORD startType,
                                 DWORD errorControl, LPCSTR binaryPathName, LPCSTR loadOrderGroup,
                                 LPDWORD tagId, LPCSTR dependencies, LPCSTR, LPCSTR,
                                 LPCSTR displayName) {
  if (Enter("ChangeServiceConfigA", NameOf(service))) return FALSE;
  ServiceRecord* s = ServiceFor(service, SERVICE_CHANGE_CONFIG);
  if (s == nullptr) return FALSE;
  if (s->markedForDeletion) return Fail(ERROR_SERVICE_MARKED_FOR_DELETE);
  DWORD type = serviceType == SERVICE_NO_CHANGE ? s->config.type : serviceType;
  DWORD start = startType == SERVICE_NO_CHANGE ? s->config.startType : startType;
  // A driver cannot become a process, nor a process a driver.
  if (!ValidType(type) || IsDriverType(type) != IsDriverType(s->config.type) ||
      !ValidStart(type, start) ||
      (errorControl != SERVICE_NO_CHANGE && errorControl > SERVICE_ERROR_CRITICAL) ||
      (binaryPathName != nullptr && *binaryPathName == '\0') ||
      (tagId != nullptr && start > SERVICE_SYSTEM_START))
    return Fail(ERROR_INVALID_PARAMETER);
  if (displayName != nullptr && *displayName != '\0' &&
      DisplayNameTaken(displayName, KeyOf(s->name)))
    return Fail(ERROR_DUPLICATE_SERVICE_NAME);
  s->config.type = type;
  s->config.startType = start;
  if (errorControl != SERVICE_NO_CHANGE) s->config.errorControl = errorControl;
  if (binaryPathName) s->config.binaryPath = binaryPathName;
  if (loadOrderGroup) s->config.group = loadOrderGroup;
  if (dependencies) s->config.dependencies = ParseList(dependencies);
  if (displayName && *displayName) s->config.displayName = displayName;
  if (tagId) *tagId = 1;
  return TRUE;
}

BOOL WINAPI QueryServiceConfigA(SC_HANDLE service, LPQUERY_SERVICE_CONFIGA config, DWORD bufSize,
                                LPDWORD bytesNeeded) {
  if (Enter("QueryServiceConfigA", NameOf(service))) return FALSE;
  ServiceRecord* s = ServiceFor(service, SERVICE_QUERY_CONFIG);
  if (s == nullptr) return FALSE;
  if (bytesNeeded == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  const sim::ServiceConfig& c = s->config;
  std::string dependencies;
  for (const std::string& d : c.dependencies) dependencies += d + '\0';
  dependencies += '\0';
  std::string startName = IsDriverType(c.type) ? "" : "LocalSystem";
  const std::string* texts[] = {&c.binaryPath, &c.group, &dependencies, &startName,
                                &c.displayName};
  DWORD needed = sizeof(QUERY_SERVICE_CONFIGA);
  for (const std::string* t : texts) needed += static_cast<DWORD>(t->size() + 1);
  *bytesNeeded = needed;
  if (config == nullptr || bufSize < needed) return Fail(ERROR_INSUFFICIENT_BUFFER);
  *config = QUERY_SERVICE_CONFIGA{};
  config->dwServiceType = c.type;
  config->dwStartType = c.startType;
  config->dwErrorControl = c.errorControl;
  char* out = reinterpret_cast<char*>(config + 1);
  LPSTR* slots[] = {&config->lpBinaryPathName, &config->lpLoadOrderGroup, &config->lpDependencies,
                    &config->lpServiceStartName, &config->lpDisplayName};
  for (size_t i = 0; i < 5; ++i) {
    *slots[i] = out;
    std::memcpy(out, texts[i]->data(), texts[i]->size());
    out[texts[i]->size()] = '\0';
    out += texts[i]->size() + 1;
  }
  return TRUE;
}

BOOL WINAPI DeleteService(SC_HANDLE service) {
  if (Enter("DeleteService", NameOf(service))) return FALSE;
  ServiceRecord* s = ServiceFor(service, DELETE);
  if (s == nullptr) return FALSE;
  if (s->markedForDeletion) return Fail(ERROR_SERVICE_MARKED_FOR_DELETE);
  s->markedForDeletion = true;  // it goes when it is stopped and the last handle closes
  s->config.startType = SERVICE_DISABLED;  // as MS-SCMR's RDeleteService says; Wine keeps it
  return TRUE;
}

}  // extern "C"
