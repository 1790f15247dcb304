#include <algorithm>
#include <functional>

#include "core/installable.h"
#include "core/installed_products.h"
#include "core/installer_container.h"
#include "core/installer_mutex.h"
#include "core/module_state.h"
#include "core/tracked_error_list.h"
#include "exports/exports.h"
#include "support/sim_test.h"

namespace {

// Answers as the test chooses and notes each call in a shared journal.
struct ScriptedItem : Installable {
  ScriptedItem(std::string n, std::vector<std::string>& j) : name(std::move(n)), journal(j) {}

  bool Install(uint32_t) override {
    if (installRecords != 0) RecordFailure(0x78, static_cast<uint16_t>(installRecords));
    return Note("install", installResult);
  }
  bool Uninstall(uint32_t) override { return Note("uninstall", true); }
  bool Validate() override { return Note("validate", validateResult); }
  bool Prepare(uint32_t) override {
    if (prepareRecords != 0) RecordFailure(0x77, static_cast<uint16_t>(prepareRecords));
    return Note("prepare", prepareResult);
  }
  uint32_t KindFlags() override { return 0x10; }

  bool Note(const char* what, bool result) {
    journal.push_back(std::string(what) + " " + name);
    return result;
  }

  std::string name;
  std::vector<std::string>& journal;
  bool installResult = true, validateResult = true, prepareResult = true;
  uint32_t prepareRecords = 0, installRecords = 0;
};

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

  std::vector<std::string> journal;
};

TEST_F(TransactionTest, AMutexHeldTooLongRefusesTheCallAndKeepsThePreviousEntries) {
  EXPECT_FALSE(Install(InstallFails(kNotWritten)));
  sim::HoldMutexElsewhere(InstallerMutex::Name());  // the sweep pins the wait's length
  EXPECT_FALSE(Install());
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
  EXPECT_FALSE(sim::GetRegistryValue(kInstallerKey, "ComponentsInUseCount"));
  EXPECT_FALSE(ProductRegistered());

  // The fault sweep checks that an install needing only a restart files the
  // product. After a success in this process the public code is the newest outcome,
  // so a restart-pending failure does not file the product.
  ASSERT_TRUE(Install());
  sim::DeleteRegistryTree(kProductsKey);
  EXPECT_FALSE(Install(InstallFails(kRestartNeeded)));
  EXPECT_FALSE(ProductRegistered());
}

// An uninstall that removed nothing files the product again, or says it could not.
TEST_F(TransactionTest, AnUninstallThatRemovedNothingKeepsTheProductFiled) {
  ASSERT_TRUE(Install());
  EXPECT_FALSE(Uninstall(PrepareFails()));
  EXPECT_TRUE(ProductRegistered());
  sim::FailCall("RegSetValueExA", ERROR_ACCESS_DENIED);
  EXPECT_FALSE(Uninstall(PrepareFails()));
  EXPECT_FALSE(ProductRegistered());
  EXPECT_EQ((std::vector<uint32_t>{TrackedCode(0x606, 0xFFFF)}), Failures());
}

TEST_F(TransactionTest, AComponentSetThatCannotBeBuiltLeavesTheSuccessFlag) {
  Restart(sim::Platform::Win32s);
  g_lastCallSucceeded = 1;  // an earlier call of this process succeeded
  EXPECT_EQ(0u, QelSysInstall());
  EXPECT_EQ(1u, g_lastCallSucceeded);
  EXPECT_EQ(0u, QelSysGetLastError());  // the outcomes, not the 1100 failure
}

// The journeys cover components kept for another product; the argument removes them.
TEST_F(TransactionTest, AnUninstallArgumentRemovesComponentsOtherProductsUse) {
  ASSERT_TRUE(Install());
  sim::SetRegistryString(kBrandKey, "Lumasett Lite", "Installed");
  EXPECT_TRUE(Run(false, {}, 0x100));  // only the low byte counts
  EXPECT_FALSE(Called("uninstall item"));
  EXPECT_TRUE(Run(false, {}, 1));
  EXPECT_TRUE(Called("uninstall item"));
}

using Journal = std::vector<std::string>;

class InstallableTest : public SystemTest {
 protected:
  ScriptedItem* Item(const char* name) { return new ScriptedItem(name, journal); }
  Journal Take() {
    Journal out;
    out.swap(journal);
    return out;
  }
  Journal journal;
};

TEST_F(InstallableTest, ValidateWalksEveryLevelBreadthFirst) {
  InstallerContainer container;
  EXPECT_TRUE(container.Validate());
  container.AddChild(nullptr);  // a component that could not be made is left out
  ScriptedItem* a = Item("a");
  ScriptedItem* a1 = Item("a1");
  ScriptedItem* b = Item("b");
  a1->AddChild(Item("a1x"));
  a->AddChild(a1);
  a->AddChild(Item("a2"));
  b->AddChild(Item("b1"));
  container.AddChild(a);
  container.AddChild(b);
  a->validateResult = false;

  EXPECT_FALSE(container.Validate());
  EXPECT_EQ((Journal{"validate a", "validate b", "validate a1", "validate a2", "validate b1",
                     "validate a1x"}),
            Take());
}

TEST_F(InstallableTest, PrepareStopsAtTheFirstRefusalAndCutsALevelOnDenial) {
  InstallerContainer refused;
  ScriptedItem* a = Item("a");
  a->AddChild(Item("a1"));
  ScriptedItem* b = Item("b");
  b->prepareResult = false;
  refused.AddChild(a);
  refused.AddChild(b);
  refused.AddChild(Item("c"));
  EXPECT_FALSE(refused.Prepare(0));
  EXPECT_EQ((Journal{"prepare a", "prepare b"}), Take());

  // A denial recorded by an item that still answered yes ends its level; the
  // children of the items already asked are prepared next.
  InstallerContainer denied;
  ScriptedItem* x = Item("x");
  x->AddChild(Item("x1"));
  ScriptedItem* y = Item("y");
  y->prepareRecords = kAccessDenied;
  y->AddChild(Item("y1"));
  denied.AddChild(x);
  denied.AddChild(y);
  denied.AddChild(Item("z"));
  EXPECT_TRUE(denied.Prepare(1));
  EXPECT_EQ((Journal{"prepare x", "prepare y", "prepare x1"}), Take());
}

}  // namespace
