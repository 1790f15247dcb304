#include "machine/sim_machine.h"

namespace simmachine {

static std::string PaddedName(const std::string& name) {
  std::string padded = name;
  padded.resize(64, '\0');
  return padded;
}

bool IsNt(sim::Platform platform) {
  return platform == sim::Platform::NT4 || platform == sim::Platform::Win2000 ||
         platform == sim::Platform::WinXP;
}

const char* PlatformName(sim::Platform platform) {
  switch (platform) {
    case sim::Platform::Win98: return "Win98";
    case sim::Platform::NT4: return "NT4";
    case sim::Platform::WinXP: return "WinXP";
    default: return "Other";
  }
}

void RegisterLibrary(const char* path) {
  sim::RegisterImage("QelC14BA.dll", QEL_IMAGE_PATH, path);
  sim::SetStringResource("QelC14BA.dll", 1, kBrandingCode);
  sim::SetStringResource("QelC14BA.dll", 2, PaddedName(kProductName));
}

void Carry(const Payloads& p) {
  sim::SetBinaryResource("QelC14BA.dll", 102, testfiles::ProgramWithVersion(p.vxd));
  sim::SetBinaryResource("QelC14BA.dll", 112, testfiles::ProgramWithVersion(p.uninstaller));
  sim::SetBinaryResource("QelC14BA.dll", 114, testfiles::ProgramWithVersion(p.kernel));
  sim::SetBinaryResource("QelC14BA.dll", 115, testfiles::ProgramWithVersion(p.shfolder));
  sim::SetBinaryResource("QelC14BA.dll", 10001, testfiles::ProgramWithVersion(p.service));
}

void ServiceAnswers(const testfiles::Version& v) {
  sim::ServePipe(kServicePipe, {sim::VersionAnswer(v.major, v.minor, v.build)}, "OrbanetQelC11BA");
}

void Boot(sim::Platform platform, const Payloads& payloads) {
  sim::SetPlatform(platform);
  if (!IsNt(platform)) {
    sim::SetWindowsFolders("C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM");
    sim::MakeFolder("C:\\WINDOWS\\SYSTEM");
  }
  Carry(payloads);
  sim::PutFile(kLibraryPath, testfiles::ProgramWithVersion({4, 20, 0, 1}));
  ServiceAnswers(payloads.service);
  sim::AddDevice("QelC15BA", sim::DeviceNamespace::Global, "QelC15BA");
  sim::AddVxd("QELC11BA");
}

}  // namespace simmachine
