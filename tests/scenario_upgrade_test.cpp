#include <algorithm>

#include "support/scenario.h"

namespace {

// The Wine journeys upgrade a running service and replace a held program at
// the restart with the real library; these need the virtual clock and count.
using UpgradeJourney = ScenarioTest;

TEST_F(UpgradeJourney, AnOldFileInUseIsReplacedAtTheRestartAfterThreeRefusals) {
  // NT 4 without ShFolder.dll 5.0: an old copy that another program holds.
  Boot(sim::Platform::NT4);
  const std::string shfolder = SystemFolder() + "ShFolder.dll";
  sim::PutFile(shfolder, Program({4, 71, 0, 0}));
  sim::HoldFileElsewhere(shfolder, FILE_SHARE_READ);  // its version stays readable

  for (DWORD count = 1; count <= 3; ++count) {
    EXPECT_EQ(0u, Install());
    EXPECT_EQ(1002u, LastError());
    EXPECT_EQ(count, sim::GetRegistryDword(kInstallerKey, "ComponentsInUseCount"));
    EXPECT_FALSE(sim::ServiceExists("OrbanetQelC11BA"));  // nothing was installed
  }
  EXPECT_EQ(0u, Install());
  EXPECT_EQ(1001u, LastError());
  std::vector<DWORD> tracked = Tracked();
  EXPECT_NE(tracked.end(), std::find(tracked.begin(), tracked.end(), TrackedCode(0x115, 1001)));
  EXPECT_FALSE(sim::GetRegistryValue(kInstallerKey, "ComponentsInUseCount").has_value());
  EXPECT_EQ("Installed", sim::GetRegistryString(kBrandKey, kProductName));
  EXPECT_EQ(Program({4, 71, 0, 0}), sim::FileBytes(shfolder));
  EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), sim::ServiceState("OrbanetQelC11BA"));

  Restart();
  EXPECT_EQ(Program(Payloads().shfolder), sim::FileBytes(shfolder));
  EXPECT_EQ(1u, Install());
  EXPECT_EQ(std::vector<DWORD>{}, Tracked());
  EXPECT_EQ(2002u, LastError());
}

// Anybody can point the world-writable entry elsewhere: only the two names
// of the library's own files are deleted there.
TEST_F(UpgradeJourney, AnEarlierInstallFolderMovesToTheSharedOne) {
  const std::string old = "C:\\Program Files\\Lumasett\\Shared\\";
  Boot(sim::Platform::WinXP);
  sim::PutFile(old + "QELC12BA.EXE", Program({2, 0, 0, 0}));
  sim::PutFile(old + "QELC13BA.EXE", Program({2, 0, 0, 0}));
  sim::PutFile(old + "QELC14BA.DLL", Program({4, 0, 0, 0}));
  sim::SetRegistryString(kUninstallKey, "InstallLocation", old);
  sim::SetRegistryDword(kUninstallKey, "VersionMajor", 2);
  sim::SetRegistryDword(kUninstallKey, "VersionMinor", 0);

  EXPECT_EQ(1u, Install());
  EXPECT_FALSE(sim::FileExists(old + "QELC13BA.EXE"));
  EXPECT_FALSE(sim::FileExists(old + "QELC14BA.DLL"));
  EXPECT_TRUE(sim::FileExists(old + "QELC12BA.EXE"));
  EXPECT_TRUE(sim::FileExists(InstallFolder() + "QELC13BA.EXE"));
  EXPECT_TRUE(sim::FileExists(InstallFolder() + "QELC14BA.DLL"));
  EXPECT_EQ(InstallFolder(), sim::GetRegistryString(kUninstallKey, "InstallLocation"));
  EXPECT_EQ(InstallFolder() + "QELC14BA.DLL", sim::GetRegistryString(kUninstallKey, "Installer"));
}

}  // namespace
