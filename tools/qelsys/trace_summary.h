// The end of a trace: waits, what the library left open, the fault, the result.
#pragma once

#include <string>

#include "call_trace.h"
#include "last_run.h"
#include "tracked_code_table.h"

// Text lines, or one JSON object on one line (with the decoded run) when the trace is JSON.
std::string TraceSummary(const CallTrace& trace, const LastRun& run, const TrackedCodeTable& table);
