// The service control manager's database and handles; internal to the simulation.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "machine.h"

namespace sim::detail {

struct ServiceRecord {
  std::string name;  // as created
  ServiceConfig config;
  DWORD state = SERVICE_STOPPED;
  ServiceBehaviour behaviour;
  int pollsLeft = 0;  // status queries before a pending state settles
  bool markedForDeletion = false;
  bool nullDacl = false;
  std::vector<ServiceAce> dacl;
  DWORD deniedRights = 0;
  int openHandles = 0;
  int handlesElsewhere = 0;
  uint64_t elsewhereReleaseAt = 0;  // 0: the other process keeps its handle
  unsigned starts = 0;
};

struct ScHandle {
  bool manager = false;
  DWORD access = 0;
  std::string key;      // service key, for a service handle
  uintptr_t parent = 0;  // the manager handle a service handle came from
};

struct Scm {
  std::map<std::string, ServiceRecord> services;  // by lower-case name
  std::map<uintptr_t, ScHandle> handles;
  uintptr_t next = 0x5C000;
  DWORD deniedManagerRights = 0;
  size_t managersClosedEarly = 0;
};

Scm& TheScm();
bool IsDriverType(DWORD type);
// Empty, too long, or holding a path separator: ERROR_INVALID_NAME.
bool ValidServiceName(LPCSTR name);
// The service name behind a handle ("SCM" for a manager handle), for the call log.
std::string NameOf(SC_HANDLE handle);
std::string KeyOf(const std::string& name);
// The service by name, after settling what time has done to it; null when gone.
ServiceRecord* FindService(const std::string& name);
bool ServiceRunning(const std::string& name);
// The service behind a service handle that carries `rights`; sets the last
// error (6 or 5) and gives null otherwise.
ServiceRecord* ServiceFor(SC_HANDLE handle, DWORD rights);
// Removes a service marked for deletion once it is stopped and no handle is open.
void RemoveIfGone(const std::string& key);
// Moves a service to `state`; stopping a service marked for deletion may remove it.
void SetState(ServiceRecord& service, DWORD state);
SC_HANDLE NewHandle(const ScHandle& handle);
void FillStatus(const ServiceRecord& service, LPSERVICE_STATUS status);

}  // namespace sim::detail
