// What each command of qelsys does; each returns its exit status.
#pragma once

#include <string>

#include "options.h"

int RunSetup(bool uninstall, const std::string& dll);
// trace install|uninstall: the same run with every Windows call of the library written out.
int RunTrace(const Options& options);
int ShowBranding(const std::string& dll);
int ShowStatus(const std::string& dll, bool json, bool check);
int ShowErrors(bool json);
