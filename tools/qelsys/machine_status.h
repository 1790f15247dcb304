// The machine as the library sees it, gathered without changing anything.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "machine_layout.h"
#include "pending_operations.h"
#include "service_probe.h"
#include "verdict.h"

struct ComponentState {
  ComponentFile file;
  bool present = false;
  std::optional<std::string> version;  // of the file present
  std::optional<std::string> carried;  // of the copy the library would install
};

struct UninstallEntryState {
  bool present = false;
  std::optional<std::string> displayName, uninstallString, applet, installLocation, publisher, installer;
  std::optional<DWORD> versionMajor, versionMinor;
};

struct ProductState {
  std::string brandingCode;
  std::string name;
  bool olderLayout = false;  // a branding-code key right below the products key
};

struct LibraryState {
  std::string path;
  bool found = false;   // loaded for reading
  bool exists = false;  // a file of that name is there, DLL or not
  std::optional<std::string> version, brandingCode, productName;
  uint16_t machine = 0;  // the PE machine it is built for; 0 when unknown
};

struct MachineStatus {
  Platform platform;
  Folders folders;
  LibraryState library;
  std::vector<ComponentState> components;
  std::vector<ServiceState> services;
  std::optional<std::string> serviceAnswer;  // version the service answered on its pipe
  std::optional<std::string> knownVxd;       // the KnownVxDs value of the device driver
  std::string pendingSource;                 // where restart-time operations are kept here
  std::vector<PendingOperation> pending;     // those that concern the components' files
  std::string pendingProblem;                // why they could not be read, if so
  UninstallEntryState uninstallEntry;
  bool productsKey = false;
  std::vector<ProductState> products;
  std::optional<DWORD> inUseCount;
  std::string sharedPath;
  std::optional<DWORD> sharedCount;
  Verdict verdict;
};

MachineStatus CollectStatus(const std::string& libraryPath);
