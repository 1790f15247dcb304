#include "options.h"

namespace {

const char* const kCommands[] = {"install", "uninstall", "status", "errors", "branding", "trace", "help"};

}  // namespace

bool IsCommand(const std::string& name) {
  for (const char* command : kCommands)
    if (name == command) return true;
  return false;
}

Options ParseOptions(int argc, const char* const* argv) {
  Options o;
  for (int i = 1; i < argc && o.error.empty(); ++i) {
    std::string arg = argv[i];
    if (arg == "--help" || arg == "-h" || arg == "/?") {
      o.help = true;
    } else if (arg == "--json") {
      o.json = true;
    } else if (arg == "--check") {
      o.check = true;
    } else if ((arg == "--dll" && !o.dll.empty()) || (arg == "--output" && !o.output.empty()) ||
               (arg == "--fail" && o.fault.nth != 0)) {
      // Keeping only the last would run something else than the line says.
      o.error = arg + " given twice";
    } else if (arg == "--dll") {
      if (i + 1 >= argc || argv[i + 1][0] == '\0')
        o.error = "--dll needs the path of QelC14BA.dll";
      else
        o.dll = argv[++i];
    } else if (arg == "--output" || arg == "--fail") {
      if (i + 1 >= argc || argv[i + 1][0] == '\0')
        o.error = arg + (arg == "--output" ? " needs a file name" : " needs N[:FUNCTION]=ERROR");
      else if (arg == "--output")
        o.output = argv[++i];
      else if (!ParseFaultPlan(argv[++i], &o.fault))
        o.error = std::string("--fail takes N[:FUNCTION]=ERROR, not ") + argv[i];
    } else if (arg.size() > 1 && arg[0] == '-') {
      o.error = "unknown option " + arg;
    } else if (o.command.empty()) {
      if (!IsCommand(arg))
        o.error = "unknown command " + arg;
      else
        o.command = arg;
    } else if (o.command == "trace" && o.traced.empty()) {
      if (arg != "install" && arg != "uninstall")
        o.error = "trace runs install or uninstall, not " + arg;
      else
        o.traced = arg;
    } else if (o.command == "help" && o.topic.empty()) {
      if (!IsCommand(arg))
        o.error = "no help on " + arg;
      else
        o.topic = arg;
    } else {
      o.error = "unexpected argument " + arg;
    }
  }
  if (!o.error.empty()) return o;
  if (o.command == "help") {
    // "help --help" asks about help itself.
    if (!o.topic.empty() || !o.help) o.command = o.topic;
    o.help = true;
  } else if (o.command.empty() && !o.help) {
    o.error = "no command given";
  } else if (o.help) {
    // Help is given whatever else the line asks.
  } else if (o.command == "trace" && o.traced.empty()) {
    o.error = "trace needs install or uninstall";
  } else if (o.json && o.command != "status" && o.command != "errors" && o.command != "trace") {
    o.error = "--json goes with status, errors and trace only";
  } else if ((!o.output.empty() || o.fault.nth != 0) && o.command != "trace") {
    o.error = "--output and --fail go with trace only";
  } else if (o.check && o.command != "status") {
    o.error = "--check goes with status only";
  } else if (!o.dll.empty() && o.command == "errors") {
    // The record names the library that ran; another one would be ignored.
    o.error = "--dll does not go with errors";
  }
  return o;
}
