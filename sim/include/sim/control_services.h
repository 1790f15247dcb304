// Service control manager, devices and named pipes: test-side control of the
// simulated machine. Service, device and pipe names compare without regard to case.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/windows.h"

namespace sim {

// ---- Service control manager ----------------------------------------------

// A service's configuration as the SCM database holds it.
struct ServiceConfig {
  DWORD type = SERVICE_WIN32_OWN_PROCESS;
  DWORD startType = SERVICE_DEMAND_START;
  DWORD errorControl = SERVICE_ERROR_NORMAL;
  std::string binaryPath;
  std::string group;
  std::vector<std::string> dependencies;
  std::string displayName;  // empty: the service name
};

// One entry of a service's access list; the trustee is a SID in text form.
struct ServiceAce {
  BYTE type;  // ACCESS_ALLOWED_ACE_TYPE or ACCESS_DENIED_ACE_TYPE
  DWORD mask;
  std::string trustee;
  bool operator==(const ServiceAce& other) const {
    return type == other.type && mask == other.mask && trustee == other.trustee;
  }
};

// What the SCM gives a service that is created without one.
std::vector<ServiceAce> DefaultServiceAccessList();

// How the program behind a service answers the SCM.
enum class StopResponse {
  Stops,    // STOP_PENDING for stopPolls status queries, then STOPPED
  Refuses,  // does not accept the stop control: ERROR_INVALID_SERVICE_CONTROL
  Ignores,  // accepts it and stays STOP_PENDING
  Hangs,    // its handler never returns: ERROR_SERVICE_REQUEST_TIMEOUT after 30 s
};
struct ServiceBehaviour {
  // Status queries that still see START_PENDING after a start; -1: never runs.
  int startPolls = 0;
  StopResponse stop = StopResponse::Stops;
  int stopPolls = 0;
  // StartServiceA fails with this error (0: it starts).
  DWORD startError = 0;
  // false: the program runs but never reaches the SCM, so StartServiceA
  // fails with 1053 after the SCM's 30 s wait.
  bool connects = true;
};

// Adds a service (or replaces its configuration) in the given state.
void AddService(const std::string& name, const ServiceConfig& config,
                DWORD state = SERVICE_STOPPED);
void SetServiceBehaviour(const std::string& name, const ServiceBehaviour& behaviour);
// A pending state set here stays until the test changes it.
void SetServiceState(const std::string& name, DWORD state);
bool ServiceExists(const std::string& name);
// The configuration of an existing service; a default one when it is gone.
ServiceConfig GetServiceConfig(const std::string& name);
// The service name as it was created, in its own letter case.
std::string ServiceName(const std::string& name);
DWORD ServiceState(const std::string& name);  // 0 when the service is gone
bool ServiceMarkedForDeletion(const std::string& name);
// Whether SetServiceObjectSecurity was given a present but null list.
bool ServiceHasNullAccessList(const std::string& name);
std::vector<ServiceAce> ServiceAccessList(const std::string& name);
void SetServiceAccessList(const std::string& name, const std::vector<ServiceAce>& aces);
// Number of StartServiceA calls that started the service.
unsigned ServiceStartCount(const std::string& name);

// OpenSCManagerA asking any of these rights fails with access denied.
void DenyManagerAccess(DWORD rights);
// OpenServiceA (and CreateServiceA) asking any of these rights fails with access denied.
void DenyServiceAccess(const std::string& name, DWORD rights);

// Another process holds a handle to the service and closes it after
// `releaseAfter` virtual milliseconds (never when 0); a service marked for
// deletion lingers until then.
void HoldServiceHandleElsewhere(const std::string& name, uint64_t releaseAfter = 0);
// Manager and service handles of this process still open.
size_t OpenServiceHandleCount();
// Manager handles closed while a service handle opened through them was still open.
size_t ManagerHandlesClosedEarly();

// ---- Devices ---------------------------------------------------------------

enum class DeviceNamespace { Global, Local, Both };
// A device that opens through "\\.\Global\NAME" (Global) and/or "\\.\NAME";
// a local open also finds a global name, except on NT 4, which has no
// "Global\" prefix. With a service, the device exists while that service runs.
void AddDevice(const std::string& name, DeviceNamespace space,
               const std::string& service = std::string());
// What DeviceIoControl with `code` returns on the device (or VxD); codes
// without a reply fail with ERROR_INVALID_FUNCTION.
void SetDeviceReply(const std::string& name, DWORD code, const std::vector<uint8_t>& reply);
// Input buffers that DeviceIoControl handed to the device, oldest first.
std::vector<std::vector<uint8_t>> DeviceRequests(const std::string& name);
// Handles of this process open on the device or VxD.
size_t OpenDeviceHandles(const std::string& name);

// A Windows 9x virtual device driver file that Windows can load. Opening
// "\\.\NAME" with FILE_FLAG_DELETE_ON_CLOSE loads it when the value NAME under
// KnownVxDs names it; it unloads when the last handle closes unless it was
// loaded at boot. A restart loads every VxD that has a KnownVxDs value.
void AddVxd(const std::string& name, bool loadedAtBoot = false);
bool VxdLoaded(const std::string& name);
// Another process has the VxD open (and so loaded) until `releaseAfter`
// virtual milliseconds have passed (never when 0).
void HoldVxdElsewhere(const std::string& name, uint64_t releaseAfter = 0);

// ---- Named pipes -----------------------------------------------------------

// One answer of a pipe server. An Answer is the 20-byte version reply built
// from the fields, cut or padded with zeros to `length`; a request that is
// not 20 bytes with code 1 is answered with status 16 whatever is scripted.
struct PipeReply {
  enum Kind { Answer, Busy, Broken } kind = Answer;
  DWORD replyCode = 1;
  DWORD status = 0;
  DWORD major = 0;
  DWORD minor = 0;
  DWORD build = 0;
  size_t length = 20;
};
PipeReply VersionAnswer(DWORD major, DWORD minor, DWORD build);
// Serves the pipe while `service` runs (always when it is empty); each call
// takes the next reply, and the last one repeats.
void ServePipe(const std::string& pipe, const std::vector<PipeReply>& replies,
               const std::string& service = std::string());
void StopServingPipe(const std::string& pipe);
// Requests the server received, oldest first.
std::vector<std::vector<uint8_t>> PipeRequests(const std::string& pipe);

}  // namespace sim
