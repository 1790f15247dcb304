// qelsys: installs, removes and inspects the shared components through
// QelC14BA.dll. See 'qelsys --help'.
#include <cstdio>

#include "commands.h"
#include "exit_status.h"
#include "options.h"
#include "usage.h"

int main(int argc, char** argv) {
  Options options = ParseOptions(argc, argv);
  if (!options.error.empty()) {
    std::fprintf(stderr, "qelsys: %s\nRun 'qelsys --help' for usage.\n", options.error.c_str());
    return kExitUsage;
  }
  if (options.help) {
    std::fputs(HelpText(options.command).c_str(), stdout);
    return kExitOk;
  }
  const std::string& command = options.command;
  if (command == "install" || command == "uninstall") return RunSetup(command == "uninstall", options.dll);
  if (command == "trace") return RunTrace(options);
  if (command == "branding") return ShowBranding(options.dll);
  if (command == "status") return ShowStatus(options.dll, options.json, options.check);
  return ShowErrors(options.json);
}
