#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/version_number.h"

// The key of the version string "FileVersion" in UTF-16LE: 11 units, 22 bytes.
constexpr size_t kFileVersionKeyBytes = 22;

// Whether the 22 bytes at data are the key.
bool IsFileVersionKeyAt(const uint8_t* data);

// Reads "a.b.c" from UTF-16LE text of `size` bytes that follows the key: at
// most two NUL units are skipped, then three decimal numbers joined by dots;
// whatever follows the third is ignored. Sets the version and returns true
// only when all three were read; never looks past the data.
bool ParseDottedVersion(const uint8_t* text, size_t size, VersionNumber& version);

// Tries every byte position of the data at which the whole key fits; the
// first key followed by a parsable version ends the scan.
bool ScanForFileVersion(const uint8_t* data, size_t size, VersionNumber& version);
