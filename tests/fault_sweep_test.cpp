// Every Windows call of a whole journey fails once, in turn: the library must
// neither crash nor leak, must report what the failure did the way the design
// says, and must not lose the machine-wide bookkeeping.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <tuple>

#include "support/scenario.h"

namespace {

// The nth call of a function during the journey fails with an error.
struct InjectedFault {
  std::string function;
  unsigned nth;
  DWORD error;
  size_t position;  // index of the failing call within the recorded journey
};

// Beyond access denied (5) and a generic failure (31), the errors each call
// meets in practice and that the library tells apart (32: sharing violation).
const std::map<std::string, std::vector<DWORD>> kSpecificErrors = {
    {"CreateFileA", {32}},
    {"CopyFileA", {32}},
    {"DeleteFileA", {32, 2 /* not found: counts as gone */}},
    {"MoveFileExA", {32}},
    {"fopen", {32}},
    {"GetFileVersionInfoSizeA", {32}},
    {"GetFileVersionInfoA", {32}},
    {"OpenServiceA", {1060 /* does not exist */}},
    {"CreateServiceA", {1072, 1073 /* exists */}},
    {"ChangeServiceConfigA", {87 /* invalid parameter */, 1072}},
    {"StartServiceA",
     {2 /* no file */, 3 /* no folder */, 1056 /* running */, 1058 /* disabled */, 1072}},
    {"ControlService",
     {1052 /* invalid control */, 1053 /* handler hangs */, 1061 /* cannot accept */,
      1062 /* not active */}},
    {"DeleteService", {6 /* invalid handle */, 1072}},
};
// The simulation cannot make these fail, nor can Windows in a way a caller sees.
const std::set<std::string> kInfallible = {"Sleep", "feof", "FreeSid", "LocalFree"};

// The NT-only function that the call at `i` looks up for the call after it, or "".
std::string LookedUpAt(const std::vector<sim::Call>& journey, size_t i) {
  if (journey[i].function == "GetModuleHandleA") ++i;
  return i + 1 < journey.size() && journey[i].function == "GetProcAddress" &&
                 journey[i].detail == journey[i + 1].function
             ? journey[i].detail
             : "";
}

// One fault per recorded call and per error that call can meet; a failed
// lookup stops the call it is for, so only each function's first lookup fails.
std::vector<InjectedFault> FaultsFor(const std::vector<sim::Call>& journey) {
  std::vector<InjectedFault> faults;
  std::map<std::string, unsigned> seen;
  std::set<std::string> lookedUp;
  for (size_t i = 0; i < journey.size(); ++i) {
    const std::string& function = journey[i].function;
    unsigned nth = ++seen[function];
    if (kInfallible.count(function) != 0) continue;
    const std::string target = LookedUpAt(journey, i);
    if (!target.empty() && (function == "GetProcAddress" ? !lookedUp.insert(target).second
                                                         : lookedUp.count(target) != 0))
      continue;
    std::vector<DWORD> errors = {5, 31};
    auto specific = kSpecificErrors.find(function);
    if (specific != kSpecificErrors.end())
      errors.insert(errors.end(), specific->second.begin(), specific->second.end());
    for (DWORD error : errors) faults.push_back(InjectedFault{function, nth, error, i});
  }
  return faults;
}

// The position, within the calls of a journey, of the fault's failing call; -1 if not reached.
long PositionOf(const InjectedFault& fault, const std::vector<sim::Call>& journey) {
  unsigned seen = 0;
  for (size_t i = 0; i < journey.size(); ++i)
    if (journey[i].function == fault.function && ++seen == fault.nth) return static_cast<long>(i);
  return -1;
}

// StaleUpgrade: the registrations point elsewhere and are rewritten;
// HeldUpgrade: a running file cannot be replaced and waits for the restart.
enum class Journey {
  FreshInstall, Reinstall, Upgrade, StaleUpgrade, HeldUpgrade, UninstallLast, UninstallShared
};

const char* const kOtherProduct = "Lumasett Lite";

bool HasCode(const std::vector<DWORD>& tracked, DWORD code) {
  return std::any_of(tracked.begin(), tracked.end(),
                     [code](DWORD entry) { return (entry & 0xFFFF) == code; });
}

bool Has(const std::vector<DWORD>& tracked, DWORD entry) {
  return std::find(tracked.begin(), tracked.end(), entry) != tracked.end();
}

// A tracked code as a reviewer reads it: site/code, then where and why.
std::string Named(DWORD entry) {
  const DecodedCode d = ProjectCodeTable().Decode(entry);
  char head[24];
  if (d.code == 0xFFFF) std::snprintf(head, sizeof head, "0x%X/0xFFFF ", d.site);
  else std::snprintf(head, sizeof head, "0x%X/%u ", d.site, d.code);
  if (d.row == nullptr) return head + std::string("(not in the table)");
  return head + d.row->operation + ": " + d.row->condition + (d.rewrite ? " (" + std::string(d.rewrite) + ")" : "");
}

// Recorded outcomes by fault ("CreateFileA #2 error 5"): its result line and code lines.
std::map<std::string, std::vector<std::string>> ByFault(std::istream& in) {
  std::map<std::string, std::vector<std::string>> faults;
  std::string line, fault;
  while (std::getline(in, line) && line != "--") {}
  while (std::getline(in, line)) {
    if (line.rfind("  ", 0) != 0) fault = line.substr(0, line.find(':'));
    faults[fault].push_back(line.rfind("  ", 0) == 0 ? line.substr(2) : line);
  }
  return faults;
}

// What an acceptance changes, by code (site/code and operation) and in results.
void PrintChanges(const std::string& name, std::istream& before, std::istream& after) {
  auto old = ByFault(before), now = ByFault(after);
  std::map<std::string, std::pair<int, int>> changes;  // what: faults gaining it, losing it
  auto count = [&](const std::vector<std::string>& from, const std::vector<std::string>& to, bool gain) {
    for (size_t i = 0; i < from.size(); ++i)
      if (std::find(to.begin(), to.end(), from[i]) == to.end()) {
        std::string what = i == 0 ? "result and last error" : from[i].substr(0, from[i].find(':'));
        ++(gain ? changes[what].first : changes[what].second);
      }
  };
  for (auto& [fault, lines] : now) count(lines, old[fault], true);
  for (auto& [fault, lines] : old) count(lines, now[fault], false);
  std::printf("%s: %zu kinds of change\n", name.c_str(), changes.size());
  for (auto& [what, n] : changes) std::printf("  +%d -%d  %s\n", n.first, n.second, what.c_str());
}

bool IsFailureCode(DWORD code) {
  static const std::set<DWORD> failures = {1001, 1002, 1003, 1005, 1006, 1007, 1008, 1010, 0xFFFF};
  return failures.count(code) != 0;
}

class FaultSweep
    : public ScenarioTest,
      public ::testing::WithParamInterface<std::tuple<sim::Platform, Journey>> {
 protected:
  Journey Which() const { return std::get<1>(GetParam()); }
  bool Installs() const { return Which() <= Journey::HeldUpgrade; }
  bool Upgrades() const { return Installs() && Which() >= Journey::Upgrade; }

  // A freshly booted machine, brought to where the journey starts.
  void StartJourney() {
    host_.reset();  // before the reset unloads the image under it
    sim::Reset();
    SimTest::SetUp();
    Boot(std::get<0>(GetParam()));
    if (Which() == Journey::FreshInstall) return;
    ASSERT_EQ(1u, Install());
    if (Upgrades()) {
      // Another product installed the components; after a restart the
      // services run again (NT) or Windows has loaded the VxD (98), and a
      // new setup process brings newer ones.
      sim::DeleteRegistryTree(kProductsKey);
      sim::SetRegistryString(kBrandKey, kOtherProduct, "Installed");
      Restart();
      Carry(Carried());
    }
    if (Which() == Journey::StaleUpgrade) MakeRegistrationsStale();
    if (Which() == Journey::HeldUpgrade) {
      if (IsNt())
        sim::SetServiceBehaviour("OrbanetQelC11BA", {0, sim::StopResponse::Refuses, 0, 0});
      else  // an older library copy that another program has loaded
        sim::PutFile(InstallFolder() + "QELC14BA.DLL", Program({4, 0, 0, 0})),
            sim::LoadImageElsewhere(InstallFolder() + "QELC14BA.DLL");
    }
    if (Which() == Journey::UninstallShared)
      sim::SetRegistryString(kBrandKey, kOtherProduct, "Installed");
  }

  // The payloads of the journey's setup: newer ones for an upgrade.
  Payloads Carried() const {
    Payloads carried;
    if (Upgrades()) {
      carried.vxd = {4, 17, 0, 0};
      carried.service = {4, 21, 0, 0};
      carried.kernel = {4, 21, 0, 0};
      carried.uninstaller = {2, 21, 0, 0};
      carried.shfolder = {6, 1, 0, 0};
    }
    return carried;
  }

  // Every value the library writes differs: each must be rewritten. The old
  // uninstaller says its version only in text, which a raw scan reads.
  void MakeRegistrationsStale() {
    sim::PutFile(InstallFolder() + "QELC13BA.EXE", testfiles::ProgramWithVersionText("2.0.0.0"));
    if (!IsNt()) {
      sim::SetRegistryString(kKnownVxds, "QELC11BA", "C:\\OLD\\QELC11BA.VXD");
      return;
    }
    for (const char* name : {"OrbanetQelC11BA", "QelC15BA"}) {
      sim::ServiceConfig stale = sim::GetServiceConfig(name);
      stale.type = stale.type == SERVICE_KERNEL_DRIVER ? SERVICE_FILE_SYSTEM_DRIVER
                                                       : SERVICE_WIN32_SHARE_PROCESS;
      stale.startType = SERVICE_DEMAND_START;
      stale.binaryPath = "\"C:\\Old Place\\" + std::string(name) + "\"";
      stale.group = "Old Group";
      stale.displayName = "Old Name";
      sim::AddService(name, stale, sim::ServiceState(name));
    }
  }

  DWORD RunJourney() {
    from_ = sim::CallLog().size();
    return Installs() ? Install() : Uninstall();
  }

  std::vector<sim::Call> JourneyCalls() const {
    return std::vector<sim::Call>(sim::CallLog().begin() + static_cast<long>(from_),
                                  sim::CallLog().end());
  }

  // Where the design lets a removal fail without recording why: the NT
  // service opens of CheckRemove (DELETE | SERVICE_STOP) and Unregister
  // (DELETE) record only access denied, and the Windows 98 driver's
  // registration calls record nothing.
  bool FailsSilently(const InjectedFault& fault) const {
    if (Installs()) return false;
    const sim::Call& call = journey_[fault.position];
    if (IsNt()) {
      const std::string rights = call.detail.substr(call.detail.rfind(' ') + 1);
      return fault.function == "OpenServiceA" && fault.error != 5 &&
             (rights == "65568" || rights == "65536");
    }
    return call.detail == "QELC11BA" || call.detail == kKnownVxds;
  }

  // A failed lookup of an NT-only function stops the call it was for, with 120.
  InjectedFault Stopped(const InjectedFault& fault) const {
    size_t at = fault.position + (fault.function == "GetModuleHandleA" ? 1 : 0);
    if (at + 1 >= journey_.size() || journey_[at].function != "GetProcAddress" ||
        journey_[at + 1].function != journey_[at].detail)
      return fault;
    return InjectedFault{journey_[at + 1].function, 0, ERROR_CALL_NOT_IMPLEMENTED, at + 1};
  }

  // Calls whose failure the design ignores: the installer mutex (the
  // transaction runs unserialised), freeing a library, the access lists of
  // new keys and services, removing empty folders, the shared-file count, the
  // in-use counter's removal and the Add/Remove Programs values.
  bool WithoutEffect(const InjectedFault& fault) const {
    static const std::set<std::string> ignored = {
        "CreateMutexA", "WaitForSingleObject", "ReleaseMutex", "FreeLibrary",
        "AllocateAndInitializeSid", "SetEntriesInAclA", "InitializeSecurityDescriptor",
        "SetSecurityDescriptorDacl", "QueryServiceObjectSecurity", "GetSecurityDescriptorDacl",
        "GetAclInformation", "GetAce", "SetServiceObjectSecurity", "RemoveDirectoryA"};
    static const std::set<std::string> entryValues = {
        "DisplayName", "UninstallString", "Applet", "InstallLocation", "Publisher",
        "VersionMajor", "VersionMinor", "Installer", "ComponentsInUseCount"};
    const std::string& detail = journey_[fault.position].detail;
    if (ignored.count(fault.function) != 0) return true;
    if (fault.function == "RegDeleteValueA") return entryValues.count(detail) != 0;
    if (fault.function == "RegSetValueExA")
      return detail == "ComponentsInUseCount" || detail == MainDriverPath();
    return (fault.function == "RegOpenKeyExA" || fault.function == "RegCreateKeyExA") &&
           detail == kSharedDlls;
  }

  std::string MainDriverPath() const {
    return IsNt() ? DriversFolder() + "QELC11BA.EXE" : SystemFolder() + "QELC11BA.VXD";
  }

  // Nothing of the shared components was removed.
  bool ComponentsInPlace() const {
    bool driver = IsNt() ? sim::ServiceExists("OrbanetQelC11BA") && sim::ServiceExists("QelC15BA")
                         : sim::GetRegistryValue(kKnownVxds, "QELC11BA").has_value();
    return driver && sim::RegistryKeyExists(kUninstallKey) &&
           sim::FileExists(InstallFolder() + "QELC13BA.EXE") &&
           sim::FileExists(InstallFolder() + "QELC14BA.DLL");
  }

  // The files an install writes on this platform.
  std::vector<std::string> ComponentFiles() const {
    std::vector<std::string> files = {MainDriverPath(), InstallFolder() + "QELC13BA.EXE",
                                      InstallFolder() + "QELC14BA.DLL"};
    if (IsNt()) files.push_back(DriversFolder() + "QELC15BA.SYS");
    if (platform_ != sim::Platform::WinXP) files.push_back(SystemFolder() + "ShFolder.dll");
    return files;
  }

  void Check(const InjectedFault* fault, DWORD result);
  void CheckCleanState();

  size_t from_ = 0;
  std::vector<sim::Call> journey_;  // the calls of the journey without a fault
  DWORD cleanCode_ = 0;
  std::vector<DWORD> cleanTracked_;
};

// What a clean journey leaves beyond its calls: an install leaves the carried
// files, the drivers registered as Windows needs them, the shared count
// pinned and the product filed; removing the last product leaves nothing.
void FaultSweep::CheckCleanState() {
  const std::string mutex = IsNt() && platform_ != sim::Platform::NT4 ? "Global\\" : "";
  EXPECT_TRUE(sim::MutexCreatedWithNullDacl(mutex + "7399BC44-90CF-4372-8B56-416B8513B378"));
  // Each service runs its file, starts with Windows, and lets users control it.
  const std::tuple<const char*, DWORD, std::string> services[] = {
      {"OrbanetQelC11BA", SERVICE_WIN32_OWN_PROCESS, MainDriverPath()},
      {"QelC15BA", SERVICE_KERNEL_DRIVER, DriversFolder() + "QELC15BA.SYS"}};
  // A value as "type:data", or "none".
  auto value = [](const std::string& key, const std::string& name) {
    std::optional<sim::RegistryValue> v = sim::GetRegistryValue(key, name);
    return v ? std::to_string(v->type) + ":" + std::string(v->data.begin(), v->data.end()) : "none";
  };
  if (Which() == Journey::UninstallLast) {
    for (const std::string& file : ComponentFiles())
      EXPECT_EQ(file == SystemFolder() + "ShFolder.dll", sim::FileExists(file)) << file;
    EXPECT_FALSE(sim::FolderExists(InstallFolder()));
    for (const auto& service : services) EXPECT_FALSE(sim::ServiceExists(std::get<0>(service)));
    EXPECT_EQ("none", value(kKnownVxds, "QELC11BA"));
    EXPECT_FALSE(sim::RegistryKeyExists(kUninstallKey));
    EXPECT_FALSE(sim::RegistryKeyExists(kProductsKey));
  }
  if (!Installs()) return;
  if (Which() == Journey::HeldUpgrade) {
    // Windows's own form of the move, done at the restart without a trace.
    auto pending = sim::GetRegistryValue("System\\CurrentControlSet\\Control\\Session Manager",
                                         "PendingFileRenameOperations");
    if (IsNt()) {
      EXPECT_EQ("\\??\\" + DriversFolder() + "C141.TMP" + '\0' + "!\\??\\" + MainDriverPath() +
                    std::string(2, '\0'), std::string(pending->data.begin(), pending->data.end()));
    }
    Restart();
    for (const std::string& folder : {DriversFolder(), InstallFolder()})
      for (const std::string& name : sim::FolderEntries(folder)) EXPECT_EQ(name.find(".TMP"), name.npos);
  }
  const Payloads carried = Carried();
  std::vector<std::pair<std::string, std::vector<uint8_t>>> files = {
      {MainDriverPath(), Program(IsNt() ? carried.service : carried.vxd)},
      {InstallFolder() + "QELC13BA.EXE", Program(carried.uninstaller)},
      {InstallFolder() + "QELC14BA.DLL", sim::FileBytes(kLibraryPath)}};
  if (IsNt()) files.push_back({DriversFolder() + "QELC15BA.SYS", Program(carried.kernel)});
  if (platform_ != sim::Platform::WinXP)
    files.push_back({SystemFolder() + "ShFolder.dll", Program(carried.shfolder)});
  for (const auto& [file, bytes] : files) EXPECT_EQ(bytes, sim::FileBytes(file)) << file;
  if (IsNt()) {
    std::vector<sim::ServiceAce> widened = sim::DefaultServiceAccessList();
    for (sim::ServiceAce& ace : widened) ace.mask |= 0x76;
    for (const auto& [name, type, path] : services) {
      sim::ServiceConfig c = sim::GetServiceConfig(name);
      EXPECT_EQ(std::make_tuple(type, DWORD{SERVICE_AUTO_START}, DWORD{SERVICE_ERROR_NORMAL}, path,
                                std::string(), std::string(name)),
                std::make_tuple(c.type, c.startType, c.errorControl, c.binaryPath, c.group,
                                c.displayName)) << name;
      EXPECT_EQ(widened, sim::ServiceAccessList(name)) << name;
    }
    // Keys the library creates give everyone full access, inherited below.
    std::vector<sim::AccessEntry> access = sim::RegistryKeyAccess(kUninstallKey);
    ASSERT_EQ(1u, access.size());
    EXPECT_EQ("S-1-1-0", access[0].trustee);
    EXPECT_EQ(0xF003Fu, access[0].permissions);
    EXPECT_EQ(3u, access[0].inheritance);
  } else {
    // Windows 9x loads the VxD from its KnownVxDs value, a string with its NUL.
    EXPECT_EQ("1:" + MainDriverPath() + '\0', value(kKnownVxds, "QELC11BA"));
    EXPECT_TRUE(sim::RegistryKeyAccess(kUninstallKey).empty());
  }
  EXPECT_EQ(0xFFFFu, sim::GetRegistryDword(kSharedDlls, MainDriverPath()));
  EXPECT_EQ(std::string("1:Installed", 12), value(kBrandKey, kProductName));
}

void FaultSweep::Check(const InjectedFault* fault, DWORD result) {
  const InjectedFault stopped = fault ? Stopped(*fault) : InjectedFault{};
  auto failed = [&](const char* function) { return fault && stopped.function == function; };

  // The replay is the recorded journey up to the failing call.
  if (fault) {
    ASSERT_EQ(static_cast<long>(fault->position), PositionOf(*fault, JourneyCalls()));
  }

  // Nothing outlives the call, except the one handle whose close was made to fail.
  EXPECT_EQ(failed("CloseHandle") ? 1u : 0u, sim::OpenHandleCount());
  EXPECT_EQ(failed("CloseServiceHandle") ? 1u : 0u, sim::OpenServiceHandleCount());
  EXPECT_EQ(failed("RegCloseKey") ? 1u : 0u, sim::OpenRegistryKeyCount());
  EXPECT_EQ(0, sim::LiveSecurityAllocations());

  ASSERT_TRUE(result == 0 || result == 1) << result;
  const DWORD code = LastError();
  const std::vector<DWORD> tracked = Tracked();
  if (fault && WithoutEffect(stopped)) {
    EXPECT_EQ(1u, result);
    EXPECT_EQ(cleanCode_, code);
    EXPECT_EQ(cleanTracked_, tracked);
  }
  // Every entry names its recording place. Code 0 would only come from a
  // fourth in-use refusal, which a single journey never reaches.
  for (DWORD entry : tracked) {
    EXPECT_NE(0u, entry >> 16) << std::hex << entry;
    EXPECT_TRUE(IsFailureCode(entry & 0xFFFF)) << std::hex << entry;
  }
  if (result == 1) {
    // After a success the last error is the outcome of the component
    // handled last, or 0 when none reported one.
    EXPECT_TRUE(code == 0 || (code >= 2001 && code <= 2006)) << code;
  } else if (!(fault && FailsSilently(stopped))) {
    EXPECT_NE(0u, code) << "a failed call must say why";
  }
  // A preparation that failed rewrote its restart-needed entries to 1010,
  // and a failed preparation always fails the transaction.
  EXPECT_FALSE(HasCode(tracked, 1010) && result != 0);
  // Without the products key nothing is installed.
  EXPECT_FALSE(Has(tracked, TrackedCode(0x34A, 1007)) && result != 0);
  // Every restart-needed entry of an uninstall is a removal left for the
  // restart, and such a component reports failure.
  EXPECT_FALSE(!Installs() && HasCode(tracked, 1001) && result != 0);

  // An install succeeds only when every component with a required version
  // is in place: the service (NT) or the VxD (98), and ShFolder.dll where
  // the platform lacks it. On NT the service was found running or started.
  if (Installs() && result == 1) {
    // A copy in use that was accepted may have its replacement waiting for the restart.
    EXPECT_TRUE(sim::FileExists(MainDriverPath()) || HasCode(tracked, 1001));
    EXPECT_EQ(platform_ != sim::Platform::WinXP, sim::FileExists(SystemFolder() + "ShFolder.dll"));
    EXPECT_EQ(IsNt(), sim::ServiceExists("OrbanetQelC11BA"));
    // Windows 9x loads the driver at its next start only from its registration.
    EXPECT_EQ(!IsNt(), sim::GetRegistryValue(kKnownVxds, "QELC11BA").has_value());
  }
  // A write that failed half-way leaves no empty copy for a later look to trust.
  for (const std::string& file : ComponentFiles())
    EXPECT_FALSE(sim::FileExists(file) && sim::FileBytes(file).empty()) << file;

  // The in-use counter starts absent: only a refusal because something is in
  // use stores it, with 1, and that refusal ends the call with 1002.
  if (auto count = sim::GetRegistryDword(kInstallerKey, "ComponentsInUseCount")) {
    EXPECT_EQ(1u, *count);
    EXPECT_EQ(0u, result);
    EXPECT_EQ(1002u, code);
  }

  const bool registered = sim::GetRegistryString(kBrandKey, kProductName).has_value();
  switch (Which()) {
    case Journey::FreshInstall:
    case Journey::Upgrade:
    case Journey::StaleUpgrade:
    case Journey::HeldUpgrade:
      // Filed exactly when the install succeeded or only awaits a restart
      // (the first call of the process, so the last error is the failures'
      // public code); a filing that failed fails the install and says so.
      EXPECT_EQ((result == 1 || code == 1001) && !Has(tracked, TrackedCode(0x602, 0xFFFF)),
                registered)
          << result << " " << code;
      break;
    case Journey::Reinstall:
      EXPECT_TRUE(registered) << "an install never unfiles a product";
      break;
    case Journey::UninstallLast:
      // A refused uninstall removes nothing and files the product again.
      EXPECT_TRUE(registered || !ComponentsInPlace());
      break;
    case Journey::UninstallShared:
      // Another product still uses the components: whatever fails, nothing
      // of them is removed and its entry stays. A products key that cannot
      // be read fails the call and leaves this product filed.
      EXPECT_TRUE(ComponentsInPlace());
      EXPECT_TRUE(sim::GetRegistryString(kBrandKey, kOtherProduct).has_value());
      EXPECT_TRUE(registered || result != 0);
      break;
  }
}

TEST_P(FaultSweep, EveryCallFailsOnceInTurn) {
  StartJourney();
  ASSERT_FALSE(HasFatalFailure());
  ASSERT_EQ(1u, RunJourney());
  journey_ = JourneyCalls();
  cleanCode_ = LastError();
  cleanTracked_ = Tracked();
  Check(nullptr, 1);
  CheckCleanState();

  const std::vector<InjectedFault> faults = FaultsFor(journey_);
  auto started = std::chrono::steady_clock::now();
  // The clean journey's calls with their arguments and times, then which
  // place records what, fault by fault.
  std::ostringstream outcomes;
  for (const sim::Call& call : journey_)
    outcomes << call.time << " " << call.function << " " << call.detail << "\n";
  outcomes << "-- without a fault: 1 " << cleanCode_ << "\n";
  for (DWORD entry : cleanTracked_) outcomes << "  " << Named(entry) << "\n";
  outcomes << "--\n";
  for (const InjectedFault& fault : faults) {
    SCOPED_TRACE("call " + std::to_string(fault.nth) + " of " + fault.function + " (journey call " +
                 std::to_string(fault.position) + ") fails with " + std::to_string(fault.error));
    StartJourney();
    ASSERT_FALSE(HasFatalFailure());
    sim::FailCall(fault.function, fault.error, fault.nth);
    DWORD result = RunJourney();
    sim::ClearFaults();
    Check(&fault, result);
    if (HasFatalFailure()) return;
    outcomes << fault.function << " #" << fault.nth << " error " << fault.error << ": " << result
             << " " << LastError();
    outcomes << "\n";
    for (DWORD entry : Tracked()) outcomes << "  " << Named(entry) << "\n";
  }
  auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::printf("%zu calls, %zu faults, %.1f s\n", journey_.size(), faults.size(), seconds);

  // The recorded places are compared with tests/sweep/; QEL_SWEEP_ACCEPT=1
  // writes what this build records there instead.
  const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  const std::string file = QEL_SWEEP_DIR "/" + name.substr(name.find('/') + 1) + ".txt";
  std::ifstream want(file, std::ios::binary);
  if (const char* accept = std::getenv("QEL_SWEEP_ACCEPT"); accept && *accept == '1') {
    std::istringstream now(outcomes.str());
    PrintChanges(name, want, now);
    want.close();
    std::ofstream(file, std::ios::binary) << outcomes.str();
    return;
  }
  std::istringstream got(outcomes.str());
  for (int line = 1;; ++line) {
    std::string a, b;
    bool more = static_cast<bool>(std::getline(want, a));
    more = static_cast<bool>(std::getline(got, b)) || more;
    if (!more) break;
    ASSERT_EQ(a, b) << file << ":" << line << " (QEL_SWEEP_ACCEPT=1 records the new outcomes)";
  }
}

std::string SweepName(const ::testing::TestParamInfo<std::tuple<sim::Platform, Journey>>& info) {
  static const char* const journeys[] = {"FreshInstall", "Reinstall", "Upgrade", "StaleUpgrade",
                                         "HeldUpgrade", "UninstallLast", "UninstallShared"};
  return std::string(simmachine::PlatformName(std::get<0>(info.param))) + "_" +
         journeys[static_cast<int>(std::get<1>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(
    Journeys, FaultSweep,
    ::testing::Combine(::testing::Values(sim::Platform::Win98, sim::Platform::NT4,
                                         sim::Platform::WinXP),
                       ::testing::Values(Journey::FreshInstall, Journey::Reinstall,
                                         Journey::Upgrade, Journey::StaleUpgrade,
                                         Journey::HeldUpgrade, Journey::UninstallLast,
                                         Journey::UninstallShared)),
    SweepName);

}  // namespace
