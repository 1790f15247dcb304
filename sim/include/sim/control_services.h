// Service control manager, devices and named pipes: test-side control of the simulated machine.
#pragma once

#include "sim/windows.h"

namespace sim {}  // namespace sim
