// A simulated machine set up the way the scenario tests set it up, without a
// test framework: the library image, its payloads of chosen versions, and the
// programs behind the services and drivers it installs.
#pragma once

#include <memory>
#include <string>

#include "sim/sim.h"
#include "support/library_host.h"
#include "support/version_files.h"

namespace bench {

struct Payloads {
  testfiles::Version vxd{4, 16, 0, 0};
  testfiles::Version service{4, 20, 0, 0};
  testfiles::Version kernel{4, 20, 0, 0};
  testfiles::Version uninstaller{2, 20, 0, 0};
  testfiles::Version shfolder{6, 0, 0, 0};
};

class Machine {
 public:
  // A fresh boot as the platform, with the library loaded by a host.
  // Returns false when the library does not load.
  bool Boot(sim::Platform platform, const Payloads& payloads = Payloads());
  // The library carries these payloads from the next call on.
  static void Carry(const Payloads& payloads);
  // The running service answers this version over its pipe.
  static void ServiceAnswers(const testfiles::Version& version);

  LibraryHost& Host() { return *host_; }
  bool IsNt() const;

  ~Machine();

 private:
  sim::Platform platform_ = sim::Platform::WinXP;
  std::unique_ptr<LibraryHost> host_;
};

const char* PlatformName(sim::Platform platform);

}  // namespace bench
