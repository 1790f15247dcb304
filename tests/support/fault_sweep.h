// Replaying a recorded journey with one Windows call failing at a time.
#pragma once

#include <string>
#include <vector>

#include "sim/sim.h"

// The nth call of a function during the journey fails with an error.
struct InjectedFault {
  std::string function;
  unsigned nth;
  DWORD error;
  size_t position;  // index of the failing call within the recorded journey
};

// One fault per recorded call and per error that call can meet; calls that
// cannot fail (Sleep, feof, FreeSid, LocalFree) get none.
std::vector<InjectedFault> FaultsFor(const std::vector<sim::Call>& journey);

// The position, within the calls of a journey, of the fault's failing call; -1 if not reached.
long PositionOf(const InjectedFault& fault, const std::vector<sim::Call>& journey);

std::string Describe(const InjectedFault& fault);
