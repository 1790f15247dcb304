// The phases of the journeys: each runs in a process of its own, calls the
// library like a setup program and checks what it reported and what it left
// on the machine. The driving script restarts Wine between phases.
#pragma once

#include <string>
#include <vector>

#include "checks.h"
#include "layout.h"
#include "library.h"
#include "machine_state.h"

struct Context {
  Checks& checks;
  Layout layout;
  std::string oldDir;  // the build folders (ending in "\") of the DLL and its payloads
  std::string newDir;  // the same with newer payloads

  std::string OldDll() const { return oldDir + "QelC14BA.dll"; }
  std::string NewDll() const { return newDir + "QelC14BA.dll"; }
  Sources OldSources() const { return {oldDir, oldDir, oldDir, oldDir}; }
  // Newer drivers and program; the library copy carries the same version in
  // both builds, so the installed copy is current and stays.
  Sources NewSources() const { return {newDir, newDir, oldDir, oldDir}; }
};

struct Phase {
  const char* name;
  void (*run)(Context&);
};
extern const std::vector<Phase> kPhases;

void ExpectReport(Checks& checks, const CallReport& report, DWORD result, DWORD lastError,
                  const std::vector<DWORD>& tracked, const std::string& call);
// The unsupported platform: every call fails alike and changes nothing.
void ExpectUnsupported(Context& context, const std::string& dll);

void FreshInstall(Context& context);
void InstallAgain(Context& context);
void UninstallShared(Context& context);
void UninstallLast(Context& context);
void Upgrade(Context& context);
void InstallHeld(Context& context);
void AfterRestartCurrent(Context& context);
void RunUninstallString(Context& context);
void AfterRestartRemoved(Context& context);
// NEW_DIR holds the second product's library here.
void InstallMutexHeld(Context& context);
void ContendStudio(Context& context);
void ContendViewer(Context& context);
void AfterContention(Context& context);
