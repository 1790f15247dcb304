#include "commands.h"

#include <cstdio>
#include <vector>

#include "builtin_table.h"
#include "call_trace.h"
#include "errors_report.h"
#include "exit_status.h"
#include "import_patch.h"
#include "last_run_store.h"
#include "library.h"
#include "machine_status.h"
#include "status_report.h"
#include "text_encoding.h"
#include "trace_summary.h"
#include "traced_functions.h"

namespace {

bool OpenLibrary(const std::string& dll, QelSysLibrary* library) {
  std::string error;
  if (library->Load(LibraryPathFor(dll), &error)) return true;
  std::fprintf(stderr, "qelsys: %s\n", error.c_str());
  return false;
}

LastRun StartRun(const QelSysLibrary& library, bool uninstall) {
  LastRun run;
  run.command = uninstall ? "uninstall" : "install";
  run.time = LocalTimeText();
  run.library = library.Path();
  return run;
}

void ReadErrors(const QelSysLibrary& library, LastRun* run) {
  run->lastError = library.getLastError();
  // The count first, then an array of that many.
  std::vector<DWORD> tracked(library.getTrackedErrors(nullptr));
  if (!tracked.empty()) tracked.resize(library.getTrackedErrors(tracked.data()));
  run->tracked.assign(tracked.begin(), tracked.end());
}

void KeepRun(const LastRun& run) {
  if (!SaveLastRun(run))
    std::fprintf(stderr, "qelsys: the result could not be kept for 'qelsys errors'\n");
}

}  // namespace

int RunSetup(bool uninstall, const std::string& dll) {
  QelSysLibrary library;
  if (!OpenLibrary(dll, &library)) return kExitNoLibrary;
  LastRun run = StartRun(library, uninstall);
  run.result = uninstall ? library.uninstall() : library.install();
  ReadErrors(library, &run);
  std::fputs(ErrorsText(run, BuiltInTable()).c_str(), stdout);
  KeepRun(run);
  return RunExitStatus(run);
}

int RunTrace(const Options& options) {
  const FaultPlan& fault = options.fault;
  if (!fault.function.empty() && !CanFail(fault.function.c_str())) {
    std::fprintf(stderr, "qelsys: --fail: %s is not a traced function that can fail\n", fault.function.c_str());
    return kExitUsage;
  }
  QelSysLibrary library;
  if (!OpenLibrary(options.dll, &library)) return kExitNoLibrary;
  OwnedCrtFile file;
  if (!options.output.empty()) {
    file.Reset(std::fopen(options.output.c_str(), "w"));
    if (!file.IsValid()) {
      std::fprintf(stderr, "qelsys: %s could not be written\n", options.output.c_str());
      return kExitNoOutput;
    }
  }
  CallTrace trace;
  trace.out = file.IsValid() ? file.Get() : stdout;
  trace.json = options.json;
  trace.fault = fault;
  const bool uninstall = options.traced == "uninstall";
  LastRun run = StartRun(library, uninstall);
  {
    ImportPatches patches;
    g_trace = &trace;
    if (!patches.Apply(library.Module(), TraceThunk)) {
      g_trace = nullptr;
      std::fprintf(stderr, "qelsys: the imports of %s could not be redirected\n", run.library.c_str());
      return kExitNoLibrary;
    }
    const uint64_t started = NowMicroseconds();
    run.result = uninstall ? library.uninstall() : library.install();
    trace.exportMicroseconds = NowMicroseconds() - started;
    patches.Restore();
    g_trace = nullptr;
  }
  ReadErrors(library, &run);
  std::fputs(TraceSummary(trace, run, BuiltInTable()).c_str(), trace.out);
  std::fflush(trace.out);
  // JSON on standard output already carries the result.
  if (!options.json || file.IsValid()) std::fputs(ErrorsText(run, BuiltInTable()).c_str(), stdout);
  KeepRun(run);
  if (fault.nth != 0 && trace.faultedCall == 0) {
    // A run that went as usual would otherwise read as the fault's outcome.
    std::fprintf(stderr, "qelsys: nothing was injected: the planned call was not reached or cannot fail\n");
    return kExitNotInjected;
  }
  return RunExitStatus(run);
}

int ShowBranding(const std::string& dll) {
  QelSysLibrary library;
  if (!OpenLibrary(dll, &library)) return kExitNoLibrary;
  DWORD code = 0;
  std::vector<char> name(library.getCurrentBranding(&code, nullptr, 0));
  if (!name.empty()) library.getCurrentBranding(nullptr, name.data(), static_cast<DWORD>(name.size()));
  std::printf("Library: %s\nBranding code: %08lX\nProduct name: %s\n", library.Path().c_str(),
              static_cast<unsigned long>(code), name.empty() ? "" : name.data());
  return kExitOk;
}

int ShowStatus(const std::string& dll, bool json, bool check) {
  MachineStatus status = CollectStatus(LibraryPathFor(dll));
  std::fputs((json ? StatusJson(status) : StatusText(status)).c_str(), stdout);
  if (!check) return kExitOk;
  switch (status.verdict.kind) {
    case Verdict::kConsistent: return kExitOk;
    case Verdict::kRestartPending: return kExitRestart;
    case Verdict::kNeedsRepair: return kExitNeedsRepair;
  }
  return kExitNeedsRepair;
}

int ShowErrors(bool json) {
  std::optional<LastRun> run = LoadLastRun();
  const TrackedCodeTable& table = BuiltInTable();
  std::fputs((json ? ErrorsJson(run, table, AnsiToUtf8) : ErrorsText(run, table)).c_str(), stdout);
  return kExitOk;
}
