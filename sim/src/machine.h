// Shared state of the simulated machine; internal to the simulation.
#pragma once

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "sim/sim.h"

namespace sim::detail {

struct Fault {
  std::string function;
  DWORD error;
  unsigned skip;   // calls still to pass before the fault fires
  unsigned times;  // calls it fails once it fires
};

struct Resource {
  std::vector<uint8_t> data;
};

struct ModuleImage {
  std::string name;
  std::string imagePath;
  std::string windowsPath;
  std::map<UINT, std::string> strings;
  std::map<WORD, Resource> binaries;
  void* library = nullptr;  // dlopen handle while loaded
  int references = 0;
  // A module served by the simulation itself: present or not, with exports
  // that can each be taken away.
  bool builtin = false;
  bool present = true;
  std::map<std::string, FARPROC> exports;
  std::set<std::string> hidden;  // exports taken away by the test
  bool system = false;           // loaded with every process, never unloaded
};

struct Machine {
  uint64_t clock = 0;
  std::vector<Call> log;
  std::vector<Fault> faults;
  OSVERSIONINFOA version{};
  bool wow64 = false;  // what IsWow64Process answers where kernel32 has it
  std::string hostPath = "C:\\Setup\\setup.exe";
  std::list<ModuleImage> modules;  // stable addresses: a module handle points at one
};

Machine& TheMachine();

// Logs the call and reports whether an armed fault makes it fail; a failing
// call has its last error set already.
bool Enter(const char* function, const std::string& detail = std::string());

// Any function as an export address, through the generic function type.
template <typename F>
FARPROC AsExport(F* function) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

bool EqualNoCase(const std::string& a, const std::string& b);
ModuleImage* FindModule(const std::string& nameOrPath);
ModuleImage* ModuleFromHandle(HMODULE module);
void UnloadAll();
void AddBuiltinModule(const std::string& name, const std::map<std::string, FARPROC>& exports);
// kernel32's exports that the library may only look up.
std::map<std::string, FARPROC> Kernel32Exports();
void ClearMutexes();
void ClearHandles();

// Each area of the machine registers how it returns to a fresh boot; Reset
// runs them all. Use as a namespace-scope object: `ResetHook hook{&Clear};`.
struct ResetHook {
  explicit ResetHook(void (*clear)());
};
void RunResetHooks();

// Each area registers what a restart of Windows does to it (pending file
// operations carried out, services started); sim::SimulateRestart runs them.
// Their order is not fixed, so no hook may depend on another having run.
struct RestartHook {
  explicit RestartHook(void (*restart)());
};
void RunRestartHooks();

// The process's current folder, as sim::SetCurrentDirectory set it.
const std::string& CurrentFolder();

// Opens "\\.\NAME" paths (devices); CreateFileA hands them over.
HANDLE OpenDevice(const std::string& path, DWORD access, DWORD share, DWORD disposition,
                  DWORD flags);

}  // namespace sim::detail
