#pragma once

#include "core/tracked_error_list.h"
#include "platform/os_version.h"
#include "platform/security_attributes.h"
#include "platform/special_folders.h"

// The library's process-wide objects, built in this order when it loads and
// destroyed in reverse when it unloads. Exactly one exists at a time.
class ProcessObjects {
 public:
  ProcessObjects();
  ~ProcessObjects();
  ProcessObjects(const ProcessObjects&) = delete;
  ProcessObjects& operator=(const ProcessObjects&) = delete;

  static ProcessObjects& Current();

 private:
  // Registers the instance before the members below are built, so that they
  // can already record failures.
  struct Registration {
    explicit Registration(ProcessObjects* owner);
    ~Registration();
  };

  Registration registration_;

 public:
  TrackedErrorList failureList;
  TrackedErrorList outcomeList;
  SecurityAttributes securityAttributes;
  OsVersion osVersion;
  SpecialFolders specialFolders;
};

TrackedErrorList& FailureList();
TrackedErrorList& OutcomeList();
const OsVersion& CurrentOsVersion();
SECURITY_ATTRIBUTES* InstallerMutexAttributes();
const SpecialFolders& CurrentSpecialFolders();
