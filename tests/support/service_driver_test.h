// Fixture for tests of the NT service and kernel driver on the simulated SCM.
#pragma once

#include <string>
#include <vector>

#include "drivers/nt_service_driver.h"
#include "support/driver_sim.h"
#include "support/sim_test.h"

class ServiceDriverTest : public SystemTest {
 protected:
  // Releases the drivers and checks that every handle was closed, each
  // service handle before the manager handle it came from.
  void TearDown() override;

  // "QELC11BA.EXE" as service "OrbanetQelC11BA" of type 16, asked over the pipe.
  NtServiceDriver* Service(bool stoppable = true, bool autoStart = true);
  // "QELC15BA.SYS" as kernel driver "QelC15BA", reached through its device.
  NtServiceDriver* KernelDriver();
  // The service registered as Register would write it, in the given state.
  void AddCurrentService(DWORD state);

  static const char* const kService;      // "OrbanetQelC11BA"
  static const char* const kServicePath;  // its target path
  static const char* const kKernel;       // "QelC15BA"
  static const char* const kKernelPath;

 private:
  std::vector<NtServiceDriver*> drivers_;
};
