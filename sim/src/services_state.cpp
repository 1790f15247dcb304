// Starting, stopping and watching services: their states move as the
// scripted program behind each one answers the SCM.
#include "services.h"

using namespace sim::detail;

namespace {

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

// Puts a stopped service on its way to running.
void Launch(ServiceRecord& s) {
  ++s.starts;
  int polls = s.behaviour.startPolls;
  if (polls == 0) {
    SetState(s, SERVICE_RUNNING);
    return;
  }
  s.pollsLeft = polls;
  SetState(s, SERVICE_START_PENDING);
}

// Starts what the service depends on; the error that keeps it from starting, or 0.
DWORD StartDependencies(const ServiceRecord& s) {
  for (const std::string& name : s.config.dependencies) {
    if (!name.empty() && name[0] == '+') continue;  // load-order groups are not simulated
    ServiceRecord* d = FindService(name);
    if (d == nullptr || d->markedForDeletion) return ERROR_SERVICE_DEPENDENCY_DELETED;
    if (d->state == SERVICE_RUNNING) continue;
    if (d->state != SERVICE_STOPPED || d->config.startType == SERVICE_DISABLED ||
        d->behaviour.startError != 0 || d->behaviour.startPolls < 0)
      return ERROR_SERVICE_DEPENDENCY_FAIL;
    ++d->starts;
    SetState(*d, SERVICE_RUNNING);
  }
  return 0;
}

// Why the service's program or driver file cannot be found, as CreateProcess
// says it: 2 for a missing file, 3 for a missing folder; 0 when it is there.
// Paths that are not drive paths (\SystemRoot\...) are not followed.
DWORD ProgramMissing(const ServiceRecord& s) {
  std::string path = s.config.binaryPath;
  if (!path.empty() && path[0] == '"') {
    size_t end = path.find('"', 1);
    path = path.substr(1, end == std::string::npos ? std::string::npos : end - 1);
  }
  if (path.size() <= 2 || path[1] != ':' || sim::FileExists(path) ||
      sim::FileExists(path.substr(0, path.find(' '))))
    return 0;
  std::string folder = path.substr(0, path.find_last_of('\\'));
  return sim::PathAttributes(folder) == INVALID_FILE_ATTRIBUTES ? ERROR_PATH_NOT_FOUND
                                                                : ERROR_FILE_NOT_FOUND;
}

// One status query: a pending state settles after its scripted number of polls.
void Poll(ServiceRecord& s) {
  if (s.state != SERVICE_START_PENDING && s.state != SERVICE_STOP_PENDING) return;
  if (s.pollsLeft < 0) return;
  if (s.pollsLeft > 0) {
    --s.pollsLeft;
    return;
  }
  SetState(s, s.state == SERVICE_START_PENDING ? SERVICE_RUNNING : SERVICE_STOPPED);
}

}  // namespace

extern "C" {

BOOL WINAPI StartServiceA(SC_HANDLE service, DWORD, LPCSTR*) {
  if (Enter("StartServiceA", NameOf(service))) return FALSE;
  ServiceRecord* s = ServiceFor(service, SERVICE_START);
  if (s == nullptr) return FALSE;
  // Wine answers in this order; Windows documents no order, and the library
  // does not depend on one.
  if (s->config.startType == SERVICE_DISABLED) return Fail(ERROR_SERVICE_DISABLED);
  if (s->state != SERVICE_STOPPED) return Fail(ERROR_SERVICE_ALREADY_RUNNING);
  if (s->markedForDeletion) return Fail(ERROR_SERVICE_MARKED_FOR_DELETE);
  if (DWORD error = StartDependencies(*s)) return Fail(error);
  if (DWORD error = ProgramMissing(*s)) return Fail(error);
  if (s->behaviour.startError != 0) return Fail(s->behaviour.startError);
  if (!s->behaviour.connects) {
    TheMachine().clock += 30000;
    return Fail(ERROR_SERVICE_REQUEST_TIMEOUT);
  }
  Launch(*s);
  return TRUE;
}

BOOL WINAPI QueryServiceStatus(SC_HANDLE service, LPSERVICE_STATUS status) {
  if (Enter("QueryServiceStatus", NameOf(service))) return FALSE;
  ServiceRecord* s = ServiceFor(service, SERVICE_QUERY_STATUS);
  if (s == nullptr) return FALSE;
  if (status == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  Poll(*s);
  FillStatus(*s, status);
  return TRUE;
}

BOOL WINAPI ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status) {
  if (Enter("ControlService", NameOf(service) + " " + std::to_string(control))) return FALSE;
  DWORD right = control == SERVICE_CONTROL_STOP          ? SERVICE_STOP
                : control == SERVICE_CONTROL_INTERROGATE ? SERVICE_INTERROGATE
                                                         : SERVICE_PAUSE_CONTINUE;
  ServiceRecord* s = ServiceFor(service, right);
  if (s == nullptr) return FALSE;
  if (status == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  FillStatus(*s, status);
  if (s->state == SERVICE_STOPPED) return Fail(ERROR_SERVICE_NOT_ACTIVE);
  if (s->state != SERVICE_RUNNING) return Fail(ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
  if (control == SERVICE_CONTROL_INTERROGATE) return TRUE;
  if (control != SERVICE_CONTROL_STOP || s->behaviour.stop == sim::StopResponse::Refuses)
    return Fail(ERROR_INVALID_SERVICE_CONTROL);
  if (s->behaviour.stop == sim::StopResponse::Hangs) {
    TheMachine().clock += 30000;  // the SCM's wait for the handler
    return Fail(ERROR_SERVICE_REQUEST_TIMEOUT);
  }
  if (s->behaviour.stop == sim::StopResponse::Ignores) {
    s->pollsLeft = -1;
    SetState(*s, SERVICE_STOP_PENDING);
  } else if (s->behaviour.stopPolls == 0) {
    SetState(*s, SERVICE_STOPPED);
  } else {
    s->pollsLeft = s->behaviour.stopPolls;
    SetState(*s, SERVICE_STOP_PENDING);
  }
  FillStatus(*s, status);
  return TRUE;
}

}  // extern "C"
