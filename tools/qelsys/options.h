// The command line of qelsys.
#pragma once

#include <string>

#include "fault_plan.h"

struct Options {
  std::string command;  // empty when none was given
  std::string topic;    // the command that "help" is asked about
  std::string dll;      // --dll PATH; empty for the library beside qelsys.exe
  std::string traced;   // trace: "install" or "uninstall"
  std::string output;   // trace --output FILE
  FaultPlan fault;      // trace --fail
  bool json = false;
  bool check = false;  // status --check: the exit status says whether anything is needed
  bool help = false;
  std::string error;  // set when the command line is not understood
};

Options ParseOptions(int argc, const char* const* argv);
bool IsCommand(const std::string& name);
