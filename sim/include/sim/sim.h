// Test-side control of the simulated Windows machine: what it runs, what it
// holds, which calls fail, and what was called.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/control_files.h"
#include "sim/control_registry.h"
#include "sim/control_services.h"
#include "sim/windows.h"

namespace sim {

// Brings the whole machine back to a fresh boot: no modules loaded, no
// faults armed, an empty call log, the clock at zero, Windows XP.
void Reset();

// Restarts Windows: every process ends (modules unloaded, handles and
// mutexes gone) and each area does what a boot does to it.
void SimulateRestart();

// ---- Virtual clock --------------------------------------------------------
uint64_t Now();  // milliseconds since Reset
void AdvanceClock(uint64_t milliseconds);

// ---- Call log -------------------------------------------------------------
struct Call {
  std::string function;
  std::string detail;  // the argument that identifies the call, when there is one
  uint64_t time;
};
const std::vector<Call>& CallLog();
// Forgets what was logged so far; long runs over many inputs call it.
void ClearCallLog();
size_t CallCount(const std::string& function);
// Index of the first logged call of the function at or after `from`, or -1.
long FindCall(const std::string& function, size_t from = 0);

// ---- Fault injection ------------------------------------------------------
// The nth call of `function` from now (1 = the next one) fails with `error`,
// and so do the `times - 1` calls after it.
void FailCall(const std::string& function, DWORD error, unsigned nth = 1, unsigned times = 1);
void ClearFaults();

// ---- Platform -------------------------------------------------------------
enum class Platform { Win95, Win98, WinMe, NT4, Win2000, WinXP, Win32s, Unknown };
void SetPlatform(Platform platform);
void SetVersion(DWORD platformId, DWORD major, DWORD minor, DWORD build);
// kernel32's IsWow64Process: missing, answering FALSE, or answering TRUE (a
// 32-bit process on 64-bit Windows). SetPlatform sets it for its Windows: No
// on XP, Absent on the others.
enum class Wow64 { Absent, No, Yes };
void SetWow64(Wow64 wow64);

// ---- Folders --------------------------------------------------------------
// What GetWindowsDirectoryA and GetSystemDirectoryA report (default
// "C:\WINDOWS" and "C:\WINDOWS\system32").
void SetWindowsFolders(const std::string& windows, const std::string& system);
// The process's current directory, and whether the C runtime's query of it fails.
void SetCurrentDirectory(const std::string& current, bool queryFails = false);

// ---- Modules --------------------------------------------------------------
// A library image built for this machine (a shared object with the module's
// exports), found by LoadLibraryA under `name` and reported by
// GetModuleFileNameA as `windowsPath`.
void RegisterImage(const std::string& name, const std::string& imagePath,
                   const std::string& windowsPath);
// The path GetModuleFileNameA(NULL, ...) reports for the host process.
void SetHostPath(const std::string& windowsPath);
// Delivers a thread attach or detach notification to every loaded image.
void NotifyThread(bool attach);

// Resources of a module, by the module's name; they outlive loads.
void SetStringResource(const std::string& module, UINT id, const std::string& text);
void SetBinaryResource(const std::string& module, WORD id, const std::vector<uint8_t>& data);

// ---- Other processes ------------------------------------------------------
// Another process owns the named mutex from now on. It releases it after
// `releaseAfter` virtual milliseconds (never when 0), or abandons it then
// when `abandon` is set.
void HoldMutexElsewhere(const std::string& name, uint64_t releaseAfter = 0, bool abandon = false);
// Who owns a named mutex: 0 nobody, 1 this process, 2 another; -1 when no
// handle to it is left, so it no longer exists.
int MutexOwner(const std::string& name);
// Whether a process created the named mutex with a null access list (last creation).
bool MutexCreatedWithNullDacl(const std::string& name);
// Number of handles of this process that are still open.
size_t OpenHandleCount();

}  // namespace sim
