// The simulated machine the scenario tests and the call-count benchmark run
// on, without a test framework: the library image with its string table, its
// payloads of chosen versions, and the programs behind the services and
// drivers it installs.
#pragma once

#include <string>

#include "sim/sim.h"
#include "machine/version_files.h"

namespace simmachine {

inline constexpr char kBrandingCode[] = "B241A000";
inline constexpr char kProductName[] = "Lumasett Studio";
inline constexpr char kLibraryPath[] = "C:\\Program Files\\Lumasett Studio\\QelC14BA.dll";
inline constexpr char kServicePipe[] = "D2FAF60C-A24E-11d3-B7F1-005004393C73";

// The versions of the programs the library carries.
struct Payloads {
  testfiles::Version vxd{4, 16, 0, 0};
  testfiles::Version service{4, 20, 0, 0};
  testfiles::Version kernel{4, 20, 0, 0};
  testfiles::Version uninstaller{2, 20, 0, 0};
  testfiles::Version shfolder{5, 0, 0, 0};
};

bool IsNt(sim::Platform platform);
const char* PlatformName(sim::Platform platform);

// On a machine just reset: the library image, loaded from `path`, and its string table.
void RegisterLibrary(const char* path = kLibraryPath);
// The library carries these payloads from the next call on.
void Carry(const Payloads& payloads);
// The running service answers this version over its pipe.
void ServiceAnswers(const testfiles::Version& version);
// The platform with its folders, the payloads, the library's own file, and
// the programs behind what the library registers: the service answers its
// version while it runs, the kernel driver offers its device, the VxD loads.
void Boot(sim::Platform platform, const Payloads& payloads);

}  // namespace simmachine
