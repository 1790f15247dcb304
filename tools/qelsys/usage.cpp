#include "usage.h"

namespace {

const char kGeneral[] =
    "Usage: qelsys [--dll PATH] COMMAND [--json]\n"
    "\n"
    "Runs QelC14BA.dll, the library that installs the shared components, the\n"
    "way a setup program does, and reports what it did and what is installed.\n"
    "\n"
    "Commands:\n"
    "  install         install or update the shared components\n"
    "  uninstall       release this product's use of them; the last product removes them\n"
    "  status          report the components as the library sees them; changes nothing\n"
    "  errors          decode the tracked codes of the last install or uninstall\n"
    "  branding        print the branding code and product name of the library\n"
    "  trace install|uninstall  run it and write every Windows call of the library\n"
    "  help [COMMAND]  print this help, or the help of a command\n"
    "\n"
    "Options:\n"
    "  --dll PATH      use this QelC14BA.dll rather than the one beside qelsys.exe\n"
    "  --check         status: exit with 3 or 6 unless the machine is consistent\n"
    "  --json          write JSON (status and errors; JSON lines for trace)\n"
    "  --output FILE   trace: write the calls to FILE\n"
    "  --fail N[:FUNCTION]=ERROR  trace: make a call of the library fail\n"
    "  -h, --help      print help\n"
    "\n"
    "Exit statuses:\n"
    "  0  done; an install or uninstall succeeded\n"
    "  1  the install or uninstall failed; 'qelsys errors' says why\n"
    "  2  unknown command or option\n"
    "  3  the install or uninstall finishes at the next restart of Windows\n"
    "  4  the library does not support this Windows version\n"
    "  5  QelC14BA.dll could not be loaded or lacks an export\n"
    "  6  status --check: the machine needs repair\n"
    "  7  trace: the --output file could not be written\n"
    "  8  trace --fail: nothing was injected\n";

const char kSetupStatuses[] =
    "\n"
    "Exit status: 0 succeeded, 1 failed, 3 finishes at the next restart,\n"
    "4 Windows version not supported, 5 QelC14BA.dll not loaded.\n";

const char kInstall[] =
    "Usage: qelsys [--dll PATH] install\n"
    "\n"
    "Calls QelSysInstall once. The library installs the components that are\n"
    "missing, replaces older ones (at the next restart when they are in use),\n"
    "registers and starts the service and the drivers, writes the Add/Remove\n"
    "Programs entry and registers its product. qelsys prints the result with\n"
    "the decoded tracked codes and keeps them for 'qelsys errors'.\n";

const char kUninstall[] =
    "Usage: qelsys [--dll PATH] uninstall\n"
    "\n"
    "Calls QelSysUnInstall once. The library removes its product's\n"
    "registration; when no product is left it stops and deletes the service\n"
    "and the drivers and removes the files (at the next restart when they are\n"
    "in use) and the Add/Remove Programs entry. qelsys prints the result with\n"
    "the decoded tracked codes and keeps them for 'qelsys errors'.\n";

const char kStatus[] =
    "Usage: qelsys [--dll PATH] status [--json] [--check]\n"
    "\n"
    "Reports, without changing anything, what the library would find: which\n"
    "component files are present with their versions and the versions the\n"
    "library carries, which services are registered and running and the\n"
    "version the service answers on its pipe, the KnownVxDs value, pending\n"
    "restart-time operations on the component files, the Add/Remove Programs\n"
    "entry, the registered products, the in-use counter and the shared count.\n"
    "It ends with a verdict: consistent, restart pending, or needs repair, with\n"
    "the reason (for example a registered service whose file is missing).\n"
    "\n"
    "Exit status: 0; with --check, 3 when a restart is pending and 6 when the\n"
    "machine needs repair.\n";

const char kErrors[] =
    "Usage: qelsys errors [--json]\n"
    "\n"
    "Prints the tracked codes of the last install or uninstall that qelsys\n"
    "ran for this user, newest first, each with the operation that recorded\n"
    "it, the condition and advice. Codes that the install or uninstall\n"
    "rewrote (1001 to 1010, 1002 to 0) are decoded as first recorded.\n"
    "The run is kept under HKEY_CURRENT_USER\\Software\\QelSys\\LastRun.\n"
    "\n"
    "Exit status: 0.\n";

const char kBranding[] =
    "Usage: qelsys [--dll PATH] branding\n"
    "\n"
    "Prints the branding code and the product name that QelSysGetCurrentBranding\n"
    "returns.\n"
    "\n"
    "Exit status: 0, or 5 when QelC14BA.dll could not be loaded.\n";

const char kTrace[] =
    "Usage: qelsys [--dll PATH] trace install|uninstall [--json] [--output FILE]\n"
    "                                 [--fail N[:FUNCTION]=ERROR]\n"
    "\n"
    "Runs the install or uninstall with the library's imports pointed at\n"
    "qelsys, and writes each Windows call as it returns: its arguments (paths,\n"
    "registry keys and values, services, access rights, sizes), result, last\n"
    "error and time, with the component its names point to. Then the Sleep\n"
    "waits, the handles, keys and libraries the library left open, and the\n"
    "result as 'qelsys install' prints it (kept for 'qelsys errors').\n"
    "Functions the library looks up with GetProcAddress show as that call only.\n"
    "\n"
    "  --json          one JSON object per call, then one summary object\n"
    "  --output FILE   the calls go to FILE; the result still to the console\n"
    "  --fail N=ERROR  the Nth traced call fails with ERROR without being made;\n"
    "                  N:FUNCTION=ERROR the Nth call of FUNCTION. Registry\n"
    "                  functions return ERROR, the others set it as last error.\n"
    "\n"
    "ERROR is decimal (no leading zero) or 0x and hex digits, from 1.\n"
    "\n"
    "Exit status: as install and uninstall; 2 also for a FUNCTION that is not\n"
    "traced, 7 for an --output file that cannot be written, 8 when the\n"
    "planned call was not reached and nothing was injected.\n";

const char kHelp[] =
    "Usage: qelsys help [COMMAND]\n"
    "\n"
    "Prints the general help, or the help of COMMAND.\n";

}  // namespace

std::string HelpText(const std::string& command) {
  if (command == "install") return std::string(kInstall) + kSetupStatuses;
  if (command == "uninstall") return std::string(kUninstall) + kSetupStatuses;
  if (command == "status") return kStatus;
  if (command == "errors") return kErrors;
  if (command == "branding") return kBranding;
  if (command == "trace") return kTrace;
  if (command == "help") return kHelp;
  return kGeneral;
}
