#include "machine.h"

#include <algorithm>
#include <cctype>

namespace sim::detail {

namespace {
thread_local DWORD lastError = 0;
}

Machine& TheMachine() {
  static Machine machine;
  return machine;
}

bool Enter(const char* function, const std::string& detail) {
  Machine& m = TheMachine();
  m.log.push_back(Call{function, detail, m.clock});
  for (auto it = m.faults.begin(); it != m.faults.end(); ++it) {
    if (it->function != function) continue;
    if (it->skip > 0) {
      --it->skip;
      continue;
    }
    DWORD error = it->error;
    if (--it->times == 0) m.faults.erase(it);
    lastError = error;
    return true;
  }
  return false;
}

namespace {
std::vector<void (*)()>& Hooks() {
  static std::vector<void (*)()> hooks;
  return hooks;
}
}  // namespace

ResetHook::ResetHook(void (*clear)()) { Hooks().push_back(clear); }

void RunResetHooks() {
  for (auto clear : Hooks()) clear();
}

namespace {
std::vector<void (*)()>& RestartHooks() {
  static std::vector<void (*)()> hooks;
  return hooks;
}
}  // namespace

RestartHook::RestartHook(void (*restart)()) { RestartHooks().push_back(restart); }

void RunRestartHooks() {
  for (auto restart : RestartHooks()) restart();
}

bool EqualNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace sim::detail

namespace sim {

using detail::TheMachine;

void Reset() {
  detail::UnloadAll();
  detail::Machine& m = TheMachine();
  m.clock = 0;
  m.log.clear();
  m.faults.clear();
  m.hostPath = "C:\\Setup\\setup.exe";
  m.modules.clear();
  detail::ClearHandles();
  detail::ClearMutexes();
  detail::RunResetHooks();
  SetPlatform(Platform::WinXP);
  SetLastError(0);
}

void SimulateRestart() {
  detail::UnloadAll();
  detail::ClearHandles();
  detail::ClearMutexes();
  detail::RunRestartHooks();
}

uint64_t Now() { return TheMachine().clock; }
void AdvanceClock(uint64_t milliseconds) { TheMachine().clock += milliseconds; }

const std::vector<Call>& CallLog() { return TheMachine().log; }

void ClearCallLog() { TheMachine().log.clear(); }

size_t CallCount(const std::string& function) {
  const auto& log = TheMachine().log;
  return static_cast<size_t>(std::count_if(
      log.begin(), log.end(), [&](const Call& c) { return c.function == function; }));
}

long FindCall(const std::string& function, size_t from) {
  const auto& log = TheMachine().log;
  for (size_t i = from; i < log.size(); ++i)
    if (log[i].function == function) return static_cast<long>(i);
  return -1;
}

void FailCall(const std::string& function, DWORD error, unsigned nth, unsigned times) {
  if (nth == 0 || times == 0) return;
  TheMachine().faults.push_back(detail::Fault{function, error, nth - 1, times});
}

void ClearFaults() { TheMachine().faults.clear(); }

}  // namespace sim

extern "C" {

DWORD WINAPI GetLastError(void) { return sim::detail::lastError; }
void WINAPI SetLastError(DWORD error) { sim::detail::lastError = error; }

void WINAPI Sleep(DWORD milliseconds) {
  sim::detail::Enter("Sleep", std::to_string(milliseconds));
  sim::detail::TheMachine().clock += milliseconds;
}

DWORD WINAPI GetTickCount(void) { return static_cast<DWORD>(sim::detail::TheMachine().clock); }

DWORD WINAPI CharLowerBuffA(LPSTR text, DWORD length) {
  if (text == nullptr) return 0;
  for (DWORD i = 0; i < length; ++i)
    if (text[i] >= 'A' && text[i] <= 'Z') text[i] = static_cast<char>(text[i] - 'A' + 'a');
  return length;
}

LPSTR WINAPI CharNextA(LPCSTR text) {
  // The simulated code page has single-byte characters only.
  return const_cast<LPSTR>(*text != '\0' ? text + 1 : text);
}

}  // extern "C"
