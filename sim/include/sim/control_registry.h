// Registry, run-time libraries and access lists: test-side control of the
// simulated machine. Paths are below HKEY_LOCAL_MACHINE, without a leading "\".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/windows.h"

namespace sim {

struct RegistryValue {
  DWORD type;
  std::vector<uint8_t> data;
};

void CreateRegistryKey(const std::string& path);
bool RegistryKeyExists(const std::string& path);
void DeleteRegistryTree(const std::string& path);
std::vector<std::string> RegistrySubkeys(const std::string& path);
std::vector<std::string> RegistryValueNames(const std::string& path);
// Creates the key when needed.
void SetRegistryValue(const std::string& path, const std::string& name, DWORD type,
                      const std::vector<uint8_t>& data);
void SetRegistryString(const std::string& path, const std::string& name, const std::string& text,
                       DWORD type = REG_SZ);
void SetRegistryDword(const std::string& path, const std::string& name, DWORD value);
std::optional<RegistryValue> GetRegistryValue(const std::string& path, const std::string& name);
// The text of a string value up to its first NUL; nullopt when missing.
std::optional<std::string> GetRegistryString(const std::string& path, const std::string& name);
std::optional<DWORD> GetRegistryDword(const std::string& path, const std::string& name);

// Opening the key (and any key below it) for reading and/or for writing is
// refused with access denied.
void DenyRegistryAccess(const std::string& path, bool read, bool write);

// One entry of the access list a key was created with.
struct AccessEntry {
  std::string trustee;  // "S-1-1-0" for Everyone
  DWORD permissions;
  int mode;
  DWORD inheritance;
};
// Empty for a key created without an access list (or not created by a program).
std::vector<AccessEntry> RegistryKeyAccess(const std::string& path);
// Security identifiers and access lists handed out and not yet freed.
int LiveSecurityAllocations();
// Registry key handles of this process still open.
size_t OpenRegistryKeyCount();

// Run-time libraries: whether a module can be loaded, and whether it exports
// a function. "AdvAPI32.DLL" and "shfolder.dll" are present by default.
void SetModulePresent(const std::string& module, bool present);
void SetModuleExport(const std::string& module, const std::string& function, bool present);
// What "shfolder.dll" reports for Program Files and Common Files.
void SetShellFolders(const std::string& programFiles, const std::string& commonFiles);

}  // namespace sim
