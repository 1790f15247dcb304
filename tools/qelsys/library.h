// QelC14BA.dll loaded the way a setup program loads it, with its exports bound by name.
#pragma once

#include <windows.h>

#include <string>

#include "owned_handles.h"

class QelSysLibrary {
 public:
  // Loads the library and binds every export; on failure *error says why.
  bool Load(const std::string& path, std::string* error);
  std::string Path() const;
  HMODULE Module() const { return module_.Get(); }

  DWORD(WINAPI* install)(void) = nullptr;
  DWORD(WINAPI* uninstall)(void) = nullptr;
  DWORD(WINAPI* getLastError)(void) = nullptr;
  DWORD(WINAPI* getTrackedErrors)(DWORD*) = nullptr;
  DWORD(WINAPI* getCurrentBranding)(DWORD*, char*, DWORD) = nullptr;

 private:
  OwnedModule module_;
};

// The library beside this program.
std::string DefaultLibraryPath();
// The full path of the library --dll names (the default one when none):
// LoadLibraryA would look for a relative path beside qelsys.exe first.
std::string LibraryPathFor(const std::string& dll);
