// Fixture for tests of the NT service and kernel driver on the simulated SCM.
#pragma once

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "drivers/nt_service_driver.h"
#include "support/driver_sim.h"
#include "support/sim_test.h"

class ServiceDriverTest : public SystemTest {
 protected:
  // Releases the drivers and checks that every service handle was closed
  // before the manager handle it came from.
  void TearDown() override;

  // "QELC11BA.EXE" as service "OrbanetQelC11BA" of type 16, asked over the pipe.
  NtServiceDriver* Service(bool stoppable = true, bool autoStart = true);
  // "QELC15BA.SYS" as kernel driver "QelC15BA", reached through its device.
  NtServiceDriver* KernelDriver();
  // The service registered as Register would write it, in the given state.
  static void AddCurrentService(DWORD state);
  // Gives the driver a dependency list in the SCM's form, each name ended by a NUL.
  template <size_t N>
  static void SetDependencies(NtServiceDriver* driver, const char (&list)[N]) {
    driver->dependencies.reset(new char[N]);
    std::memcpy(driver->dependencies.get(), list, N);
    driver->dependenciesLength = N;
  }
  // Deletes the service through handles of the test's own, closed again.
  static void MarkForDeletion(const char* name);

  // An armed fault (the nth call of the function fails with the error), and
  // what the operation then gives: its result and the one failure it records
  // (0: none).
  struct Fault {
    const char* function;
    DWORD error;
    bool result;
    uint32_t recorded;
    unsigned nth = 1;
  };
  // Runs the operation once per fault, each time on an empty failure list.
  void ExpectFaults(const std::function<bool()>& operation, const std::vector<Fault>& faults);

  static constexpr const char* kService = "OrbanetQelC11BA";
  static constexpr const char* kServicePath = "C:\\WINDOWS\\system32\\drivers\\QELC11BA.EXE";
  static constexpr const char* kKernel = "QelC15BA";
  static constexpr const char* kKernelPath = "C:\\WINDOWS\\system32\\drivers\\QELC15BA.SYS";

 private:
  NtServiceDriver* Keep(NtServiceDriver* driver);  // released at TearDown
  std::vector<NtServiceDriver*> drivers_;
};
