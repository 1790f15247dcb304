// What one install or uninstall run by qelsys reported.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct LastRun {
  std::string command;            // "install" or "uninstall"
  std::string time;               // local time, "YYYY-MM-DD hh:mm:ss"
  std::string library;            // path of the QelC14BA.dll that ran
  uint32_t result = 0;            // what QelSysInstall or QelSysUnInstall returned
  uint32_t lastError = 0;         // QelSysGetLastError right after
  std::vector<uint32_t> tracked;  // QelSysGetTrackedErrors, newest first
  bool damaged = false;           // a stored record that is incomplete or malformed
};

