#include "components/component.h"

#include <memory>
#include <string>
#include <vector>

#include "support/sim_test.h"

namespace {

// A component whose steps answer as the test says and note each call.
struct ScriptedComponent : Component {
  explicit ScriptedComponent(std::vector<std::string>& j, std::string n = "c")
      : journal(j), name(std::move(n)) {}

  bool Validate() override { return Note("validate", true); }
  bool Exists() override { return Note("exists", exists); }
  bool NeedsUpdate() override { return Note("needsUpdate", needsUpdate); }
  bool MeetsRequiredVersion() override { return Note("meets", meets); }
  bool CanProceed(uint32_t mode) override { return Note("canProceed" + std::to_string(mode), proceed); }
  bool CanReplaceNow(uint32_t mode) override {
    return Note("canReplace" + std::to_string(mode), replaceNow);
  }
  bool Deploy(bool allowDeferral) override {
    return Note(allowDeferral ? "deploy+" : "deploy", allowDeferral ? deferredDeploy : deploy);
  }
  bool Remove(uint32_t mode) override { return Note("remove" + std::to_string(mode), remove); }
  bool DeployDeferred() override { return Note("deployDeferred", false); }
  bool AfterInstall() override { return Note("after", after); }
  const char* ComponentName() override { return name.c_str(); }
  bool Install(uint32_t force) override {
    journal.push_back("install " + name);
    return Component::Install(force);
  }
  bool Uninstall(uint32_t arg) override {
    journal.push_back("uninstall " + name);
    return Component::Uninstall(arg);
  }

  bool Note(const std::string& what, bool result) {
    journal.push_back(what);
    return result;
  }

  std::vector<std::string>& journal;
  std::string name;
  bool exists = true, needsUpdate = true, meets = false, proceed = true, replaceNow = true;
  bool deploy = true, deferredDeploy = false, remove = true, after = true;
};

class ComponentTest : public SystemTest {
 protected:
  static std::vector<uint32_t> Outcomes() {
    std::vector<uint32_t> entries(OutcomeList().Count());
    OutcomeList().CopyTo(entries.data());
    return entries;
  }
  void Clear() {
    FailureList().ClearIfAutoClear();
    OutcomeList().ClearIfAutoClear();
    journal.clear();
  }
  // What a decision left behind: both lists and the steps it called.
  void ExpectTrail(const std::vector<uint32_t>& outcomes, const std::vector<uint32_t>& failures,
                   const std::vector<std::string>& calls, const char* what) {
    EXPECT_EQ(outcomes, Outcomes()) << what;
    EXPECT_EQ(failures, Failures()) << what;
    EXPECT_EQ(calls, journal) << what;
  }
  std::vector<std::string> journal;
};

using Codes = std::vector<uint32_t>;
using Calls = std::vector<std::string>;

TEST_F(ComponentTest, InstallDecisionCoversEveryOutcome) {
  struct Case {
    const char* what;
    bool exists, force, needsUpdate, replaceNow, deploy, deferredDeploy, meets, after;
    bool result;
    Codes outcomes, failures;  // newest first
    Calls calls;
  };
  const Case cases[] = {
      {"absent, deployed", false, false, true, true, true, false, false, true, true,
       {TrackedCode(0x129, 2003)}, {}, {"exists", "deploy", "after"}},
      {"absent, deploy failed, no required version", false, false, true, true, false, false, true,
       true, true, {TrackedCode(0x133, 2006)}, {}, {"exists", "deploy", "meets"}},
      {"absent, deploy failed, below required", false, false, true, true, false, false, false,
       true, false, {}, {}, {"exists", "deploy", "meets"}},
      {"current", true, false, false, true, true, false, false, true, true,
       {TrackedCode(0x122, 2002)}, {}, {"exists", "needsUpdate", "after"}},
      {"current, after-install fails", true, false, false, true, true, false, false, false, false,
       {TrackedCode(0x122, 2002)}, {}, {"exists", "needsUpdate", "after", "meets"}},
      {"current but forced", true, true, false, true, true, false, false, true, true,
       {TrackedCode(0x102, 2001)}, {}, {"exists", "canReplace0", "deploy", "after"}},
      {"old, replaced", true, false, true, true, true, false, false, true, true,
       {TrackedCode(0x102, 2001)}, {}, {"exists", "needsUpdate", "canReplace0", "deploy", "after"}},
      {"old, replace failed", true, false, true, true, false, false, false, true, false, {}, {},
       {"exists", "needsUpdate", "canReplace0", "deploy", "meets"}},
      {"in use, recent enough", true, false, true, false, true, false, true, true, true,
       {TrackedCode(0x119, 2006)}, {},
       {"exists", "needsUpdate", "canReplace0", "meets", "deployDeferred", "after"}},
      {"in use, too old, written after all", true, false, true, false, true, true, false, true,
       false, {TrackedCode(0x10D, 2001)}, {TrackedCode(0x115, 1001)},
       {"exists", "needsUpdate", "canReplace0", "meets", "deploy+", "meets"}},
      {"in use, too old, deferred", true, false, true, false, true, false, false, true, false, {},
       {TrackedCode(0x115, 1001)},
       {"exists", "needsUpdate", "canReplace0", "meets", "deploy+", "meets"}},
  };
  for (const Case& c : cases) {
    Clear();
    ScriptedComponent component(journal);
    component.exists = c.exists;
    component.needsUpdate = c.needsUpdate;
    component.replaceNow = c.replaceNow;
    component.deploy = c.deploy;
    component.deferredDeploy = c.deferredDeploy;
    component.meets = c.meets;
    component.after = c.after;
    EXPECT_EQ(c.result, component.InstallSelf(c.force)) << c.what;
    ExpectTrail(c.outcomes, c.failures, c.calls, c.what);
  }
}

TEST_F(ComponentTest, UninstallDecision) {
  struct Case {
    const char* what;
    bool exists, replaceNow, remove;
    bool result;
    Codes outcomes, failures;
    Calls calls;
  };
  const Case cases[] = {
      {"absent", false, true, true, true, {TrackedCode(0x157, 2004)}, {}, {"exists"}},
      {"removed", true, true, true, true, {TrackedCode(0x157, 2004)}, {},
       {"exists", "canReplace1", "remove0"}},
      {"removal failed", true, true, false, false, {}, {}, {"exists", "canReplace1", "remove0"}},
      {"in use", true, false, true, false, {}, {TrackedCode(0x153, 1001)},
       {"exists", "canReplace1", "remove1"}},
  };
  for (const Case& c : cases) {
    Clear();
    ScriptedComponent component(journal);
    component.exists = c.exists;
    component.replaceNow = c.replaceNow;
    component.remove = c.remove;
    EXPECT_EQ(c.result, component.UninstallSelf(0)) << c.what;
    ExpectTrail(c.outcomes, c.failures, c.calls, c.what);
  }
}

TEST_F(ComponentTest, PrepareAsksTheComponentAndFallsBackToTheRequiredVersionOnInstall) {
  struct Case {
    uint32_t mode, flags;
    bool proceed, meets, result;
    Calls calls;
  };
  const Case cases[] = {
      {0, SkipInstall, false, false, true, {}},
      {1, SkipUninstall, false, false, true, {}},
      {1, SkipInstall, false, true, false, {"canProceed1"}},
      {0, SkipUninstall, true, false, true, {"canProceed0"}},
      {0, 0, false, true, true, {"canProceed0", "meets"}},
      {0, 0, false, false, false, {"canProceed0", "meets"}},
      {1, 0, false, true, false, {"canProceed1"}},
      {1, 0, true, false, true, {"canProceed1"}},
  };
  for (const Case& c : cases) {
    Clear();
    ScriptedComponent component(journal);
    component.SetItemFlags(c.flags);
    component.proceed = c.proceed;
    component.meets = c.meets;
    EXPECT_EQ(c.result, component.Prepare(c.mode)) << c.mode << " " << c.flags;
    EXPECT_EQ(c.calls, journal) << c.mode << " " << c.flags;
  }
}

TEST_F(ComponentTest, InstallRunsChildrenFirstAndUninstallRemovesSelfFirst) {
  auto* parent = new ScriptedComponent(journal, "parent");
  auto* child = new ScriptedComponent(journal, "child");
  std::unique_ptr<ScriptedComponent> owner(parent);
  parent->AddChild(child);
  child->exists = false;
  child->deploy = false;  // the child fails, the parent still installs itself
  parent->needsUpdate = false;
  EXPECT_FALSE(parent->Install(0));
  EXPECT_EQ((Calls{"install parent", "install child", "exists", "deploy", "meets", "exists",
                   "needsUpdate", "after"}),
            journal);
  EXPECT_EQ(0x10u, parent->KindFlags());

  journal.clear();
  parent->remove = false;
  EXPECT_FALSE(parent->Uninstall(0));
  EXPECT_EQ((Calls{"uninstall parent", "exists", "canReplace1", "remove0", "uninstall child",
                   "exists"}),
            journal);

  journal.clear();
  parent->SetItemFlags(SkipInstall | SkipUninstall);
  EXPECT_TRUE(parent->Install(0));
  EXPECT_TRUE(parent->Uninstall(0));
  EXPECT_EQ((Calls{"install parent", "uninstall parent"}), journal);  // no step, no child
}

}  // namespace
