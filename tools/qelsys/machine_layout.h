// Where the library puts the shared components on the running Windows: the
// platform family, the folders and the files of its component set.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

enum class Family { kWindows9x, kNt, kUnsupported };

struct Platform {
  DWORD id = 0;
  DWORD major = 0;
  DWORD minor = 0;
  DWORD build = 0;
  bool wow64 = false;  // a 32-bit process on 64-bit Windows: the library refuses
  Family family = Family::kUnsupported;
};

Platform CurrentPlatform();
// "Windows 9x", "NT 4", "NT 5 or later" or "unsupported".
const char* ComponentSetName(const Platform& platform);

struct Folders {
  std::string windows;  // each ends in "\"
  std::string system;
  std::string drivers;
  std::string install;  // of the uninstaller program and the library copy
};

// The folders as the library expands them; the install folder is the one an
// earlier install recorded in the Add/Remove Programs entry, if any.
Folders ResolveFolders();

struct ComponentFile {
  const char* role;
  const char* name;
  WORD resource;  // payload resource id; 0 for the copy of the library itself
  std::string path;
};

// The files of the component set of this platform, in install order.
std::vector<ComponentFile> ComponentFiles(const Platform& platform, const Folders& folders);
// The file whose shared count every install pins.
std::string MainDriverPath(const Platform& platform, const Folders& folders);

// Registry keys and names the library uses, all under HKEY_LOCAL_MACHINE.
extern const char kUninstallKey[];
extern const char kProductsKey[];
extern const char kProductFamilyKey[];  // below kProductsKey
extern const char kInstallerKey[];
extern const char kInUseCountValue[];
extern const char kSharedDllsKey[];
extern const char kKnownVxdsKey[];
extern const char kVxdName[];
extern const char kSessionManagerKey[];
extern const char kServicePipe[];

struct ServiceName {
  const char* name;
  const char* file;
};
extern const ServiceName kServices[2];
