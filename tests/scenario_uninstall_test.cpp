#include "support/scenario.h"

namespace {

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

}  // namespace
