// QELC11BA.EXE: the shared service "OrbanetQelC11BA". It answers version
// requests on its named pipe for as long as it runs.
#include <windows.h>

#include <cstring>

namespace {

const char kServiceName[] = "OrbanetQelC11BA";
const char kPipeName[] = "\\\\.\\pipe\\D2FAF60C-A24E-11d3-B7F1-005004393C73";
const DWORD kMessageSize = 20;
const DWORD kReportVersion = 1;
const DWORD kNoVersion = 16;

SERVICE_STATUS_HANDLE statusHandle = nullptr;
SERVICE_STATUS status;
HANDLE stopEvent = nullptr;

// A test build never takes a stop, as a service hung in its work would.
#ifdef QEL_TEST_NO_STOP
constexpr DWORD kAcceptedWhileRunning = 0;
#else
constexpr DWORD kAcceptedWhileRunning = SERVICE_ACCEPT_STOP;
#endif

void Report(DWORD state) {
  status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status.dwCurrentState = state;
  status.dwControlsAccepted = state == SERVICE_RUNNING ? kAcceptedWhileRunning : 0;
  status.dwWin32ExitCode = NO_ERROR;
  status.dwWaitHint = state == SERVICE_RUNNING || state == SERVICE_STOPPED ? 0 : 3000;
  SetServiceStatus(statusHandle, &status);
}

// The plain handler: NT 4 has no RegisterServiceCtrlHandlerExA.
VOID WINAPI Control(DWORD control) {
  if (control == SERVICE_CONTROL_STOP || control == SERVICE_CONTROL_SHUTDOWN) {
    Report(SERVICE_STOP_PENDING);
    SetEvent(stopEvent);
  } else if (control == SERVICE_CONTROL_INTERROGATE) {
    SetServiceStatus(statusHandle, &status);
  }
}

// Any user may ask for the version: the pipe gets a null access list.
HANDLE CreateInstance() {
  SECURITY_DESCRIPTOR descriptor;
  InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
  SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, &descriptor, FALSE};
  return CreateNamedPipeA(kPipeName, PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                          PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                          PIPE_UNLIMITED_INSTANCES, kMessageSize, kMessageSize, 0, &attributes);
}

// Waits for an overlapped operation unless the service is told to stop first.
bool Finish(HANDLE pipe, OVERLAPPED& overlapped, BOOL started, DWORD* transferred) {
  if (!started && GetLastError() != ERROR_IO_PENDING) return false;
  HANDLE events[2] = {stopEvent, overlapped.hEvent};
  if (WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) {
    CancelIo(pipe);
    return false;
  }
  return GetOverlappedResult(pipe, &overlapped, transferred, FALSE) != FALSE;
}

void Serve(HANDLE pipe, HANDLE ioEvent) {
  DWORD request[kMessageSize / 4] = {};
  DWORD read = 0;
  OVERLAPPED overlapped = {};
  overlapped.hEvent = ioEvent;
  if (!Finish(pipe, overlapped, ReadFile(pipe, request, kMessageSize, &read, &overlapped), &read))
    return;
  DWORD reply[kMessageSize / 4] = {1, kNoVersion, 0, 0, 0};
  if (read == kMessageSize && request[0] == kReportVersion) {
    reply[1] = 0;
    reply[2] = PAYLOAD_MAJOR;
    reply[3] = PAYLOAD_MINOR;
    reply[4] = PAYLOAD_BUILD;
  }
  DWORD written = 0;
  overlapped = OVERLAPPED{};
  overlapped.hEvent = ioEvent;
  if (Finish(pipe, overlapped, WriteFile(pipe, reply, kMessageSize, &written, &overlapped),
             &written))
    FlushFileBuffers(pipe);
}

void WINAPI ServiceMain(DWORD, LPSTR*) {
  statusHandle = RegisterServiceCtrlHandlerA(kServiceName, Control);
  if (statusHandle == nullptr) return;
  Report(SERVICE_START_PENDING);
  stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE ioEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  // The pipe exists before the service reports that it runs.
  HANDLE pipe = CreateInstance();
  Report(SERVICE_RUNNING);

  while (pipe != INVALID_HANDLE_VALUE && WaitForSingleObject(stopEvent, 0) == WAIT_TIMEOUT) {
    OVERLAPPED overlapped = {};
    overlapped.hEvent = ioEvent;
    ResetEvent(ioEvent);
    BOOL connected = ConnectNamedPipe(pipe, &overlapped);
    DWORD unused = 0;
    bool ready = GetLastError() == ERROR_PIPE_CONNECTED ||
                 Finish(pipe, overlapped, connected, &unused);
    if (WaitForSingleObject(stopEvent, 0) == WAIT_OBJECT_0) break;
    // The next instance is there before this client is served, so back-to-back
    // queries never meet a busy pipe.
    HANDLE next = CreateInstance();
    if (ready) Serve(pipe, ioEvent);
    DisconnectNamedPipe(pipe);
    CloseHandle(pipe);
    pipe = next;
  }
  if (pipe != INVALID_HANDLE_VALUE) CloseHandle(pipe);
  CloseHandle(ioEvent);
  Report(SERVICE_STOPPED);
}

}  // namespace

int main() {
  SERVICE_TABLE_ENTRYA table[] = {{const_cast<char*>(kServiceName), ServiceMain}, {nullptr, nullptr}};
  return StartServiceCtrlDispatcherA(table) ? 0 : 1;
}
