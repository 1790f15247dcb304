// Versions as the library compares them: major.minor.build.
#pragma once

#include <optional>
#include <string>

// From a file's version resource; none when the file has none or cannot be read.
std::optional<std::string> FileVersion(const std::string& path);
