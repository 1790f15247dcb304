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
std::vector<uint8_t> Words(std::initializer_list<uint32_t> words);

// A service configuration of the given type and start type.
sim::ServiceConfig ServiceOfType(DWORD type, DWORD startType = SERVICE_DEMAND_START,
                                 const std::string& binaryPath = std::string());

// "major.minor.build", or "invalid".
std::string VersionText(VersionNumber& version);

// The details of every logged call of `function`, oldest first.
std::vector<std::string> CallDetails(const std::string& function);

