// Helpers for tests of drivers and services on the simulated machine.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/version_number.h"
#include "sim/sim.h"

// 32-bit words as the little-endian bytes a driver or service sends.
std::vector<uint8_t> Words(std::initializer_list<uint32_t> words);

// A service configuration of the given type and start type.
sim::ServiceConfig ServiceOfType(DWORD type, DWORD startType = SERVICE_DEMAND_START,
                                 const std::string& binaryPath = std::string());

// "major.minor.build", or "invalid".
std::string VersionText(VersionNumber& version);

// The details of every logged call of `function`, oldest first.
std::vector<std::string> CallDetails(const std::string& function);

// The service's access list as it stands, allow entries only.
std::vector<DWORD> AllowMasks(const std::string& service);
