// Files and folders: test-side control of the simulated machine.
#pragma once

#include "sim/windows.h"

namespace sim {}  // namespace sim
