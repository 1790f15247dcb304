// What each command of qelsys does; each returns its exit status.
#pragma once

#include <string>

int RunSetup(bool uninstall, const std::string& dll);
int ShowBranding(const std::string& dll);
int ShowStatus(const std::string& dll, bool json, bool check);
int ShowErrors(bool json);
