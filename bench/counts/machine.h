// The scenario tests' simulated machine, booted for one journey.
#pragma once

#include <memory>

#include "machine/library_host.h"
#include "machine/sim_machine.h"

namespace bench {

using Payloads = simmachine::Payloads;
using simmachine::PlatformName;

class Machine {
 public:
  // A fresh boot as the platform, with the library loaded by a host.
  // Returns false when the library does not load.
  bool Boot(sim::Platform platform, const Payloads& payloads = Payloads());
  static void Carry(const Payloads& payloads) { simmachine::Carry(payloads); }
  static void ServiceAnswers(const testfiles::Version& version) {
    simmachine::ServiceAnswers(version);
  }

  LibraryHost& Host() { return *host_; }
  bool IsNt() const { return simmachine::IsNt(platform_); }

  ~Machine();

 private:
  sim::Platform platform_ = sim::Platform::WinXP;
  std::unique_ptr<LibraryHost> host_;
};

}  // namespace bench
