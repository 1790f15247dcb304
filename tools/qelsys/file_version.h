// Versions as the library compares them: major.minor.build.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// From a file's version resource; none when the file has none or cannot be read.
std::optional<std::string> FileVersion(const std::string& path);
// From the fixed file information inside an image held in memory, such as a
// payload carried in the library.
std::optional<std::string> ImageVersion(const uint8_t* data, size_t size);
