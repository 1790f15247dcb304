// The services' own start time: stops each installed service, then starts it
// and polls its state every millisecond until it runs. Only the start is
// timed. Run after an install, which leaves both running.
// Prints per service "start <service> call_ms=<StartServiceA> ms=<running>",
// then "start total ms=<sum>".
#include <windows.h>

#include <cstdio>
#include <initializer_list>

#include "stopwatch.h"

namespace {

DWORD State(SC_HANDLE service) {
  SERVICE_STATUS status{};
  return QueryServiceStatus(service, &status) ? status.dwCurrentState : 0;
}

// Waits up to 30 s for the state, polling every millisecond.
bool WaitFor(SC_HANDLE service, DWORD state) {
  Stopwatch watch;
  while (State(service) != state) {
    if (watch.Ms() > 30000) return false;
    Sleep(1);
  }
  return true;
}

// The start time in ms, or a negative number when the service did not run;
// `callMs` is how long StartServiceA itself took.
double TimeStart(SC_HANDLE manager, const char* name, double& callMs) {
  SC_HANDLE service =
      OpenServiceA(manager, name, SERVICE_START | SERVICE_STOP | SERVICE_QUERY_STATUS);
  if (service == nullptr) return -1;
  SERVICE_STATUS status{};
  if (State(service) != SERVICE_STOPPED) {
    ControlService(service, SERVICE_CONTROL_STOP, &status);
    if (!WaitFor(service, SERVICE_STOPPED)) {
      CloseServiceHandle(service);
      return -2;
    }
  }
  Stopwatch watch;
  bool started = StartServiceA(service, 0, nullptr);
  callMs = watch.Ms();
  started = started && WaitFor(service, SERVICE_RUNNING);
  double ms = watch.Ms();
  CloseServiceHandle(service);
  return started ? ms : -3;
}

}  // namespace

int main() {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (manager == nullptr) return 2;
  double total = 0;
  int failed = 0;
  for (const char* name : {"OrbanetQelC11BA", "QelC15BA"}) {
    double callMs = 0;
    double ms = TimeStart(manager, name, callMs);
    std::printf("start %s call_ms=%.2f ms=%.2f\n", name, callMs, ms);
    if (ms < 0)
      ++failed;
    else
      total += ms;
  }
  std::printf("start total ms=%.2f\n", total);
  CloseServiceHandle(manager);
  return failed == 0 ? 0 : 1;
}
