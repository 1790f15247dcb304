// The decoding table built into qelsys from data/tracked_codes.tsv.
#pragma once

#include "tracked_code_table.h"

// Parsed on first use; empty, with a message on stderr, if the text is broken.
const TrackedCodeTable& BuiltInTable();
