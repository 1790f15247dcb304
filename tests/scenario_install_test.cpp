#include "support/scenario.h"

namespace {

using InstallJourney = PlatformScenarioTest;

TEST_P(InstallJourney, AFreshInstallPutsEverythingInPlace) {
  Boot(GetParam());
  EXPECT_EQ(1u, Install());
  EXPECT_EQ(std::vector<DWORD>{}, Tracked());
  EXPECT_EQ(2003u, LastError());  // the uninstaller program, handled last, was new

  Payloads p;
  EXPECT_EQ(Program(p.uninstaller), sim::FileBytes(InstallFolder() + "QELC13BA.EXE"));
  EXPECT_TRUE(sim::FileExists(InstallFolder() + "QELC14BA.DLL"));
  EXPECT_EQ(platform_ != sim::Platform::WinXP, sim::FileExists(SystemFolder() + "ShFolder.dll"));
  if (IsNt()) {
    EXPECT_EQ(Program(p.service), sim::FileBytes(DriversFolder() + "QELC11BA.EXE"));
    EXPECT_EQ(Program(p.kernel), sim::FileBytes(DriversFolder() + "QELC15BA.SYS"));
    for (const char* name : {"OrbanetQelC11BA", "QelC15BA"}) {
      EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), sim::ServiceState(name)) << name;
      EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), sim::GetServiceConfig(name).startType);
    }
    EXPECT_EQ(static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS),
              sim::GetServiceConfig("OrbanetQelC11BA").type);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_KERNEL_DRIVER), sim::GetServiceConfig("QelC15BA").type);
    EXPECT_EQ(0xFFFFu, sim::GetRegistryDword(kSharedDlls, DriversFolder() + "QELC11BA.EXE"));
  } else {
    EXPECT_EQ(Program(p.vxd), sim::FileBytes(SystemFolder() + "QELC11BA.VXD"));
    EXPECT_EQ(SystemFolder() + "QELC11BA.VXD", sim::GetRegistryString(kKnownVxds, "QELC11BA"));
    EXPECT_EQ(0xFFFFu, sim::GetRegistryDword(kSharedDlls, SystemFolder() + "QELC11BA.VXD"));
  }
  EXPECT_EQ(8u, sim::RegistryValueNames(kUninstallKey).size());
  EXPECT_EQ(InstallFolder() + "QELC13BA.EXE /uninstall",
            sim::GetRegistryString(kUninstallKey, "UninstallString"));
  EXPECT_EQ("Installed", sim::GetRegistryString(kBrandKey, kProductName));
  EXPECT_FALSE(sim::GetRegistryValue(kInstallerKey, "ComponentsInUseCount").has_value());
}

TEST_P(InstallJourney, TheSameInstallAgainWritesNoFile) {
  Boot(GetParam());
  ASSERT_EQ(1u, Install());
  size_t copies = sim::CallCount("CopyFileA");
  size_t writes = sim::CallCount("fwrite");
  EXPECT_EQ(1u, Install());
  EXPECT_EQ(std::vector<DWORD>{}, Tracked());
  EXPECT_EQ(2002u, LastError());  // present and current
  EXPECT_EQ(copies, sim::CallCount("CopyFileA"));
  EXPECT_EQ(writes, sim::CallCount("fwrite"));
  if (IsNt()) {
    EXPECT_EQ(1u, sim::ServiceStartCount("OrbanetQelC11BA"));
  }
}

INSTANTIATE_TEST_SUITE_P(Platforms, InstallJourney,
                         ::testing::Values(sim::Platform::Win98, sim::Platform::NT4,
                                           sim::Platform::WinXP),
                         PlatformName);

}  // namespace
