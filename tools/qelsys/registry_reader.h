// Reads registry values without changing anything: keys are opened for
// reading only and never created.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "owned_handles.h"

class RegistryReader {
 public:
  // Opens root\path for reading; IsOpen() tells whether it exists.
  RegistryReader(HKEY root, const std::string& path);

  bool IsOpen() const { return key_.IsValid(); }
  // A REG_SZ value of at most `limit` bytes, its NUL included; other types count as absent.
  std::optional<std::string> String(const char* name, DWORD limit = 4096) const;
  // A REG_DWORD value; other types count as absent.
  std::optional<DWORD> Dword(const char* name) const;
  // The raw bytes of a value of the given type.
  std::optional<std::vector<BYTE>> Bytes(const char* name, DWORD type) const;
  // The type of a value that exists.
  std::optional<DWORD> Type(const char* name) const;
  std::vector<std::string> SubkeyNames() const;
  // Names of the values, in the order the registry gives them.
  std::vector<std::string> ValueNames() const;

 private:
  OwnedKey key_;
};
