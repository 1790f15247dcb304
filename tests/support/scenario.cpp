#include "support/scenario.h"

const char* const ScenarioTest::kServicePipe = "D2FAF60C-A24E-11d3-B7F1-005004393C73";
const char* const ScenarioTest::kUninstallKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QelC13Ba";
const char* const ScenarioTest::kProductsKey = "SOFTWARE\\Ostravik\\Lumasett\\InstalledProducts";
const char* const ScenarioTest::kBrandKey =
    "SOFTWARE\\Ostravik\\Lumasett\\InstalledProducts\\KV00220+\\B241A000";
const char* const ScenarioTest::kKnownVxds =
    "System\\CurrentControlSet\\Control\\SessionManager\\KnownVxDs";
const char* const ScenarioTest::kSharedDlls = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const char* const ScenarioTest::kInstallerKey = "SOFTWARE\\Ostravik\\Lumasett\\Installer";

std::string PlatformName(const ::testing::TestParamInfo<sim::Platform>& info) {
  switch (info.param) {
    case sim::Platform::Win98: return "Win98";
    case sim::Platform::NT4: return "NT4";
    case sim::Platform::WinXP: return "WinXP";
    default: return "Other";
  }
}

std::vector<uint8_t> ScenarioTest::Program(const testfiles::Version& version) {
  return testfiles::ProgramWithVersion(version);
}

bool ScenarioTest::IsNt() const {
  return platform_ == sim::Platform::NT4 || platform_ == sim::Platform::Win2000 ||
         platform_ == sim::Platform::WinXP;
}

std::string ScenarioTest::SystemFolder() const {
  return IsNt() ? "C:\\WINDOWS\\system32\\" : "C:\\WINDOWS\\SYSTEM\\";
}

std::string ScenarioTest::InstallFolder() {
  return "C:\\Program Files\\Common Files\\Ostravik Shared\\Lumasett\\Install\\";
}

void ScenarioTest::Carry(const Payloads& p) {
  sim::SetBinaryResource("QelC14BA.dll", 102, Program(p.vxd));
  sim::SetBinaryResource("QelC14BA.dll", 112, Program(p.uninstaller));
  sim::SetBinaryResource("QelC14BA.dll", 114, Program(p.kernel));
  sim::SetBinaryResource("QelC14BA.dll", 115, Program(p.shfolder));
  sim::SetBinaryResource("QelC14BA.dll", 10001, Program(p.service));
}

void ScenarioTest::ServiceAnswers(const testfiles::Version& v) {
  sim::ServePipe(kServicePipe, {sim::VersionAnswer(v.major, v.minor, v.build)}, "OrbanetQelC11BA");
}

void ScenarioTest::Boot(sim::Platform platform, const Payloads& payloads) {
  platform_ = platform;
  sim::SetPlatform(platform);
  if (!IsNt()) {
    sim::SetWindowsFolders("C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM");
    sim::MakeFolder("C:\\WINDOWS\\SYSTEM");
  }
  Carry(payloads);
  sim::PutFile(kLibraryPath, Program({4, 20, 0, 1}));  // the library's own file
  // The programs behind what the library registers: the service answers its
  // version while it runs, the kernel driver offers its device, the VxD loads.
  ServiceAnswers(payloads.service);
  sim::AddDevice("QelC15BA", sim::DeviceNamespace::Global, "QelC15BA");
  sim::AddVxd("QELC11BA");
  host_ = std::make_unique<LibraryHost>();
  ASSERT_TRUE(host_->Loaded());
}

void ScenarioTest::Restart() {
  host_.reset();
  sim::SimulateRestart();
  host_ = std::make_unique<LibraryHost>();
  ASSERT_TRUE(host_->Loaded());
}

void ScenarioTest::RegisterOtherProduct() {
  sim::SetRegistryString(kBrandKey, "Lumasett Lite", "Installed");
}

std::vector<DWORD> ScenarioTest::Tracked() {
  std::vector<DWORD> entries(host_->GetTrackedErrors(nullptr));
  if (!entries.empty()) entries.resize(host_->GetTrackedErrors(entries.data()));
  return entries;
}
