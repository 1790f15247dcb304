#include <algorithm>

#include "support/scenario.h"

namespace {

// Files another process runs or has loaded: on NT their section lets the
// exclusive read probe pass but keeps writers and deleters out.
class ImageInUse : public ScenarioTest {
 protected:
  // PendingFileRenameOperations with "|" for each NUL; empty when missing.
  static std::string Pending() {
    auto value = sim::GetRegistryValue("System\\CurrentControlSet\\Control\\Session Manager",
                                       "PendingFileRenameOperations");
    std::string text = value ? std::string(value->data.begin(), value->data.end()) : "";
    std::replace(text.begin(), text.end(), '\0', '|');
    return text;
  }
  const std::string copy_ = InstallFolder() + "QELC14BA.DLL";
};

// NT's probe passes, so the copy is tried and given up; 9x's fails: the restart.
TEST_F(ImageInUse, ALoadedLibraryCopyIsReplacedOnlyWhenWindowsSaysItIsInUse) {
  const struct {
    sim::Platform platform;
    std::vector<DWORD> tracked;
    bool replacedAtRestart;
  } rows[] = {
      {sim::Platform::WinXP, {TrackedCode(0x211, 1003)}, false},
      {sim::Platform::Win98,
       {TrackedCode(0x20F, 1001), TrackedCode(0x189, 1002), TrackedCode(0x10F, 1002)}, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(simmachine::PlatformName(row.platform));
    host_.reset();
    SetUp();
    Boot(row.platform);
    sim::PutFile(copy_, Program({4, 0, 0, 0}));
    sim::LoadImageElsewhere(copy_);

    EXPECT_EQ(1u, Install());  // the copy has no required version
    EXPECT_EQ(row.tracked, Tracked());
    EXPECT_EQ(IsNt() ? 12u : 13u, sim::CallCount("CopyFileA"));  // 9x: and one to stage it
    EXPECT_EQ("", Pending());
    Restart();
    EXPECT_EQ(row.replacedAtRestart, sim::FileBytes(kLibraryPath) == sim::FileBytes(copy_));
    EXPECT_EQ(1u, Install());
    EXPECT_EQ(std::vector<DWORD>{}, Tracked());
    EXPECT_EQ(sim::FileBytes(kLibraryPath), sim::FileBytes(copy_));
  }
}

using UpgradeJourney = ScenarioTest;

// NT 4: an old ShFolder.dll another program holds, refused three times already.
TEST_F(UpgradeJourney, AnOldFileInUseIsReplacedAtTheRestartOnTheFourthTry) {
  Boot(sim::Platform::NT4);
  const std::string shfolder = SystemFolder() + "ShFolder.dll";
  sim::PutFile(shfolder, Program({4, 99, 65535, 0}));  // one step below 5.0
  sim::HoldFileElsewhere(shfolder, FILE_SHARE_READ);  // its version stays readable
  sim::SetRegistryDword(kInstallerKey, "ComponentsInUseCount", 3);
  EXPECT_EQ(0u, Install());
  EXPECT_EQ(1001u, LastError());
  std::vector<DWORD> tracked = Tracked();
  EXPECT_NE(tracked.end(), std::find(tracked.begin(), tracked.end(), TrackedCode(0x115, 1001)));
  EXPECT_EQ("Installed", sim::GetRegistryString(kBrandKey, kProductName));
  EXPECT_EQ(Program({4, 99, 65535, 0}), sim::FileBytes(shfolder));
  Restart();
  EXPECT_EQ(Program(Payloads().shfolder), sim::FileBytes(shfolder));
  EXPECT_EQ(1u, Install());
  EXPECT_EQ(std::vector<DWORD>{}, Tracked());
}

// In use one step below its required version, a driver is not good enough
// to wait for the restart (at that version the sweep's held upgrades are).
TEST_F(UpgradeJourney, ADriverInUseJustBelowItsRequiredVersionIsNotGoodEnough) {
  Payloads old;
  old.vxd = {4, 15, 65535, 0};
  old.service = {4, 19, 65535, 0};
  for (sim::Platform platform : {sim::Platform::Win98, sim::Platform::WinXP}) {
    host_.reset();
    SetUp();
    Boot(platform, old);
    ASSERT_EQ(1u, Install());
    Restart();
    sim::SetServiceBehaviour("OrbanetQelC11BA", {0, sim::StopResponse::Refuses, 0, 0});
    Carry(Payloads());
    Install();
    const std::vector<DWORD> tracked = Tracked();
    EXPECT_NE(tracked.end(), std::find(tracked.begin(), tracked.end(), TrackedCode(0x115, 1001)))
        << simmachine::PlatformName(platform);
  }
}

// The entry is world-writable: only the library's own two names go there.
TEST_F(UpgradeJourney, AnEarlierInstallFolderMovesToTheSharedOne) {
  const std::string old = "C:\\Program Files\\Lumasett\\Shared\\";
  Boot(sim::Platform::WinXP);
  sim::PutFile(old + "QELC12BA.EXE", Program({2, 0, 0, 0}));
  sim::PutFile(old + "QELC13BA.EXE", Program({2, 0, 0, 0}));
  sim::PutFile(old + "QELC14BA.DLL", Program({4, 0, 0, 0}));
  sim::SetRegistryString(kUninstallKey, "InstallLocation", old);
  sim::SetRegistryDword(kUninstallKey, "VersionMajor", 2);
  sim::SetRegistryDword(kUninstallKey, "VersionMinor", 0);
  sim::SetRegistryString(kUninstallKey, "Comments", "kept");

  EXPECT_EQ(1u, Install());
  EXPECT_FALSE(sim::FileExists(old + "QELC13BA.EXE"));
  EXPECT_FALSE(sim::FileExists(old + "QELC14BA.DLL"));
  EXPECT_TRUE(sim::FileExists(old + "QELC12BA.EXE"));
  EXPECT_TRUE(sim::FileExists(InstallFolder() + "QELC13BA.EXE"));
  EXPECT_TRUE(sim::FileExists(InstallFolder() + "QELC14BA.DLL"));
  EXPECT_EQ(InstallFolder(), sim::GetRegistryString(kUninstallKey, "InstallLocation"));
  EXPECT_EQ(InstallFolder() + "QELC14BA.DLL", sim::GetRegistryString(kUninstallKey, "Installer"));
  EXPECT_EQ("kept", sim::GetRegistryString(kUninstallKey, "Comments"));  // the move keeps the entry
}

}  // namespace
