// The file operations that wait for the next restart: NT's
// "PendingFileRenameOperations" and the "rename" section of WININIT.INI.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

using PathPairs = std::vector<std::pair<std::string, std::string>>;

// (from, to) as the NT value holds them; nothing when the value is absent.
std::optional<PathPairs> PendingRenames();
// (key, value) lines of the "rename" section; nothing when the file is absent.
std::optional<PathPairs> WininitRenames(const std::string& path);
// Case-insensitive containment, as paths are compared.
bool ContainsPath(const std::string& text, const std::string& path);
bool SamePath(const std::string& a, const std::string& b);
