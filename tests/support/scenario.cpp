#include "support/scenario.h"

const char* const ScenarioTest::kUninstallKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QelC13Ba";
const char* const ScenarioTest::kProductsKey = "SOFTWARE\\Ostravik\\Lumasett\\InstalledProducts";
const char* const ScenarioTest::kBrandKey =
    "SOFTWARE\\Ostravik\\Lumasett\\InstalledProducts\\KV00220+\\B241A000";
const char* const ScenarioTest::kKnownVxds =
    "System\\CurrentControlSet\\Control\\SessionManager\\KnownVxDs";
const char* const ScenarioTest::kSharedDlls = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const char* const ScenarioTest::kInstallerKey = "SOFTWARE\\Ostravik\\Lumasett\\Installer";

std::vector<uint8_t> ScenarioTest::Program(const testfiles::Version& version) {
  return testfiles::ProgramWithVersion(version);
}

bool ScenarioTest::IsNt() const { return simmachine::IsNt(platform_); }

std::string ScenarioTest::SystemFolder() const {
  return IsNt() ? "C:\\WINDOWS\\system32\\" : "C:\\WINDOWS\\SYSTEM\\";
}

std::string ScenarioTest::InstallFolder() {
  return "C:\\Program Files\\Common Files\\Ostravik Shared\\Lumasett\\Install\\";
}

void ScenarioTest::Carry(const Payloads& payloads) { simmachine::Carry(payloads); }

void ScenarioTest::Boot(sim::Platform platform, const Payloads& payloads) {
  platform_ = platform;
  simmachine::Boot(platform, payloads);
  host_ = std::make_unique<LibraryHost>();
  ASSERT_TRUE(host_->Loaded());
}

void ScenarioTest::Restart() {
  host_.reset();
  sim::SimulateRestart();
  host_ = std::make_unique<LibraryHost>();
  ASSERT_TRUE(host_->Loaded());
}

std::vector<DWORD> ScenarioTest::Tracked() {
  std::vector<DWORD> entries(host_->GetTrackedErrors(nullptr));
  if (!entries.empty()) entries.resize(host_->GetTrackedErrors(entries.data()));
  return entries;
}
