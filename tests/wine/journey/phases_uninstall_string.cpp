// The Add/Remove Programs entry's command run as Windows runs it.
#include "files.h"
#include "owned.h"
#include "phases.h"
#include "registry.h"
#include "restart_work.h"

namespace {

const DWORD kNoExit = 0xFFFFFFFF;

// Started like Add/Remove Programs starts it: the program named, and the
// entry's command line handed over as it is, its path unquoted with spaces.
// The program then shows its outcome in a message box; Wine without a
// display fails the box at once instead of waiting for a click (journey.sh
// runs this journey without one).
DWORD RunCommand(const std::string& program, const std::string& command) {
  std::vector<char> line(command.begin(), command.end());
  line.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION created = {};
  if (!CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &created))
    return kNoExit;
  OwnedHandle process(created.hProcess);
  OwnedHandle thread(created.hThread);
  DWORD status = kNoExit;
  if (WaitForSingleObject(process.Get(), 180000) != WAIT_OBJECT_0 ||
      !GetExitCodeProcess(process.Get(), &status))
    return kNoExit;
  return status;
}

void CheckDeletionScheduled(Context& context) {
  Checks& checks = context.checks;
  const Layout& layout = context.layout;
  std::vector<std::string> paths = {layout.ProgramPath(), layout.LibraryCopyPath()};
  if (layout.Nt()) {
    PathPairs pending = PendingRenames().value_or(PathPairs());
    if (!checks.Equal(pending.size(), paths.size(), "two pending deletions")) return;
    for (size_t i = 0; i < paths.size(); ++i)
      checks.That(ContainsPath(pending[i].first, paths[i]) && pending[i].second.empty(),
                  paths[i] + " is deleted at the restart");
  } else {
    PathPairs wininit = WininitRenames(layout.WininitPath()).value_or(PathPairs());
    if (!checks.Equal(wininit.size(), paths.size(), "two deletions in WININIT.INI")) return;
    for (size_t i = 0; i < paths.size(); ++i)
      checks.That(wininit[i].first == "NUL" && SamePath(wininit[i].second, paths[i]),
                  "NUL=" + paths[i]);
  }
}

}  // namespace

void RunUninstallString(Context& context) {
  Checks& checks = context.checks;
  const Layout& layout = context.layout;
  if (!layout.Supported()) {
    checks.That(!KeyExists(kUninstallEntryKey), "no Add/Remove entry to run");
    // The program beside the library reports what the library reported.
    const std::string program = context.oldDir + "QELC13BA.EXE";
    checks.Equal(RunCommand(program, program + " /uninstall"), 1100,
                 "the uninstaller program's exit status");
    return CheckNothingInstalled(checks, layout, context.OldSources());
  }
  auto command = ReadString(kUninstallEntryKey, "UninstallString");
  if (!checks.That(command.has_value(), "the entry holds an UninstallString")) return;
  // The program runs from the install folder and has loaded the library copy
  // there: neither can be deleted while it runs, so both wait for the restart.
  checks.That(command->find(' ') < command->find(" /uninstall") && (*command)[0] != '"',
              "the entry's command is the unquoted path with spaces");
  checks.Equal(RunCommand(layout.ProgramPath(), *command), 1001,
               "the uninstaller program's exit status");
  for (const Item& item : layout.Items()) {
    if (item.role == Role::kDriver) checks.That(!PathExists(item.Path()), item.Path() + " is gone");
  }
  checks.That(PathExists(layout.ProgramPath()) && PathExists(layout.LibraryCopyPath()),
              "the program and the library copy stay until the restart");
  CheckDeletionScheduled(context);
  checks.That(!KeyExists(kUninstallEntryKey), "the Add/Remove entry is gone");
  checks.That(!KeyExists(kProductsKey), "the installed-products key is gone");
  checks.That(!ReadString(kKnownVxdsKey, "QELC11BA"), "no KnownVxDs value");
}

void AfterRestartRemoved(Context& context) {
  if (!context.layout.Supported()) return ExpectUnsupported(context, context.OldDll());
  // The deletions ran at the restart, after the folders could be removed.
  CheckRemoved(context.checks, context.layout, context.OldSources(), false);
}
