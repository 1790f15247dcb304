#include "counts/machine.h"

#include <vector>

namespace bench {
namespace {

const char* const kLibraryPath = "C:\\Program Files\\Lumasett Studio\\QelC14BA.dll";
const char* const kServicePipe = "D2FAF60C-A24E-11d3-B7F1-005004393C73";

std::string PaddedName(const std::string& name) {
  std::string padded = name;
  padded.resize(64, '\0');
  return padded;
}

}  // namespace

const char* PlatformName(sim::Platform platform) {
  switch (platform) {
    case sim::Platform::Win98: return "Win98";
    case sim::Platform::NT4: return "NT4";
    case sim::Platform::WinXP: return "WinXP";
    default: return "Other";
  }
}

bool Machine::IsNt() const {
  return platform_ == sim::Platform::NT4 || platform_ == sim::Platform::Win2000 ||
         platform_ == sim::Platform::WinXP;
}

void Machine::Carry(const Payloads& p) {
  sim::SetBinaryResource("QelC14BA.dll", 102, testfiles::ProgramWithVersion(p.vxd));
  sim::SetBinaryResource("QelC14BA.dll", 112, testfiles::ProgramWithVersion(p.uninstaller));
  sim::SetBinaryResource("QelC14BA.dll", 114, testfiles::ProgramWithVersion(p.kernel));
  sim::SetBinaryResource("QelC14BA.dll", 115, testfiles::ProgramWithVersion(p.shfolder));
  sim::SetBinaryResource("QelC14BA.dll", 10001, testfiles::ProgramWithVersion(p.service));
}

void Machine::ServiceAnswers(const testfiles::Version& v) {
  sim::ServePipe(kServicePipe, {sim::VersionAnswer(v.major, v.minor, v.build)}, "OrbanetQelC11BA");
}

bool Machine::Boot(sim::Platform platform, const Payloads& payloads) {
  host_.reset();
  sim::Reset();
  sim::RegisterImage("QelC14BA.dll", QEL_IMAGE_PATH, kLibraryPath);
  sim::SetStringResource("QelC14BA.dll", 1, "B241A000");
  sim::SetStringResource("QelC14BA.dll", 2, PaddedName("Lumasett Studio"));
  platform_ = platform;
  sim::SetPlatform(platform);
  if (!IsNt()) {
    sim::SetWindowsFolders("C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM");
    sim::MakeFolder("C:\\WINDOWS\\SYSTEM");
  }
  Carry(payloads);
  sim::PutFile(kLibraryPath, testfiles::ProgramWithVersion({4, 20, 0, 1}));
  ServiceAnswers(payloads.service);
  sim::AddDevice("QelC15BA", sim::DeviceNamespace::Global, "QelC15BA");
  sim::AddVxd("QELC11BA");
  host_ = std::make_unique<LibraryHost>();
  return host_->Loaded();
}

Machine::~Machine() {
  host_.reset();
  sim::Reset();
}

}  // namespace bench
