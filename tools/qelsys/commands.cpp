#include "commands.h"

#include <cstdio>
#include <vector>

#include "builtin_table.h"
#include "errors_report.h"
#include "exit_status.h"
#include "last_run_store.h"
#include "library.h"
#include "machine_status.h"
#include "status_report.h"
#include "text_encoding.h"

namespace {

bool OpenLibrary(const std::string& dll, QelSysLibrary* library) {
  std::string error;
  if (library->Load(LibraryPathFor(dll), &error)) return true;
  std::fprintf(stderr, "qelsys: %s\n", error.c_str());
  return false;
}

}  // namespace

int RunSetup(bool uninstall, const std::string& dll) {
  QelSysLibrary library;
  if (!OpenLibrary(dll, &library)) return kExitNoLibrary;
  LastRun run;
  run.command = uninstall ? "uninstall" : "install";
  run.time = LocalTimeText();
  run.library = library.Path();
  run.result = uninstall ? library.uninstall() : library.install();
  run.lastError = library.getLastError();
  // The count first, then an array of that many.
  std::vector<DWORD> tracked(library.getTrackedErrors(nullptr));
  if (!tracked.empty()) tracked.resize(library.getTrackedErrors(tracked.data()));
  run.tracked.assign(tracked.begin(), tracked.end());
  std::fputs(ErrorsText(run, BuiltInTable()).c_str(), stdout);
  if (!SaveLastRun(run))
    std::fprintf(stderr, "qelsys: the result could not be kept for 'qelsys errors'\n");
  return RunExitStatus(run);
}

int ShowBranding(const std::string& dll) {
  QelSysLibrary library;
  if (!OpenLibrary(dll, &library)) return kExitNoLibrary;
  DWORD code = 0;
  std::vector<char> name(library.getCurrentBranding(&code, nullptr, 0));
  if (!name.empty()) library.getCurrentBranding(nullptr, name.data(), static_cast<DWORD>(name.size()));
  std::printf("Library: %s\nBranding code: 0x%08lX\nProduct name: %s\n", library.Path().c_str(),
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
