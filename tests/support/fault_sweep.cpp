#include "support/fault_sweep.h"

#include <map>
#include <set>

namespace {

const DWORD kAccessDenied = 5;
const DWORD kGenFailure = 31;
const DWORD kSharingViolation = 32;

// Beyond access denied and a generic failure, the errors each call meets
// in practice and that the library tells apart.
const std::map<std::string, std::vector<DWORD>>& SpecificErrors() {
  static const std::map<std::string, std::vector<DWORD>> errors = {
      {"CreateFileA", {kSharingViolation}},
      {"CopyFileA", {kSharingViolation}},
      {"DeleteFileA", {kSharingViolation, 2 /* not found: counts as gone */}},
      {"MoveFileExA", {kSharingViolation}},
      {"fopen", {kSharingViolation}},
      {"GetFileVersionInfoSizeA", {kSharingViolation}},
      {"GetFileVersionInfoA", {kSharingViolation}},
      {"OpenServiceA", {1060 /* does not exist */}},
      {"CreateServiceA", {1072, 1073 /* exists */}},
      {"ChangeServiceConfigA", {87 /* invalid parameter */, 1072}},
      {"StartServiceA", {2 /* no file */, 1056 /* running */, 1058 /* disabled */, 1072}},
      {"ControlService",
       {1052 /* invalid control */, 1061 /* cannot accept */, 1062 /* not active */}},
      {"DeleteService", {6 /* invalid handle */, 1072}},
  };
  return errors;
}

// The simulation cannot make these fail, nor can Windows in a way a caller sees.
const std::set<std::string>& Infallible() {
  static const std::set<std::string> calls = {"Sleep", "feof", "FreeSid", "LocalFree"};
  return calls;
}

}  // namespace

std::vector<InjectedFault> FaultsFor(const std::vector<sim::Call>& journey) {
  std::vector<InjectedFault> faults;
  std::map<std::string, unsigned> seen;
  for (size_t i = 0; i < journey.size(); ++i) {
    const std::string& function = journey[i].function;
    unsigned nth = ++seen[function];
    if (Infallible().count(function) != 0) continue;
    std::vector<DWORD> errors = {kAccessDenied, kGenFailure};
    auto specific = SpecificErrors().find(function);
    if (specific != SpecificErrors().end())
      errors.insert(errors.end(), specific->second.begin(), specific->second.end());
    for (DWORD error : errors) faults.push_back(InjectedFault{function, nth, error, i});
  }
  return faults;
}

long PositionOf(const InjectedFault& fault, const std::vector<sim::Call>& journey) {
  unsigned seen = 0;
  for (size_t i = 0; i < journey.size(); ++i)
    if (journey[i].function == fault.function && ++seen == fault.nth) return static_cast<long>(i);
  return -1;
}

std::string Describe(const InjectedFault& fault) {
  return "call " + std::to_string(fault.nth) + " of " + fault.function + " (journey call " +
         std::to_string(fault.position) + ") fails with " + std::to_string(fault.error);
}
