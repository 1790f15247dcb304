// The Windows API surface that the system code uses, served by the simulation.
#pragma once

#include "sim/win_base.h"
#include "sim/win_files.h"
#include "sim/win_registry.h"
#include "sim/win_services.h"
#include "sim/win_sync.h"
