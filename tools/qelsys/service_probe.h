// What the service control manager knows of a service, and the version the
// running service executable answers on its pipe. Nothing is changed.
#pragma once

#include <optional>
#include <string>

struct ServiceState {
  std::string name;
  bool registered = false;
  bool accessDenied = false;
  std::string state;      // "running", "stopped", ... or empty when unknown
  std::string startType;  // "automatic", "on demand", ...
  std::string type;       // "own process", "kernel driver", ...
  std::string binaryPath;
};

ServiceState ProbeService(const char* name);
// Asks the service executable for its version, as the library does.
std::optional<std::string> AskServiceVersion();
