// Helpers for tests of drivers and services on the simulated machine.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/version_number.h"
#include "sim/sim.h"

// The VxD as Windows 9x knows it, and the pipe the service answers on.
inline const char kVxd[] = "QELC11BA";
inline const char kVxdPath[] = "C:\\WINDOWS\\SYSTEM\\QELC11BA.VXD";
inline const char kKnownVxDs[] = "System\\CurrentControlSet\\Control\\SessionManager\\KnownVxDs";
inline const char kPipe[] = "D2FAF60C-A24E-11d3-B7F1-005004393C73";

// 32-bit words as the little-endian bytes a driver or service sends.
inline std::vector<uint8_t> Words(std::initializer_list<uint32_t> words) {
  std::vector<uint8_t> bytes;
  for (uint32_t w : words)
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(w >> (8 * i)));
  return bytes;
}

// A service configuration of the given type and start type.
inline sim::ServiceConfig ServiceOfType(DWORD type, DWORD startType = SERVICE_DEMAND_START,
                                        const std::string& binaryPath = std::string()) {
  sim::ServiceConfig config;
  config.type = type, config.startType = startType, config.binaryPath = binaryPath;
  return config;
}

// "major.minor.build", or "invalid".
inline std::string VersionText(VersionNumber& version) {
  if (!version.IsValid()) return "invalid";
  return std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
         std::to_string(version.build);
}

// The details of every logged call of `function`, oldest first.
inline std::vector<std::string> CallDetails(const std::string& function) {
  std::vector<std::string> details;
  for (const sim::Call& call : sim::CallLog())
    if (call.function == function) details.push_back(call.detail);
  return details;
}
