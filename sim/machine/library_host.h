#pragma once

#include <cstdint>

#include "sim/windows.h"

// Loads the library image the way a host does and binds its exports by name.
class LibraryHost {
 public:
  explicit LibraryHost(const char* fileName = "QelC14BA.dll");
  ~LibraryHost();
  LibraryHost(const LibraryHost&) = delete;
  LibraryHost& operator=(const LibraryHost&) = delete;

  bool Loaded() const { return module_ != nullptr && bound_; }
  HMODULE Module() const { return module_; }

  DWORD(WINAPI* Install)(void) = nullptr;
  DWORD(WINAPI* UnInstall)(void) = nullptr;
  DWORD(WINAPI* GetLastErrorCode)(void) = nullptr;
  DWORD(WINAPI* GetTrackedErrors)(DWORD*) = nullptr;
  DWORD(WINAPI* GetCurrentBranding)(DWORD*, char*, DWORD) = nullptr;
  DWORD(WINAPI* UninstInitialize)(void) = nullptr;
  DWORD(WINAPI* UninstUnInitialize)(void) = nullptr;

 private:
  HMODULE module_ = nullptr;
  bool bound_ = false;
};
