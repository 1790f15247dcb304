// The one-line conclusion of status: whether the machine needs anything.
#pragma once

#include <functional>
#include <string>

struct MachineStatus;

struct Verdict {
  enum Kind { kConsistent, kRestartPending, kNeedsRepair } kind = kConsistent;
  std::string reason;
};

const char* VerdictName(Verdict::Kind kind);
// fileExists answers for the files that registrations name.
Verdict Judge(const MachineStatus& status, const std::function<bool(const std::string&)>& fileExists);
