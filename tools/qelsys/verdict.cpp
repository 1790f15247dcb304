#include "verdict.h"

#include <windows.h>

#include <cstring>

#include "machine_status.h"

namespace {

// A service's command line names its program first, quoted when it has blanks.
std::string ProgramOf(const std::string& commandLine) {
  if (!commandLine.empty() && commandLine[0] == '"') {
    size_t end = commandLine.find('"', 1);
    return commandLine.substr(1, end == std::string::npos ? std::string::npos : end - 1);
  }
  return commandLine;
}

// Paths relative to the system root ("\SystemRoot\...", "system32\...") are
// left to Windows: only a path with a drive letter is looked at.
bool HasDrive(const std::string& path) { return path.size() > 2 && path[1] == ':'; }

bool SamePath(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

std::string PathOf(const MachineStatus& s, const char* fileName) {
  for (const ComponentState& c : s.components)
    if (std::strcmp(c.file.name, fileName) == 0) return c.file.path;
  return std::string();
}

// What an install would rewrite: the NT services as it registers them, and
// the Add/Remove Programs entry as it writes it (the library's own test).
std::string RegistrationProblem(const MachineStatus& s) {
  for (size_t k = 0; s.platform.family == Family::kNt && k < s.services.size(); ++k) {
    const ServiceState& service = s.services[k];
    const std::string expected = PathOf(s, kServices[k].file);
    if (!service.registered && !service.accessDenied)
      return "the service " + service.name + " is not registered";
    std::string program = ProgramOf(service.binaryPath);
    if (service.registered && HasDrive(program) && !expected.empty() && !SamePath(program, expected))
      return "the service " + service.name + " runs " + program + ", not " + expected;
  }
  const UninstallEntryState& entry = s.uninstallEntry;
  if (!entry.uninstallString) return "the Add/Remove Programs entry has no UninstallString";
  const std::string command = PathOf(s, "QELC13BA.EXE") + " /uninstall";
  if (!SamePath(*entry.uninstallString, command))
    return "the Add/Remove Programs entry runs " + *entry.uninstallString + ", not " + command;
  if (!entry.versionMajor || !entry.versionMinor)
    return "the Add/Remove Programs entry has no version: it was not written whole";
  return std::string();
}

std::string Plural(size_t n, const char* one, const char* more) {
  return std::to_string(n) + " " + (n == 1 ? one : more);
}

}  // namespace

const char* VerdictName(Verdict::Kind kind) {
  switch (kind) {
    case Verdict::kConsistent:
      return "consistent";
    case Verdict::kRestartPending:
      return "restart pending";
    case Verdict::kNeedsRepair:
      return "needs repair";
  }
  return "";
}

Verdict Judge(const MachineStatus& s, const std::function<bool(const std::string&)>& fileExists) {
  if (s.platform.family == Family::kUnsupported)
    return {Verdict::kConsistent, "the library installs nothing on this Windows"};
  if (!s.pendingProblem.empty())
    return {Verdict::kNeedsRepair, "the restart-time operations cannot be read: " + s.pendingProblem};
  if (!s.pending.empty())
    return {Verdict::kRestartPending,
            Plural(s.pending.size(), "file operation waits", "file operations wait") + " for the next restart"};
  const size_t products = s.products.size();
  size_t present = 0;
  for (const ComponentState& c : s.components) {
    // ShFolder.dll stays after the last uninstall and may come from Windows.
    if (std::strcmp(c.file.role, "system library") == 0) continue;
    if (c.present) ++present;
    if (products > 0 && !c.present)
      return {Verdict::kNeedsRepair, c.file.path + " is missing while " +
                                         Plural(products, "product is", "products are") + " registered"};
  }
  for (const ServiceState& service : s.services) {
    std::string program = ProgramOf(service.binaryPath);
    if (service.registered && HasDrive(program) && !fileExists(program))
      return {Verdict::kNeedsRepair, "the service " + service.name + " is registered but " + program + " is missing"};
  }
  if (s.knownVxd && HasDrive(*s.knownVxd) && !fileExists(*s.knownVxd))
    return {Verdict::kNeedsRepair, "KnownVxDs names " + *s.knownVxd + ", which is missing"};
  if (products > 0 && !s.uninstallEntry.present)
    return {Verdict::kNeedsRepair, "products are registered but the Add/Remove Programs entry is missing"};
  if (products > 0) {
    std::string problem = RegistrationProblem(s);
    if (!problem.empty()) return {Verdict::kNeedsRepair, problem};
  }
  if (products == 0 && present > 0)
    return {Verdict::kNeedsRepair, Plural(present, "component file remains", "component files remain") +
                                       " with no product registered"};
  if (products == 0) return {Verdict::kConsistent, "not installed"};
  return {Verdict::kConsistent, "installed, " + Plural(products, "product", "products") + " registered"};
}
