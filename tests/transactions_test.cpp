#include <algorithm>
#include <functional>

#include "core/installed_products.h"
#include "core/installer_container.h"
#include "core/installer_mutex.h"
#include "core/module_state.h"
#include "exports/exports.h"
#include "support/scripted_item.h"
#include "support/sim_test.h"

namespace {

const char* const kInstallerKey = "SOFTWARE\\Ostravik\\Lumasett\\Installer";
const char* const kBrandKey = "SOFTWARE\\Ostravik\\Lumasett\\InstalledProducts\\KV00220+\\B241A000";
const char* const kProductsKey = "SOFTWARE\\Ostravik\\Lumasett\\InstalledProducts";

class TransactionTest : public SystemTest {
 protected:
  using Script = std::function<void(ScriptedItem&)>;

  // One transaction over a container holding one scripted component, as an
  // export runs it: a fresh container per call.
  bool Run(bool install, const Script& script = {}, uint32_t arg = 0) {
    journal.clear();
    InstallerContainer container;
    auto* item = new ScriptedItem("item", journal);
    if (script) script(*item);
    container.AddChild(item);
    bool result = install ? container.Install(0) : container.Uninstall(arg);
    g_lastCallSucceeded = result ? 1 : 0;
    return result;
  }
  bool Install(const Script& script = {}) { return Run(true, script); }
  // The item's preparation or install answers no after recording `code` (0: nothing).
  static Script PrepareFails(uint16_t code = 0) {
    return [code](ScriptedItem& i) { i.prepareResult = false, i.prepareRecords = code; };
  }
  static Script InstallFails(uint16_t code) {
    return [code](ScriptedItem& i) { i.installResult = false, i.installRecords = code; };
  }
  bool Uninstall(const Script& script = {}) { return Run(false, script); }
  bool Called(const std::string& what) {
    return std::find(journal.begin(), journal.end(), what) != journal.end();
  }
  static bool ProductRegistered() {
    return sim::GetRegistryString(kBrandKey, kProductName).has_value();
  }
  static bool CountStored() {
    return sim::GetRegistryValue(kInstallerKey, "ComponentsInUseCount").has_value();
  }

  std::vector<std::string> journal;
};

TEST_F(TransactionTest, AMutexHeldTooLongRefusesTheCallAndKeepsThePreviousEntries) {
  EXPECT_FALSE(Install(InstallFails(kNotWritten)));
  sim::HoldMutexElsewhere(InstallerMutex::Name());
  uint64_t start = sim::Now();
  EXPECT_FALSE(Install());
  EXPECT_EQ(120000u, sim::Now() - start);
  EXPECT_EQ((std::vector<uint32_t>{0x022E03EA, 0x007803EB}), Failures());
  EXPECT_EQ(kInUse, PublicLastErrorCode());
  EXPECT_FALSE(Uninstall());
  EXPECT_EQ((std::vector<uint32_t>{0x027A03EA, 0x022E03EA, 0x007803EB}), Failures());
  EXPECT_FALSE(Called("prepare item"));
  EXPECT_EQ(0u, sim::OpenHandleCount());

  // Released within the wait, or abandoned: the transaction goes on.
  sim::HoldMutexElsewhere(InstallerMutex::Name(), 119000);
  EXPECT_TRUE(Install());
  sim::HoldMutexElsewhere(InstallerMutex::Name(), 1000, true);
  EXPECT_TRUE(Install());
  EXPECT_EQ(0u, FailureList().Count());
}

TEST_F(TransactionTest, ThreeInUseRefusalsAreCountedAndTheFourthGoesAhead) {
  const Script inUse = PrepareFails(kInUse);
  // The journeys cover the counting and its reset; here what the fourth call records.
  for (int call = 1; call <= 3; ++call) EXPECT_FALSE(Install(inUse));
  EXPECT_FALSE(Called("install item"));
  EXPECT_TRUE(Install(inUse));
  EXPECT_TRUE(Called("install item"));
  EXPECT_EQ((std::vector<uint32_t>{0x00770000}), Failures());  // the 1002 became code 0
}

TEST_F(TransactionTest, ARestartNeededIsPendingInPreparationAndStillFilesTheProductInInstall) {
  sim::SetRegistryDword(kInstallerKey, "ComponentsInUseCount", 2);
  EXPECT_FALSE(Install(PrepareFails(kRestartNeeded)));
  EXPECT_EQ((std::vector<uint32_t>{0x007703F2}), Failures());
  EXPECT_EQ(kRestartPending, PublicLastErrorCode());
  EXPECT_FALSE(CountStored());
  EXPECT_FALSE(ProductRegistered());

  // The fault sweep checks that an install needing only a restart files the
  // product. After a success in this process the public code is the newest outcome,
  // so a restart-pending failure does not file the product.
  ASSERT_TRUE(Install());
  sim::DeleteRegistryTree(kProductsKey);
  EXPECT_FALSE(Install(InstallFails(kRestartNeeded)));
  EXPECT_FALSE(ProductRegistered());
}

TEST_F(TransactionTest, AComponentSetThatCannotBeBuiltLeavesTheSuccessFlag) {
  Restart(sim::Platform::Win32s);
  g_lastCallSucceeded = 1;  // an earlier call of this process succeeded
  EXPECT_EQ(0u, QelSysInstall());
  EXPECT_EQ(1u, g_lastCallSucceeded);
  EXPECT_EQ(0u, QelSysGetLastError());  // the outcomes, not the 1100 failure
}

// The uninstall journey covers components kept for another product; a low
// byte in the argument removes them regardless.
TEST_F(TransactionTest, AnUninstallArgumentRemovesComponentsOtherProductsUse) {
  ASSERT_TRUE(Install());
  sim::SetRegistryString(kBrandKey, "Lumasett Lite", "Installed");
  EXPECT_TRUE(Run(false, {}, 0x100));  // only the low byte counts
  EXPECT_FALSE(Called("uninstall item"));
  EXPECT_TRUE(Run(false, {}, 1));
  EXPECT_TRUE(Called("uninstall item"));
}

}  // namespace
