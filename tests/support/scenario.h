// Journeys through the exported functions only, with payloads of chosen versions.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "machine/library_host.h"
#include "machine/sim_machine.h"
#include "support/sim_test.h"
#include "machine/version_files.h"

// QelSysGetTrackedErrors, newest first; nothing beyond the count is touched.
std::vector<DWORD> TrackedOf(LibraryHost& host);

class ScenarioTest : public SimTest {
 protected:
  using Payloads = simmachine::Payloads;

  // Boots the machine as the platform and loads the library.
  void Boot(sim::Platform platform, const Payloads& payloads = Payloads());
  // The library carries these payloads from the next call on.
  void Carry(const Payloads& payloads) { simmachine::Carry(payloads); }
  // Windows restarts; the host loads the library again.
  void Restart();

  DWORD Install() { return host_->Install(); }
  DWORD Uninstall() { return host_->UnInstall(); }
  DWORD LastError() { return host_->GetLastErrorCode(); }
  std::vector<DWORD> Tracked() { return TrackedOf(*host_); }

  bool IsNt() const { return simmachine::IsNt(platform_); }
  // Where the components go on the booted platform.
  std::string SystemFolder() const {
    return IsNt() ? "C:\\WINDOWS\\system32\\" : "C:\\WINDOWS\\SYSTEM\\";
  }
  std::string DriversFolder() const { return SystemFolder() + "drivers\\"; }
  static std::string InstallFolder() {
    return "C:\\Program Files\\Common Files\\Ostravik Shared\\Lumasett\\Install\\";
  }
  static std::vector<uint8_t> Program(const testfiles::Version& v) {
    return testfiles::ProgramWithVersion(v);
  }

  static constexpr const char* kUninstallKey =
      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QelC13Ba";
  static constexpr const char* kProductsKey = "SOFTWARE\\Ostravik\\Lumasett\\InstalledProducts";
  static constexpr const char* kBrandKey =
      "SOFTWARE\\Ostravik\\Lumasett\\InstalledProducts\\KV00220+\\B241A000";
  static constexpr const char* kKnownVxds =
      "System\\CurrentControlSet\\Control\\SessionManager\\KnownVxDs";
  static constexpr const char* kSharedDlls = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
  static constexpr const char* kInstallerKey = "SOFTWARE\\Ostravik\\Lumasett\\Installer";

  sim::Platform platform_ = sim::Platform::WinXP;
  std::unique_ptr<LibraryHost> host_;
};
