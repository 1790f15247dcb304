#include "core/installer_container.h"
#include "support/scripted_item.h"
#include "support/sim_test.h"

namespace {

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
