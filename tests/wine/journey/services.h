// What the service control manager knows of a service, and what the running
// service and kernel driver answer.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

struct ServiceConfig {
  DWORD type = 0;
  DWORD start = 0;
  DWORD errorControl = 0;
  std::string binaryPath;
  std::string displayName;
};

extern const char kServiceName[];
extern const char kKernelDriverName[];

bool ServiceRegistered(const std::string& name);
std::optional<ServiceConfig> QueryConfig(const std::string& name);
// State and process id; nothing when the service cannot be asked.
std::optional<SERVICE_STATUS_PROCESS> QueryStatus(const std::string& name);
bool WaitForState(const std::string& name, DWORD state, DWORD timeoutMs);
// The version the service answers on its pipe, "major.minor.build", or "".
std::string PipeVersion();
// How many of the kernel driver's device names open, with and without "Global\".
int KernelDeviceNamesOpening();
// Opening the VxD's device would load a loadable VxD on Windows 9x.
bool VxdOpens();
