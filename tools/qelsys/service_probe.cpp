#include "service_probe.h"

#include <windows.h>

#include <vector>

#include "machine_layout.h"
#include "owned_handles.h"

namespace {

const DWORD kMessageSize = 20;
const DWORD kReportVersion = 1;
const DWORD kNoVersion = 16;
const DWORD kPipeTimeout = 2000;
const int kAttempts = 3;

const char* StateName(DWORD state) {
  switch (state) {
    case SERVICE_STOPPED: return "stopped";
    case SERVICE_START_PENDING: return "starting";
    case SERVICE_STOP_PENDING: return "stopping";
    case SERVICE_RUNNING: return "running";
    case SERVICE_CONTINUE_PENDING: return "continuing";
    case SERVICE_PAUSE_PENDING: return "pausing";
    case SERVICE_PAUSED: return "paused";
    default: return "unknown";
  }
}

const char* StartTypeName(DWORD type) {
  switch (type) {
    case SERVICE_BOOT_START: return "boot";
    case SERVICE_SYSTEM_START: return "system";
    case SERVICE_AUTO_START: return "automatic";
    case SERVICE_DEMAND_START: return "on demand";
    case SERVICE_DISABLED: return "disabled";
    default: return "unknown";
  }
}

const char* TypeName(DWORD type) {
  switch (type & 0xFF) {
    case SERVICE_KERNEL_DRIVER: return "kernel driver";
    case SERVICE_FILE_SYSTEM_DRIVER: return "file system driver";
    case SERVICE_WIN32_OWN_PROCESS: return "own process";
    case SERVICE_WIN32_SHARE_PROCESS: return "shared process";
    default: return "other";
  }
}

}  // namespace

ServiceState ProbeService(const char* name) {
  ServiceState result;
  result.name = name;
  OwnedService manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager.IsValid()) {
    result.accessDenied = GetLastError() == ERROR_ACCESS_DENIED;
    return result;
  }
  OwnedService service(OpenServiceA(manager.Get(), name, SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS));
  if (!service.IsValid()) {
    DWORD error = GetLastError();
    result.accessDenied = error == ERROR_ACCESS_DENIED;
    return result;
  }
  result.registered = true;
  SERVICE_STATUS status = {};
  if (QueryServiceStatus(service.Get(), &status)) result.state = StateName(status.dwCurrentState);
  DWORD size = 0;
  QueryServiceConfigA(service.Get(), nullptr, 0, &size);
  std::vector<BYTE> buffer(size > 0 ? size : 1);
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
  if (size >= sizeof(QUERY_SERVICE_CONFIGA) &&
      QueryServiceConfigA(service.Get(), config, size, &size)) {
    result.startType = StartTypeName(config->dwStartType);
    result.type = TypeName(config->dwServiceType);
    if (config->lpBinaryPathName) result.binaryPath = config->lpBinaryPathName;
  }
  return result;
}

std::optional<std::string> AskServiceVersion() {
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    DWORD request[kMessageSize / 4] = {kReportVersion, 0, 0, 0, 0};
    DWORD reply[kMessageSize / 4] = {};
    DWORD read = 0;
    if (!CallNamedPipeA(kServicePipe, request, kMessageSize, reply, kMessageSize, &read, kPipeTimeout)) {
      // No pipe at all: no service answers, and asking again will not change that.
      if (GetLastError() == ERROR_FILE_NOT_FOUND) return std::nullopt;
      continue;
    }
    if (read == kMessageSize && reply[0] == 1 && reply[1] != kNoVersion)
      return std::to_string(reply[2]) + "." + std::to_string(reply[3]) + "." + std::to_string(reply[4]);
  }
  return std::nullopt;
}
