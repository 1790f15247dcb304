// Installers meeting on the installer mutex: one that holds it longer than
// the library waits, and two products whose installs wait for it at once.
// The driving script holds the mutex from another process (qeljourney
// hold-mutex) and talks to the phases through marker files in C:\.
#include <cstdlib>
#include <string>

#include "files.h"
#include "phases.h"
#include "registry.h"

namespace {

std::string Marker(const std::string& name) { return "C:\\" + name; }

// True when another process owns the mutex; a free mutex taken by the probe
// is given back at once.
bool HeldElsewhere(const Layout& layout) {
  OwnedHandle mutex(OpenMutexA(SYNCHRONIZE, FALSE, layout.InstallerMutexName()));
  if (!mutex.Valid()) return false;
  DWORD wait = WaitForSingleObject(mutex.Get(), 0);
  if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) ReleaseMutex(mutex.Get());
  return wait == WAIT_TIMEOUT;
}

DWORD ReadCode(const std::string& path) {
  auto bytes = ReadBytes(path);
  if (!bytes) return 0;
  return std::strtoul(std::string(bytes->begin(), bytes->end()).c_str(), nullptr, 10);
}

// Waits for the mutex the script holds, installs once it is released and
// leaves the last error behind for the phase that checks both installs.
void InstallWaiting(Context& context, const std::string& dll, const std::string& name) {
  Checks& checks = context.checks;
  Library library(dll);
  if (!checks.That(library.Loaded(), "the library loads")) return;
  checks.That(HeldElsewhere(context.layout), "another process holds the installer mutex");
  if (!checks.That(TouchFile(Marker(name + ".ready")), "the script is told the install starts"))
    return;
  CallReport report = library.Install();
  // The holder writes its marker before it lets go.
  checks.That(PathExists(Marker("mutex.released")),
              "the install waited until the holder released the mutex");
  checks.Equal(report.result, 1, "QelSysInstall result");
  // Whichever install runs first finds nothing (2003); the other finds
  // every component current (2002).
  checks.That(report.lastError == 2003 || report.lastError == 2002,
              "QelSysGetLastError is 2003 or 2002: " + std::to_string(report.lastError));
  checks.EqualCodes(report.tracked, {}, "QelSysInstall tracked codes");
  checks.That(WriteText(Marker(name + ".done"), std::to_string(report.lastError)),
              "the result is left for the check phase");
}

}  // namespace

void InstallMutexHeld(Context& context) {
  Checks& checks = context.checks;
  checks.That(HeldElsewhere(context.layout), "another process holds the installer mutex");
  Library library(context.NewDll());
  if (!checks.That(library.Loaded(), "the library loads")) return;
  DWORD started = GetTickCount();
  CallReport install = library.Install();
  DWORD waited = GetTickCount() - started;
  ExpectReport(checks, install, 0, 1002, {Tracked(0x22E, 1002)}, "QelSysInstall");
  checks.That(waited >= 2900, "the install waited out its time: " + std::to_string(waited) + " ms");
  // A time-out does not empty the lists: the uninstall's entry goes before
  // the install's.
  ExpectReport(checks, library.Uninstall(), 0, 1002,
               {Tracked(0x27A, 1002), Tracked(0x22E, 1002)}, "QelSysUnInstall");
  CheckNothingInstalled(checks, context.layout, context.OldSources());
}

void ContendStudio(Context& context) {
  InstallWaiting(context, context.OldDll(), "contend-studio");
}

void ContendViewer(Context& context) {
  InstallWaiting(context, context.NewDll(), "contend-viewer");
}

void AfterContention(Context& context) {
  Checks& checks = context.checks;
  DWORD studio = ReadCode(Marker("contend-studio.done"));
  DWORD viewer = ReadCode(Marker("contend-viewer.done"));
  checks.That((studio == 2003 && viewer == 2002) || (studio == 2002 && viewer == 2003),
              "one install found nothing, the other found it current: " +
                  std::to_string(studio) + ", " + std::to_string(viewer));
  // Both products ship the same payloads; the library copy is the image of
  // whichever installed first, and the other's copy of the same version
  // leaves it be.
  Sources sources = context.OldSources();
  if (viewer == 2003) sources.library = context.newDir;
  CheckInstalled(checks, context.layout, sources);
  checks.Equal(ReadString(kSecondBrandingKey, kSecondProductName).value_or("(absent)"),
               "Installed", "the second product is registered");
}
