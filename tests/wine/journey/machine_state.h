// Checks of the machine against what the library must have left there.
#pragma once

#include <string>

#include "checks.h"
#include "layout.h"

// The build folders (ending in "\") whose payload files each role is
// expected to match; an empty folder leaves that role's file unchecked.
struct Sources {
  std::string drivers;
  std::string program;
  std::string library;
  std::string shfolder;
  std::string For(Role role) const;
};

// Every file of the platform present, byte for byte its source's payload.
void CheckFiles(Checks& checks, const Layout& layout, const Sources& sources);
// Registered and running as the platform has it, answering the version of
// the source's files.
void CheckDrivers(Checks& checks, const Layout& layout, const Sources& sources);
// The Add/Remove Programs entry with its eight values.
void CheckEntry(Checks& checks, const Layout& layout);
void CheckProductRegistered(Checks& checks, bool registered);
// Another product of the family: its branding-code key and product name.
extern const char kSecondBrandingKey[];
extern const char kSecondProductName[];
void CheckSharedCount(Checks& checks, const Layout& layout);
void CheckNoRestartWork(Checks& checks, const Layout& layout);
void CheckNoInUseCount(Checks& checks);

// All of the above for an installed machine with nothing pending.
void CheckInstalled(Checks& checks, const Layout& layout, const Sources& sources);
// After the last uninstall: only ShFolder.dll and the pinned shared count
// stay, and the install folders when files were deleted at a restart.
void CheckRemoved(Checks& checks, const Layout& layout, const Sources& sources,
                  bool foldersRemoved = true);
// Nothing of the components anywhere.
void CheckNothingInstalled(Checks& checks, const Layout& layout, const Sources& sources);
