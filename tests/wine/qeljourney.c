/* The other programs of the journeys (commands: see main's usage line): run
 * starts PROGRAM as Add/Remove Programs does and prints its exit status;
 * hold-mutex and load hold the mutex or module until MARKER is deleted;
 * service-process prints the service's process id; devices, how many of the
 * kernel driver's device names open. */
#include <windows.h>
#include <stdio.h>
#include <string.h>

/* Makes MARKER, the sign that it holds what it was asked to hold, and waits
 * (at most ten minutes) until the test deletes it. */
static int HoldUntilDeleted(const char* marker) {
  int i;
  HANDLE file = CreateFileA(marker, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
  if (file == INVALID_HANDLE_VALUE) return 1;
  CloseHandle(file);
  for (i = 0; i < 6000 && GetFileAttributesA(marker) != INVALID_FILE_ATTRIBUTES; ++i) Sleep(100);
  return 0;
}

/* The program named and the entry's command line handed over unchanged, its
 * path unquoted with spaces. */
static int Run(const char* program, const char* command) {
  char line[1024];
  STARTUPINFOA startup;
  PROCESS_INFORMATION created;
  DWORD status = 0xFFFFFFFF;
  lstrcpynA(line, command, sizeof line);
  memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  if (!CreateProcessA(program, line, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &created)) {
    printf("not started (error %lu)\n", GetLastError());
    return 1;
  }
  if (WaitForSingleObject(created.hProcess, 180000) == WAIT_OBJECT_0)
    GetExitCodeProcess(created.hProcess, &status);
  CloseHandle(created.hThread);
  CloseHandle(created.hProcess);
  printf("%lu\n", status);
  return 0;
}

static int HoldMutex(const char* name, const char* marker) {
  HANDLE mutex = CreateMutexA(NULL, TRUE, name);
  int result;
  if (mutex == NULL || GetLastError() == ERROR_ALREADY_EXISTS) {
    printf("cannot own %s (error %lu)\n", name, GetLastError());
    return 1;
  }
  result = HoldUntilDeleted(marker);
  ReleaseMutex(mutex);
  CloseHandle(mutex);
  return result;
}

/* Loaded, the file is held by its image, not by an open handle. */
static int Load(const char* path, const char* marker) {
  HMODULE module = LoadLibraryA(path);
  int result;
  if (module == NULL) {
    printf("%s not loaded (error %lu)\n", path, GetLastError());
    return 1;
  }
  result = HoldUntilDeleted(marker);
  FreeLibrary(module);
  return result;
}

static int ServiceProcess(const char* name) {
  SERVICE_STATUS_PROCESS status;
  DWORD needed = 0;
  SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
  SC_HANDLE service = manager ? OpenServiceA(manager, name, SERVICE_QUERY_STATUS) : NULL;
  memset(&status, 0, sizeof status);
  if (service) {
    QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, (BYTE*)&status, sizeof status, &needed);
    CloseServiceHandle(service);
  }
  if (manager) CloseServiceHandle(manager);
  printf("%lu\n", status.dwProcessId);
  return 0;
}

static int Devices(void) {
  static const char* const names[] = {"\\\\.\\Global\\QelC15BA", "\\\\.\\QelC15BA"};
  int opened = 0, i;
  for (i = 0; i < 2; ++i) {
    HANDLE device = CreateFileA(names[i], GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (device != INVALID_HANDLE_VALUE && CloseHandle(device)) ++opened;
  }
  printf("%d\n", opened);
  return 0;
}

int main(int argc, char** argv) {
  if (argc == 4 && strcmp(argv[1], "run") == 0) return Run(argv[2], argv[3]);
  if (argc == 4 && strcmp(argv[1], "hold-mutex") == 0) return HoldMutex(argv[2], argv[3]);
  if (argc == 4 && strcmp(argv[1], "load") == 0) return Load(argv[2], argv[3]);
  if (argc == 3 && strcmp(argv[1], "service-process") == 0) return ServiceProcess(argv[2]);
  if (argc == 2 && strcmp(argv[1], "devices") == 0) return Devices();
  fprintf(stderr, "usage: qeljourney run PROGRAM COMMAND_LINE | hold-mutex NAME MARKER | load FILE MARKER | service-process NAME | devices\n");
  return 2;
}
