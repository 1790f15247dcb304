// What single Windows calls cost under this Wine, for the kinds that a
// repeated install makes most often: a connection to the service control
// manager, a service open, a configuration query, a version-resource read,
// a pipe exchange with the running service, a device open, a registry read,
// a file-attribute query and a load of the library. Run after an install,
// with the services running. Multiplied by the counts of journey_counts they
// estimate what the calls that an install must make cost by themselves.
// Prints: "cost <name> ms=<median per call>".
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "stopwatch.h"

namespace {

void Report(const char* name, int times, const std::function<void()>& call) {
  call();  // the first may load a library or open a cache
  std::vector<double> each;
  for (int i = 0; i < times; ++i) {
    Stopwatch watch;
    call();
    each.push_back(watch.Ms());
  }
  std::sort(each.begin(), each.end());
  std::printf("cost %s ms=%.3f\n", name, each[each.size() / 2]);
}

std::string SystemFolder() {
  char path[MAX_PATH] = {};
  GetSystemDirectoryA(path, MAX_PATH);
  return std::string(path) + "\\";
}

}  // namespace

int main() {
  const std::string service = SystemFolder() + "drivers\\QELC11BA.EXE";
  const char* const pipe = "\\\\.\\pipe\\D2FAF60C-A24E-11d3-B7F1-005004393C73";

  Report("scm_connect", 20, [] {
    SC_HANDLE m = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (m) CloseServiceHandle(m);
  });
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  Report("service_open", 20, [manager] {
    SC_HANDLE s = OpenServiceA(manager, "OrbanetQelC11BA", SERVICE_QUERY_STATUS);
    if (s) CloseServiceHandle(s);
  });
  SC_HANDLE handle =
      OpenServiceA(manager, "OrbanetQelC11BA", SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG);
  Report("service_status", 20, [handle] {
    SERVICE_STATUS status{};
    QueryServiceStatus(handle, &status);
  });
  Report("service_config", 20, [handle] {
    DWORD needed = 1;
    QueryServiceConfigA(handle, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed);
    QueryServiceConfigA(handle, reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data()), needed,
                        &needed);
  });
  if (handle) CloseServiceHandle(handle);
  if (manager) CloseServiceHandle(manager);

  Report("version_info", 20, [&service] {
    DWORD unused = 0;
    DWORD size = GetFileVersionInfoSizeA(service.c_str(), &unused);
    std::vector<BYTE> buffer(size ? size : 1);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (size && GetFileVersionInfoA(service.c_str(), 0, size, buffer.data()))
      VerQueryValueA(buffer.data(), "\\", reinterpret_cast<LPVOID*>(&fixed), &length);
  });
  Report("pipe_version", 20, [pipe] {
    BYTE request[20] = {1}, reply[20] = {};
    DWORD got = 0;
    CallNamedPipeA(pipe, request, sizeof request, reply, sizeof reply, &got, 2000);
  });
  Report("device_open", 20, [] {
    HANDLE h = CreateFileA("\\\\.\\Global\\QelC15BA", 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  });
  Report("registry_read", 20, [] {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager",
                      0, KEY_READ, &key) == ERROR_SUCCESS) {
      BYTE data[512];
      DWORD size = sizeof data, type = 0;
      RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, &type, data, &size);
      RegCloseKey(key);
    }
  });
  Report("file_attributes", 20, [&service] { GetFileAttributesA(service.c_str()); });
  Report("library_load", 5, [] {
    HMODULE dll = LoadLibraryA("QelC14BA.dll");
    if (dll) FreeLibrary(dll);
  });
  return 0;
}
