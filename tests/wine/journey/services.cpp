#include "services.h"

#include <vector>

#include "owned.h"

const char kServiceName[] = "OrbanetQelC11BA";
const char kKernelDriverName[] = "QelC15BA";

namespace {

OwnedService OpenNamedService(const std::string& name, DWORD access) {
  OwnedService manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager.Valid()) return OwnedService();
  return OwnedService(OpenServiceA(manager.Get(), name.c_str(), access));
}

}  // namespace

bool ServiceRegistered(const std::string& name) {
  return OpenNamedService(name, SERVICE_QUERY_STATUS).Valid();
}

std::optional<ServiceConfig> QueryConfig(const std::string& name) {
  OwnedService service = OpenNamedService(name, SERVICE_QUERY_CONFIG);
  DWORD needed = 0;
  if (!service.Valid()) return std::nullopt;
  QueryServiceConfigA(service.Get(), nullptr, 0, &needed);
  std::vector<char> buffer(needed + sizeof(QUERY_SERVICE_CONFIGA));
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
  if (!QueryServiceConfigA(service.Get(), config, static_cast<DWORD>(buffer.size()), &needed))
    return std::nullopt;
  ServiceConfig result;
  result.type = config->dwServiceType;
  result.start = config->dwStartType;
  result.errorControl = config->dwErrorControl;
  result.binaryPath = config->lpBinaryPathName ? config->lpBinaryPathName : "";
  result.displayName = config->lpDisplayName ? config->lpDisplayName : "";
  return result;
}

std::optional<SERVICE_STATUS_PROCESS> QueryStatus(const std::string& name) {
  OwnedService service = OpenNamedService(name, SERVICE_QUERY_STATUS);
  SERVICE_STATUS_PROCESS status = {};
  DWORD needed = 0;
  if (!service.Valid() ||
      !QueryServiceStatusEx(service.Get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                            sizeof status, &needed))
    return std::nullopt;
  return status;
}

bool WaitForState(const std::string& name, DWORD state, DWORD timeoutMs) {
  for (DWORD waited = 0;; waited += 200) {
    auto status = QueryStatus(name);
    if (status && status->dwCurrentState == state) return true;
    if (waited >= timeoutMs) return false;
    Sleep(200);
  }
}

std::string PipeVersion() {
  DWORD request[5] = {1, 0, 0, 0, 0};
  DWORD reply[5] = {};
  DWORD read = 0;
  if (!CallNamedPipeA("\\\\.\\pipe\\D2FAF60C-A24E-11d3-B7F1-005004393C73", request, sizeof request,
                      reply, sizeof reply, &read, 2000) ||
      read != sizeof reply || reply[0] != 1 || reply[1] == 16)
    return "";
  return std::to_string(reply[2]) + "." + std::to_string(reply[3]) + "." + std::to_string(reply[4]);
}

int KernelDeviceNamesOpening() {
  int opened = 0;
  for (const char* path : {"\\\\.\\Global\\QelC15BA", "\\\\.\\QelC15BA"}) {
    OwnedHandle device(CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
    opened += device.Valid();
  }
  return opened;
}

bool VxdOpens() {
  OwnedHandle device(CreateFileA("\\\\.\\QELC11BA", 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  return device.Valid();
}
