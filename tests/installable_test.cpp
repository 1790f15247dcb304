#include <string>
#include <vector>

#include "core/installer_container.h"
#include "support/scripted_item.h"
#include "support/sim_test.h"

namespace {

class InstallableTest : public SystemTest {
 protected:
  ScriptedItem* Item(const char* name) { return new ScriptedItem(name, journal); }
  std::vector<std::string> Take() {
    std::vector<std::string> out;
    out.swap(journal);
    return out;
  }
  std::vector<std::string> journal;
};

TEST_F(InstallableTest, AddChildOwnsItemsAndIgnoresNull) {
  {
    InstallerContainer container;
    container.AddChild(nullptr, SkipUninstall);
    EXPECT_EQ(0u, container.ChildCount());
    EXPECT_EQ(0u, container.ItemFlags());

    ScriptedItem* a = Item("a");
    container.AddChild(a, SkipUninstall);
    container.AddChild(Item("b"));
    EXPECT_EQ(2u, container.ChildCount());
    EXPECT_EQ(SkipUninstall, a->ItemFlags());
    a->AddChild(Item("a1"));
    EXPECT_EQ(0x8000u, container.KindFlags());
  }
  EXPECT_EQ((std::vector<std::string>{"~a", "~a1", "~b"}), Take());
}

TEST_F(InstallableTest, ChildrenAreAllCalledAfterAFailure) {
  InstallerContainer empty;
  EXPECT_TRUE(empty.InstallChildren(0));
  EXPECT_TRUE(empty.UninstallChildren(0));
  EXPECT_TRUE(empty.Validate());

  InstallerContainer container;
  ScriptedItem* a = Item("a");
  a->installResult = false;
  a->uninstallResult = false;
  container.AddChild(a);
  container.AddChild(Item("b"));
  EXPECT_FALSE(container.InstallChildren(0));
  EXPECT_FALSE(container.UninstallChildren(0));
  EXPECT_EQ((std::vector<std::string>{"install a", "install b", "uninstall a", "uninstall b"}),
            Take());
}

TEST_F(InstallableTest, ValidateWalksEveryLevelBreadthFirst) {
  InstallerContainer container;
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
  EXPECT_EQ((std::vector<std::string>{"validate a", "validate b", "validate a1", "validate a2",
                                      "validate b1", "validate a1x"}),
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
  EXPECT_EQ((std::vector<std::string>{"prepare a", "prepare b"}), Take());

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
  EXPECT_EQ((std::vector<std::string>{"prepare x", "prepare y", "prepare x1"}), Take());
}

TEST_F(InstallableTest, NoComponentSetOnAnUnknownPlatform) {
  for (sim::Platform p : {sim::Platform::Win32s, sim::Platform::Unknown}) {
    Restart(p);
    InstallerContainer container;
    EXPECT_FALSE(container.BuildComponents(0));
    EXPECT_EQ(0u, container.ChildCount());
    EXPECT_EQ((std::vector<uint32_t>{0x01E4044C}), Failures());
  }
  for (sim::Platform p : {sim::Platform::Win95, sim::Platform::NT4, sim::Platform::WinXP}) {
    Restart(p);
    InstallerContainer container;
    EXPECT_TRUE(container.BuildComponents(0));
    EXPECT_EQ(0u, FailureList().Count());
  }
}

}  // namespace
