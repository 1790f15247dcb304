// File operations that Windows carries out at its next start: the pairs of
// the NT value PendingFileRenameOperations and the [rename] section of the
// Windows 9x WININIT.INI.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PendingOperation {
  std::string source;
  std::string target;  // empty: the source is deleted
};

// The pairs of a REG_MULTI_SZ value: source, then target (empty to delete).
std::vector<PendingOperation> ParseRenamePairs(const std::vector<uint8_t>& data);
// The [rename] entries of WININIT.INI: target=source, with target "NUL" to delete.
std::vector<PendingOperation> ParseWininitRenames(const std::string& text);
// The operations whose source or target contains one of the paths, ignoring
// case, as the library matches them (Windows may store a prefix of its own).
std::vector<PendingOperation> ConcerningPaths(const std::vector<PendingOperation>& operations,
                                              const std::vector<std::string>& paths);
