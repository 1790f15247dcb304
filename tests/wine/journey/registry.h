// Reading and writing values under HKEY_LOCAL_MACHINE.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

bool KeyExists(const std::string& path);
std::vector<std::string> SubkeyNames(const std::string& path);
std::vector<std::string> ValueNames(const std::string& path);
// Only a value of that exact type counts.
std::optional<std::string> ReadString(const std::string& path, const std::string& name);
std::optional<DWORD> ReadDword(const std::string& path, const std::string& name);
// A REG_MULTI_SZ of pairs, first and second string of each.
std::optional<std::vector<std::pair<std::string, std::string>>> ReadStringPairs(
    const std::string& path, const std::string& name);

bool WriteString(const std::string& path, const std::string& name, const std::string& text);
// Deletes a key that has no subkeys.
bool DeleteKey(const std::string& path);

extern const char kSessionManagerKey[];
extern const char kKnownVxdsKey[];
extern const char kSharedDllsKey[];
extern const char kProductsKey[];
extern const char kOurProductsKey[];  // the family key below the products key
extern const char kInstallerKey[];
extern const char kUninstallEntryKey[];
