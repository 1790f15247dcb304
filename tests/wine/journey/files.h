// Reading files and folders as they are on the machine.
#pragma once

#include <optional>
#include <string>
#include <vector>

bool PathExists(const std::string& path);
bool FolderExists(const std::string& path);
std::optional<std::vector<char>> ReadBytes(const std::string& path);
// "major.minor.build" from the file's fixed version information, "" without.
std::string FileVersion(const std::string& path);
// Both "major.minor.build", compared part by part as numbers.
bool VersionLess(const std::string& a, const std::string& b);
// The names of the entries of a folder, "." and ".." left out.
std::vector<std::string> FolderEntries(const std::string& folder);
// Writes the file anew with the text; false when it cannot be written.
bool WriteText(const std::string& path, const std::string& text);
// Writes an empty file; false when it cannot be created.
bool TouchFile(const std::string& path);
