// Registry: the Windows API surface served by the simulation.
#pragma once

#include "sim/win_base.h"
