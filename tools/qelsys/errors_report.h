// The tracked codes of one install or uninstall, decoded for a reader.
#pragma once

#include <optional>
#include <string>

#include "json_writer.h"
#include "last_run.h"
#include "tracked_code_table.h"

using TextConverter = std::string (*)(const std::string&);

// Text for a terminal; `run` empty when nothing was recorded yet.
std::string ErrorsText(const std::optional<LastRun>& run, const TrackedCodeTable& table);
// The same as JSON; `toUtf8` converts the texts that come from Windows.
std::string ErrorsJson(const std::optional<LastRun>& run, const TrackedCodeTable& table,
                       TextConverter toUtf8);
// The same object, written into `json`.
void WriteErrorsJson(JsonWriter* json, const std::optional<LastRun>& run, const TrackedCodeTable& table,
                     TextConverter toUtf8);
