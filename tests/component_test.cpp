#include "components/component.h"

#include <map>
#include <sstream>

#include "support/sim_test.h"

namespace {

// Notes each step; unscripted, "meets", "deploy+" and "deployDeferred" say no.
struct ScriptedComponent : Component {
  ScriptedComponent(std::vector<std::string>& j, std::string n = "c") : journal(j), name(std::move(n)) {}

  bool Validate() override { return Note("validate"); }
  bool Exists() override { return Note("exists"); }
  bool NeedsUpdate() override { return Note("needsUpdate"); }
  bool MeetsRequiredVersion() override { return Note("meets"); }
  bool CanProceed(uint32_t mode) override { return Note("canProceed" + std::to_string(mode)); }
  bool CanReplaceNow(uint32_t mode) override { return Note("canReplace" + std::to_string(mode)); }
  bool Deploy(bool allowDeferral) override { return Note(allowDeferral ? "deploy+" : "deploy"); }
  bool Remove(uint32_t mode) override { return Note("remove" + std::to_string(mode)); }
  bool DeployDeferred() override { return Note("deployDeferred"); }
  bool AfterInstall() override { return Note("after"); }
  const char* ComponentName() override { return name.c_str(); }
  bool Install(uint32_t force) override {
    journal.push_back("install " + name);
    return Component::Install(force);
  }
  bool Uninstall(uint32_t arg) override {
    journal.push_back("uninstall " + name);
    return Component::Uninstall(arg);
  }

  // Words such as "exists" or "!exists"; steps with a mode are named without it.
  void Script(const std::string& settings) {
    std::istringstream words(settings);
    for (std::string w; words >> w;) answers[w[0] == '!' ? w.substr(1) : w] = w[0] != '!';
  }
  bool Note(const std::string& what) {
    journal.push_back(what);
    std::string step = what.substr(0, what.find_first_of("01"));
    auto it = answers.find(step);
    if (it != answers.end()) return it->second;
    return step != "meets" && step != "deploy+" && step != "deployDeferred";
  }

  std::vector<std::string>& journal;
  std::string name;
  std::map<std::string, bool> answers;
};

class ComponentTest : public SystemTest {
 protected:
  std::vector<std::string> journal;
};

using Calls = std::vector<std::string>;

// The journeys pin the outcome of every other decision with real files.
TEST_F(ComponentTest, InUseAndRemovalDecisions) {
  enum Call { kInstall, kForced, kUninstall };
  struct Case {
    const char* what;
    Call call;
    const char* settings;  // answers that differ from the defaults
    bool result;
    Codes outcomes, failures;  // newest first
    Calls calls;
  };
  const Calls inUse = {"exists", "needsUpdate", "canReplace0", "meets", "deploy+", "meets"};
  const Case cases[] = {
      {"current but forced", kForced, "!needsUpdate", true, {TrackedCode(0x102, 2001)}, {},
       {"exists", "canReplace0", "deploy", "after"}},
      {"in use, recent enough", kInstall, "!canReplace meets", true, {TrackedCode(0x119, 2006)}, {},
       {"exists", "needsUpdate", "canReplace0", "meets", "deployDeferred", "after"}},
      {"in use, too old, written after all", kInstall, "!canReplace deploy+", false,
       {TrackedCode(0x10D, 2001)}, {TrackedCode(0x115, 1001)}, inUse},
      {"in use, too old, deferred", kInstall, "!canReplace", false, {}, {TrackedCode(0x115, 1001)},
       inUse},
      {"removed", kUninstall, "", true, {TrackedCode(0x157, 2004)}, {},
       {"exists", "canReplace1", "remove0"}},
      {"in use", kUninstall, "!canReplace", false, {}, {TrackedCode(0x153, 1001)},
       {"exists", "canReplace1", "remove1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    journal.clear();
    OutcomeList().ClearIfAutoClear();
    ScriptedComponent component(journal);
    component.Script(c.settings);
    EXPECT_EQ(c.result, c.call == kUninstall ? component.UninstallSelf(0)
                                             : component.InstallSelf(c.call == kForced));
    EXPECT_EQ(c.outcomes, Outcomes());
    EXPECT_EQ(c.failures, TakeFailures());
    EXPECT_EQ(c.calls, journal);
  }
}

// A skipped step asks nothing; the journeys pin the required-version fall-back.
TEST_F(ComponentTest, PrepareSkipsOnlyTheStepItsFlagSkips) {
  struct Case { uint32_t mode, flags; const char* settings; bool result; Calls calls; };
  const Case cases[] = {
      {0, SkipInstall, "!canProceed", true, {}},
      {1, SkipUninstall, "!canProceed", true, {}},
      {1, SkipInstall, "!canProceed meets", false, {"canProceed1"}},
      {0, SkipUninstall, "", true, {"canProceed0"}},
  };
  for (const Case& c : cases) {
    journal.clear();
    ScriptedComponent component(journal);
    component.SetItemFlags(c.flags);
    component.Script(c.settings);
    EXPECT_EQ(c.result, component.Prepare(c.mode)) << c.mode << " " << c.flags;
    EXPECT_EQ(c.calls, journal) << c.mode << " " << c.flags;
  }
}

// The journeys cover the order; a failed child does not stop its parent.
TEST_F(ComponentTest, AParentInstallsAfterAFailedChildAndASkippedOneDoesNothing) {
  auto* parent = new ScriptedComponent(journal, "parent");
  auto* child = new ScriptedComponent(journal, "child");
  std::unique_ptr<ScriptedComponent> owner(parent);
  parent->AddChild(child);
  child->Script("!exists !deploy");
  parent->Script("!needsUpdate");
  EXPECT_FALSE(parent->Install(0));
  EXPECT_EQ((Calls{"install parent", "install child", "exists", "deploy", "meets", "exists",
                   "needsUpdate", "after"}),
            journal);

  journal.clear();
  parent->SetItemFlags(SkipInstall | SkipUninstall);
  EXPECT_TRUE(parent->Install(0));
  EXPECT_TRUE(parent->Uninstall(0));
  EXPECT_EQ((Calls{"install parent", "uninstall parent"}), journal);
}

}  // namespace
