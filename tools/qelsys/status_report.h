// The machine status for a reader, as text or as JSON.
#pragma once

#include <string>

#include "machine_status.h"

std::string StatusText(const MachineStatus& status);
std::string StatusJson(const MachineStatus& status);
