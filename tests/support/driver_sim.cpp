#include "support/driver_sim.h"

std::vector<uint8_t> Words(std::initializer_list<uint32_t> words) {
  std::vector<uint8_t> bytes;
  for (uint32_t w : words)
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(w >> (8 * i)));
  return bytes;
}

std::vector<std::string> CallDetails(const std::string& function) {
  std::vector<std::string> details;
  for (const sim::Call& call : sim::CallLog())
    if (call.function == function) details.push_back(call.detail);
  return details;
}

sim::ServiceConfig ServiceOfType(DWORD type, DWORD startType, const std::string& binaryPath) {
  sim::ServiceConfig config;
  config.type = type;
  config.startType = startType;
  config.binaryPath = binaryPath;
  return config;
}

std::string VersionText(VersionNumber& version) {
  if (!version.IsValid()) return "invalid";
  return std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
         std::to_string(version.build);
}
