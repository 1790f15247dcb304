#include "core/process_objects.h"

#include <cstdlib>

namespace {
ProcessObjects* current = nullptr;
}

ProcessObjects::Registration::Registration(ProcessObjects* owner) {
  if (current != nullptr) std::abort();  // two sets of process state would split the lists
  current = owner;
}

ProcessObjects::Registration::~Registration() { current = nullptr; }

ProcessObjects::ProcessObjects() : registration_(this) {}
ProcessObjects::~ProcessObjects() = default;

ProcessObjects& ProcessObjects::Current() { return *current; }

TrackedErrorList& FailureList() { return ProcessObjects::Current().failureList; }
TrackedErrorList& OutcomeList() { return ProcessObjects::Current().outcomeList; }
const OsVersion& CurrentOsVersion() { return ProcessObjects::Current().osVersion; }
SECURITY_ATTRIBUTES* InstallerMutexAttributes() {
  return ProcessObjects::Current().securityAttributes.Attributes();
}
const SpecialFolders& CurrentSpecialFolders() { return ProcessObjects::Current().specialFolders; }
