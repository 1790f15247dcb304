// The version inside an image held in memory, such as a payload carried in
// the library, as the library compares versions: major.minor.build.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// From the first fixed file information in the data; none when there is none.
std::optional<std::string> ImageVersion(const uint8_t* data, size_t size);
