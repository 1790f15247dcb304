// The last install or uninstall run by qelsys, kept in the registry of the
// user who ran it so that a later qelsys can show it.
#pragma once

#include <optional>
#include <string>

#include "last_run.h"

// HKEY_CURRENT_USER\<kLastRunKey>
extern const char kLastRunKey[];

bool SaveLastRun(const LastRun& run);
std::optional<LastRun> LoadLastRun();
std::string LocalTimeText();
