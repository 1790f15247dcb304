#include "support/scenario.h"

namespace {

using UninstallJourney = PlatformScenarioTest;

TEST_P(UninstallJourney, TheComponentsGoWithTheLastProduct) {
  Boot(GetParam());
  ASSERT_EQ(1u, Install());
  RegisterOtherProduct();

  EXPECT_EQ(1u, Uninstall());
  EXPECT_EQ(0u, LastError());  // nothing was removed, so no outcome
  EXPECT_TRUE(sim::FileExists(InstallFolder() + "QELC13BA.EXE"));
  EXPECT_TRUE(sim::RegistryKeyExists(kUninstallKey));
  EXPECT_EQ(std::vector<std::string>{"Lumasett Lite"}, sim::RegistryValueNames(kBrandKey));

  sim::DeleteRegistryTree(kProductsKey);
  EXPECT_EQ(1u, Uninstall());
  EXPECT_EQ(std::vector<DWORD>{}, Tracked());
  EXPECT_EQ(2004u, LastError());
  EXPECT_FALSE(sim::FileExists(InstallFolder() + "QELC13BA.EXE"));
  EXPECT_FALSE(sim::FileExists(InstallFolder() + "QELC14BA.DLL"));
  EXPECT_FALSE(sim::RegistryKeyExists(kUninstallKey));
  EXPECT_FALSE(sim::RegistryKeyExists(kProductsKey));
  // ShFolder.dll stays wherever it was installed.
  EXPECT_EQ(GetParam() != sim::Platform::WinXP, sim::FileExists(SystemFolder() + "ShFolder.dll"));
  if (IsNt()) {
    EXPECT_FALSE(sim::FileExists(DriversFolder() + "QELC11BA.EXE"));
    EXPECT_FALSE(sim::FileExists(DriversFolder() + "QELC15BA.SYS"));
    EXPECT_FALSE(sim::ServiceExists("OrbanetQelC11BA"));
    EXPECT_FALSE(sim::ServiceExists("QelC15BA"));
  } else {
    EXPECT_FALSE(sim::FileExists(SystemFolder() + "QELC11BA.VXD"));
    EXPECT_FALSE(sim::GetRegistryValue(kKnownVxds, "QELC11BA").has_value());
  }
}

INSTANTIATE_TEST_SUITE_P(Platforms, UninstallJourney,
                         ::testing::Values(sim::Platform::Win98, sim::Platform::NT4,
                                           sim::Platform::WinXP),
                         PlatformName);

using UninstallFaults = ScenarioTest;

TEST_F(UninstallFaults, AServiceFileInUseIsDeletedAtTheRestart) {
  Boot(sim::Platform::WinXP);
  ASSERT_EQ(1u, Install());
  const std::string service = DriversFolder() + "QELC11BA.EXE";
  sim::HoldFileElsewhere(service, 0);
  DWORD result = 0;
  for (int call = 1; call <= 4 && result == 0; ++call) result = Uninstall();
  EXPECT_EQ(0u, result);
  EXPECT_EQ(1001u, LastError());
  EXPECT_TRUE(sim::FileExists(service));
  EXPECT_FALSE(sim::ServiceExists("OrbanetQelC11BA"));
  EXPECT_FALSE(sim::RegistryKeyExists(kUninstallKey));

  Restart();
  EXPECT_FALSE(sim::FileExists(service));
}

TEST_F(UninstallFaults, UninstInitializeSaysNothingButTheLastErrorDoes) {
  Boot(sim::Platform::WinXP);
  ASSERT_EQ(1u, Install());
  sim::DenyManagerAccess(0xFFFFFFFF);
  EXPECT_EQ(0u, host_->UninstInitialize());
  EXPECT_EQ(1007u, LastError());
  EXPECT_FALSE(Tracked().empty());
  // The product was put back, and nothing was removed.
  EXPECT_EQ("Installed", sim::GetRegistryString(kBrandKey, kProductName));
  EXPECT_TRUE(sim::ServiceExists("OrbanetQelC11BA"));
}

}  // namespace
