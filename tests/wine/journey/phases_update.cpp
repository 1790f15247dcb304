// Newer payloads over an installed machine: replaced at once while nothing
// holds them, and at the next restart while another process holds one.
#include "files.h"
#include "phases.h"
#include "registry.h"
#include "restart_work.h"
#include "services.h"

namespace {

DWORD ServiceProcess() {
  auto status = QueryStatus(kServiceName);
  return status ? status->dwProcessId : 0;
}

// Files in the install folder besides the program and the library copy.
std::vector<std::string> StagedFiles(const Layout& layout) {
  std::vector<std::string> staged;
  for (const std::string& name : FolderEntries(layout.installFolder))
    if (!SamePath(name, "QELC13BA.EXE") && !SamePath(name, "QELC14BA.DLL"))
      staged.push_back(layout.installFolder + name);
  return staged;
}

// Temporary files the library stages replacements in ("C14" prefix, from
// GetTempFileNameA), in any folder it deploys to.
std::vector<std::string> TemporaryFiles(const Layout& layout) {
  std::vector<std::string> found;
  std::vector<std::string> folders;
  for (const Item& item : layout.Items()) {
    bool seen = false;
    for (const std::string& folder : folders) seen = seen || SamePath(folder, item.folder);
    if (!seen) folders.push_back(item.folder);
  }
  for (const std::string& folder : folders)
    for (const std::string& name : FolderEntries(folder))
      if (name.size() > 7 && SamePath(name.substr(0, 3), "C14") &&
          SamePath(name.substr(name.size() - 4), ".TMP"))
        found.push_back(folder + name);
  return found;
}

bool HeldExclusively(const std::string& path) {
  OwnedHandle file(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  return !file.Valid() && GetLastError() == ERROR_SHARING_VIOLATION;
}

void CheckReplacementScheduled(Context& context, const std::string& staged) {
  Checks& checks = context.checks;
  const Layout& layout = context.layout;
  auto pending = PendingRenames();
  auto wininit = WininitRenames(layout.WininitPath());
  if (layout.Nt()) {
    bool one = checks.Equal(pending ? pending->size() : 0, 1,
                            "one pending rename in PendingFileRenameOperations");
    checks.That(one && ContainsPath(pending->front().first, staged) &&
                    ContainsPath(pending->front().second, layout.ProgramPath()),
                "the staged file is to replace the program at the restart");
    checks.That(!wininit || wininit->empty(), "nothing in WININIT.INI on NT");
  } else {
    // Wine accepts MoveFileExA's restart flag here too; Windows 9x would not.
    checks.That(!pending, "no PendingFileRenameOperations on Windows 9x");
    bool one = checks.Equal(wininit ? wininit->size() : 0, 1, "one rename line in WININIT.INI");
    checks.That(one && SamePath(wininit->front().first, layout.ProgramPath()) &&
                    SamePath(wininit->front().second, staged),
                "WININIT.INI replaces the program with the staged file");
  }
}

}  // namespace

void Upgrade(Context& context) {
  if (!context.layout.Supported()) return ExpectUnsupported(context, context.NewDll());
  Checks& checks = context.checks;
  for (const Item& item : context.layout.Items()) {
    if (item.role != Role::kDriver && item.role != Role::kProgram) continue;
    std::string older = FileVersion(context.oldDir + item.name);
    std::string newer = FileVersion(context.newDir + item.name);
    checks.That(VersionLess(older, newer), "the newer build carries " + item.name + " " + newer +
                                               " (installed: " + older + ")");
  }
  DWORD before = ServiceProcess();
  if (context.layout.Nt())
    checks.Equal(PipeVersion(), FileVersion(context.oldDir + "QELC11BA.EXE"),
                 "the older service answers before the upgrade");
  Library library(context.NewDll());
  if (!checks.That(library.Loaded(), "the newer library loads")) return;
  // The uninstaller program, handled last, is newer too and not in use. On
  // Windows 9x Wine cannot load the VxD stand-in, so it is not running and
  // its file is replaced at once as well.
  ExpectReport(checks, library.Install(), 1, 2001, {}, "QelSysInstall");
  CheckInstalled(checks, context.layout, context.NewSources());
  if (context.layout.Nt())
    checks.That(before != 0 && ServiceProcess() != 0 && ServiceProcess() != before,
                "the service was stopped and started again");
}

void InstallHeld(Context& context) {
  if (!context.layout.Supported()) return ExpectUnsupported(context, context.NewDll());
  Checks& checks = context.checks;
  const Layout& layout = context.layout;
  checks.That(HeldExclusively(layout.ProgramPath()), "another process holds the program");
  Library library(context.NewDll());
  if (!checks.That(library.Loaded(), "the newer library loads")) return;
  // The program is in use but has no required version: accepted (2006), its
  // replacement staged and scheduled (0x1F3). What was found on the way
  // stays tracked: the held file's version cannot be read (0xC9) whenever it
  // is asked for, in preparation (then 0x10F), before replacing it (then
  // 0x189) and before writing.
  const DWORD unreadable = Tracked(0xC9, 1002);
  ExpectReport(checks, library.Install(), 1, 2006,
               {Tracked(0x1F3, 1001), unreadable, Tracked(0x189, 1002), unreadable,
                Tracked(0x10F, 1002), unreadable},
               "QelSysInstall");
  checks.That(HeldExclusively(layout.ProgramPath()),
              "the program is still held, so it is unchanged");
  Sources sources = context.NewSources();
  sources.program = "";  // held: nothing can read it
  CheckFiles(checks, layout, sources);
  CheckDrivers(checks, layout, sources);
  CheckEntry(checks, layout);
  CheckProductRegistered(checks, true);
  CheckNoInUseCount(checks);
  std::vector<std::string> staged = StagedFiles(layout);
  if (!checks.Equal(staged.size(), 1, "one staged file beside the program")) return;
  std::vector<std::string> temporary = TemporaryFiles(layout);
  checks.That(temporary.size() == 1 && SamePath(temporary[0], staged[0]),
              "it is the only staged file in any folder");
  checks.That(ReadBytes(staged[0]) == ReadBytes(context.newDir + "QELC13BA.EXE"),
              staged[0] + " holds the newer program");
  CheckReplacementScheduled(context, staged[0]);
}

void AfterRestartCurrent(Context& context) {
  if (!context.layout.Supported()) return ExpectUnsupported(context, context.NewDll());
  Checks& checks = context.checks;
  if (context.layout.Nt()) {
    checks.That(WaitForState(kServiceName, SERVICE_RUNNING, 60000),
                "the restart started the service");
    checks.That(WaitForState(kKernelDriverName, SERVICE_RUNNING, 60000),
                "the restart started the kernel driver");
  }
  // The restart carried out the replacement.
  CheckFiles(checks, context.layout, context.NewSources());
  checks.That(StagedFiles(context.layout).empty(), "the staged file is gone");
  checks.That(TemporaryFiles(context.layout).empty(), "no staged file is left in any folder");
  CheckNoRestartWork(checks, context.layout);
  Library library(context.NewDll());
  if (!checks.That(library.Loaded(), "the newer library loads")) return;
  ExpectReport(checks, library.Install(), 1, 2002, {}, "QelSysInstall");
  CheckInstalled(checks, context.layout, context.NewSources());
}
