// Whole journeys through the exported functions only: a simulated machine
// with the library image, its payloads of chosen versions, and the programs
// behind the services and drivers the library installs.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "support/library_host.h"
#include "support/sim_machine.h"
#include "support/sim_test.h"
#include "support/version_files.h"

class ScenarioTest : public SimTest {
 protected:
  using Payloads = simmachine::Payloads;

  // Boots the machine as the platform and loads the library.
  void Boot(sim::Platform platform, const Payloads& payloads = Payloads());
  // The library carries these payloads from the next call on.
  void Carry(const Payloads& payloads);
  // Windows restarts; the host loads the library again.
  void Restart();

  DWORD Install() { return host_->Install(); }
  DWORD Uninstall() { return host_->UnInstall(); }
  DWORD LastError() { return host_->GetLastErrorCode(); }
  // QelSysGetTrackedErrors, newest first.
  std::vector<DWORD> Tracked();

  bool IsNt() const;
  // Where the components go on the booted platform.
  std::string SystemFolder() const;
  std::string DriversFolder() const { return SystemFolder() + "drivers\\"; }
  static std::string InstallFolder();
  static std::vector<uint8_t> Program(const testfiles::Version& version);

  static constexpr const char* kServicePipe = simmachine::kServicePipe;
  static const char* const kUninstallKey;
  static const char* const kProductsKey;
  static const char* const kBrandKey;
  static const char* const kKnownVxds;
  static const char* const kSharedDlls;
  static const char* const kInstallerKey;

  sim::Platform platform_ = sim::Platform::WinXP;
  std::unique_ptr<LibraryHost> host_;
};
