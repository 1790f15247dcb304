// Fresh install, the same install again, an uninstall while another product
// is registered, and the last uninstall.
#include "phases.h"
#include "registry.h"
#include "services.h"

namespace {

DWORD ServiceProcess() {
  auto status = QueryStatus(kServiceName);
  return status ? status->dwProcessId : 0;
}

}  // namespace

void ExpectReport(Checks& checks, const CallReport& report, DWORD result, DWORD lastError,
                  const std::vector<DWORD>& tracked, const std::string& call) {
  checks.Equal(report.result, result, call + " result");
  checks.Equal(report.lastError, lastError, call + " QelSysGetLastError");
  checks.EqualCodes(report.tracked, tracked, call + " tracked codes");
}

void ExpectUnsupported(Context& context, const std::string& dll) {
  Library library(dll);
  if (!context.checks.That(library.Loaded(), "the library loads")) return;
  // No transaction runs, so nothing empties the list: each call adds one.
  const DWORD unsupported = Tracked(0x1E4, 1100);
  ExpectReport(context.checks, library.Install(), 0, 1100, {unsupported}, "QelSysInstall");
  ExpectReport(context.checks, library.Install(), 0, 1100, {unsupported, unsupported},
               "second QelSysInstall");
  ExpectReport(context.checks, library.Uninstall(), 0, 1100,
               {unsupported, unsupported, unsupported}, "QelSysUnInstall");
  CheckNothingInstalled(context.checks, context.layout, context.OldSources());
}

void FreshInstall(Context& context) {
  CheckNothingInstalled(context.checks, context.layout, context.OldSources());
  if (!context.layout.Supported()) return ExpectUnsupported(context, context.OldDll());
  Library library(context.OldDll());
  if (!context.checks.That(library.Loaded(), "the library loads")) return;
  // The uninstaller program is handled last and was not there.
  ExpectReport(context.checks, library.Install(), 1, 2003, {}, "QelSysInstall");
  CheckInstalled(context.checks, context.layout, context.OldSources());
}

void InstallAgain(Context& context) {
  if (!context.layout.Supported()) return ExpectUnsupported(context, context.OldDll());
  DWORD before = ServiceProcess();
  Library library(context.OldDll());
  if (!context.checks.That(library.Loaded(), "the library loads")) return;
  ExpectReport(context.checks, library.Install(), 1, 2002, {}, "QelSysInstall");
  CheckInstalled(context.checks, context.layout, context.OldSources());
  if (context.layout.Nt())
    context.checks.That(before != 0 && ServiceProcess() == before,
                        "the current service is left running, not restarted");
}

void UninstallShared(Context& context) {
  if (!context.layout.Supported()) return ExpectUnsupported(context, context.OldDll());
  // Another product of the family, registered as its own copy of the
  // library registers it.
  context.checks.That(WriteString(kSecondBrandingKey, kSecondProductName, "Installed"),
                      "another product is registered");
  Library library(context.OldDll());
  if (!context.checks.That(library.Loaded(), "the library loads")) return;
  // Nothing is removed, so no component reports an outcome.
  ExpectReport(context.checks, library.Uninstall(), 1, 0, {}, "QelSysUnInstall");
  CheckProductRegistered(context.checks, false);
  context.checks.Equal(ReadString(kSecondBrandingKey, kSecondProductName).value_or("(absent)"),
                       "Installed", "the other product stays registered");
  CheckFiles(context.checks, context.layout, context.OldSources());
  CheckDrivers(context.checks, context.layout, context.OldSources());
  CheckEntry(context.checks, context.layout);
}

void UninstallLast(Context& context) {
  if (!context.layout.Supported()) return ExpectUnsupported(context, context.OldDll());
  // The other product's own uninstall has taken its registration away.
  context.checks.That(DeleteKey(kSecondBrandingKey), "the other product is unregistered");
  Library library(context.OldDll());
  if (!context.checks.That(library.Loaded(), "the library loads")) return;
  // The library copy is removed last.
  ExpectReport(context.checks, library.Uninstall(), 1, 2004, {}, "QelSysUnInstall");
  CheckRemoved(context.checks, context.layout, context.OldSources());
}
