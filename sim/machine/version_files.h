// Files that carry a version the way programs do: a VS_VERSIONINFO block in
// the published layout, so the same bytes read the same on Windows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testfiles {

struct Version {
  uint16_t major, minor, build, revision;
};

// Text as UTF-16LE bytes, without a NUL.
std::vector<uint8_t> Utf16(const std::string& ascii);

// A version resource: the fixed information when `fixed` is given, and a
// string table holding "FileVersion" when `fileVersion` is given.
std::vector<uint8_t> VersionResource(const Version* fixed, const char* fileVersion);
// A program image of `size` bytes with `block` placed at a 4-byte aligned
// offset inside it.
std::vector<uint8_t> ProgramImage(const std::vector<uint8_t>& block, size_t size = 1024);

// A program whose version resource says major.minor.build.revision both in
// its fixed information and in its "FileVersion" text.
std::vector<uint8_t> ProgramWithVersion(Version version);
// A program whose only version is the "FileVersion" text.
std::vector<uint8_t> ProgramWithVersionText(const std::string& text);

}  // namespace testfiles
