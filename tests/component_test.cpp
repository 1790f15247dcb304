#include "components/component.h"

#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "support/file_fixture.h"

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

class ComponentTest : public FileFixture {
 protected:
  // Sets the answers `settings` names: "exists" sets one, "!exists" clears it.
  static void Script(ScriptedComponent& c, const std::string& settings) {
    static const std::map<std::string, bool ScriptedComponent::*> answers = {
        {"exists", &ScriptedComponent::exists},   {"needsUpdate", &ScriptedComponent::needsUpdate},
        {"meets", &ScriptedComponent::meets},     {"proceed", &ScriptedComponent::proceed},
        {"replaceNow", &ScriptedComponent::replaceNow}, {"deploy", &ScriptedComponent::deploy},
        {"deferredDeploy", &ScriptedComponent::deferredDeploy},
        {"remove", &ScriptedComponent::remove},   {"after", &ScriptedComponent::after}};
    std::istringstream words(settings);
    for (std::string w; words >> w;) c.*answers.at(w[0] == '!' ? w.substr(1) : w) = w[0] != '!';
  }
  std::vector<std::string> journal;
};

using Codes = std::vector<uint32_t>;
using Calls = std::vector<std::string>;

TEST_F(ComponentTest, InstallAndUninstallDecisionsCoverEveryOutcome) {
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
      {"absent, deployed", kInstall, "!exists", true, {TrackedCode(0x129, 2003)}, {},
       {"exists", "deploy", "after"}},
      {"absent, deploy failed, no required version", kInstall, "!exists !deploy meets", true,
       {TrackedCode(0x133, 2006)}, {}, {"exists", "deploy", "meets"}},
      {"absent, deploy failed, below required", kInstall, "!exists !deploy", false, {}, {},
       {"exists", "deploy", "meets"}},
      {"current", kInstall, "!needsUpdate", true, {TrackedCode(0x122, 2002)}, {},
       {"exists", "needsUpdate", "after"}},
      {"current, after-install fails", kInstall, "!needsUpdate !after", false,
       {TrackedCode(0x122, 2002)}, {}, {"exists", "needsUpdate", "after", "meets"}},
      {"current but forced", kForced, "!needsUpdate", true, {TrackedCode(0x102, 2001)}, {},
       {"exists", "canReplace0", "deploy", "after"}},
      {"old, replaced", kInstall, "", true, {TrackedCode(0x102, 2001)}, {},
       {"exists", "needsUpdate", "canReplace0", "deploy", "after"}},
      {"old, replace failed", kInstall, "!deploy", false, {}, {},
       {"exists", "needsUpdate", "canReplace0", "deploy", "meets"}},
      {"in use, recent enough", kInstall, "!replaceNow meets", true, {TrackedCode(0x119, 2006)}, {},
       {"exists", "needsUpdate", "canReplace0", "meets", "deployDeferred", "after"}},
      {"in use, too old, written after all", kInstall, "!replaceNow deferredDeploy", false,
       {TrackedCode(0x10D, 2001)}, {TrackedCode(0x115, 1001)}, inUse},
      {"in use, too old, deferred", kInstall, "!replaceNow", false, {}, {TrackedCode(0x115, 1001)},
       inUse},
      {"absent", kUninstall, "!exists", true, {TrackedCode(0x157, 2004)}, {}, {"exists"}},
      {"removed", kUninstall, "", true, {TrackedCode(0x157, 2004)}, {},
       {"exists", "canReplace1", "remove0"}},
      {"removal failed", kUninstall, "!remove", false, {}, {},
       {"exists", "canReplace1", "remove0"}},
      {"in use", kUninstall, "!replaceNow", false, {}, {TrackedCode(0x153, 1001)},
       {"exists", "canReplace1", "remove1"}},
  };
  for (const Case& c : cases) {
    journal.clear();
    OutcomeList().ClearIfAutoClear();
    ScriptedComponent component(journal);
    Script(component, c.settings);
    EXPECT_EQ(c.result, c.call == kUninstall ? component.UninstallSelf(0)
                                             : component.InstallSelf(c.call == kForced))
        << c.what;
    EXPECT_EQ(c.outcomes, Outcomes()) << c.what;
    EXPECT_EQ(c.failures, TakeFailures()) << c.what;
    EXPECT_EQ(c.calls, journal) << c.what;
  }
}

TEST_F(ComponentTest, PrepareAsksTheComponentAndFallsBackToTheRequiredVersionOnInstall) {
  struct Case {
    uint32_t mode, flags;
    const char* settings;
    bool result;
    Calls calls;
  };
  const Case cases[] = {
      {0, SkipInstall, "!proceed", true, {}},
      {1, SkipUninstall, "!proceed", true, {}},
      {1, SkipInstall, "!proceed meets", false, {"canProceed1"}},
      {0, SkipUninstall, "", true, {"canProceed0"}},
      {0, 0, "!proceed meets", true, {"canProceed0", "meets"}},
      {0, 0, "!proceed", false, {"canProceed0", "meets"}},
      {1, 0, "!proceed meets", false, {"canProceed1"}},
      {1, 0, "", true, {"canProceed1"}},
  };
  for (const Case& c : cases) {
    journal.clear();
    ScriptedComponent component(journal);
    component.SetItemFlags(c.flags);
    Script(component, c.settings);
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
