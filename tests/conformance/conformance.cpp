// Windows behaviour the library's decisions rest on, one fact per check. The
// same source runs natively against the simulation and as a Windows program
// under Wine, so the simulation cannot drift from what Windows does unseen.
// A fact Wine gets wrong is marked WINDOWS_ONLY with the reason and is then
// checked natively only.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/win_api.h"
#ifndef _WIN32
#include "sim/sim.h"
#endif

namespace {

int checked = 0;
int failed = 0;
bool underWine = false;
const char* group = "";

void Fact(int line, bool holds, const char* what, DWORD error) {
  ++checked;
  if (holds) return;
  ++failed;
  std::printf("FAILED %s (line %d): %s; last result %lu\n", group, line, what,
              static_cast<unsigned long>(error));
}
#define FACT(holds, what, error) Fact(__LINE__, (holds), (what), (error))
// Where Wine differs from Windows; the reason stands beside each use.
#define WINDOWS_ONLY if (!underWine)

const char kFolder[] = "C:\\qelconf";

std::string In(const char* name) { return std::string(kFolder) + "\\" + name; }

void MakeFile(const std::string& path, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  CrtFile* file = CrtOpen(path.c_str(), "wb");
  if (file != nullptr) {
    CrtWrite("data", 1, 4, file);
    CrtClose(file);
  }
  SetFileAttributesA(path.c_str(), attributes);
}

// A move or deletion left for the restart goes to PendingFileRenameOperations
// as "\??\" paths, a replacing move with "!" before its destination, a
// deletion with an empty one. The value is put back as it was.
void RestartTimeMoves(const std::string& from, const std::string& to) {
  const char* session = "System\\CurrentControlSet\\Control\\Session Manager";
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, session, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    FACT(false, "the Session Manager key opens", 0);
    return;
  }
  std::string before(1 << 16, '\0');
  DWORD size = static_cast<DWORD>(before.size()), type = 0;
  bool had = RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, &type,
                              reinterpret_cast<BYTE*>(&before[0]), &size) == ERROR_SUCCESS;
  before.resize(had ? size : 0);
  RegDeleteValueA(key, "PendingFileRenameOperations");

  FACT(MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT),
       "MoveFileExA delayed, replacing", GetLastError());
  FACT(MoveFileExA(to.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT), "MoveFileExA delayed deletion",
       GetLastError());
  std::string expected = "\\??\\" + from + '\0' + "!\\??\\" + to + '\0' + "\\??\\" + to +
                         '\0' + '\0' + '\0';
  std::string value(1024, '\0');
  size = static_cast<DWORD>(value.size());
  LONG result = RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, &type,
                                 reinterpret_cast<BYTE*>(&value[0]), &size);
  value.resize(result == ERROR_SUCCESS ? size : 0);
  FACT(type == REG_MULTI_SZ && value == expected,
       "the pending value: source, !destination, deletion with an empty one", size);

  if (had)
    RegSetValueExA(key, "PendingFileRenameOperations", 0, type,
                   reinterpret_cast<const BYTE*>(before.data()), static_cast<DWORD>(before.size()));
  else
    RegDeleteValueA(key, "PendingFileRenameOperations");
  RegCloseKey(key);
}

void Files() {
  group = "files";
  CreateDirectoryA(kFolder, nullptr);
  const std::string a = In("a.dll"), b = In("b.dll");
  MakeFile(a);

  MakeFile(b, FILE_ATTRIBUTE_READONLY);
  SetLastError(0xdeadbeef);
  FACT(!DeleteFileA(b.c_str()) && GetLastError() == ERROR_ACCESS_DENIED,
       "DeleteFileA on a read-only file: 5", GetLastError());
  // Wine, run as root here, writes over read-only and hidden files: their
  // attributes map to Unix permissions, which root passes.
  WINDOWS_ONLY {
    SetLastError(0xdeadbeef);
    FACT(!CopyFileA(a.c_str(), b.c_str(), FALSE) && GetLastError() == ERROR_ACCESS_DENIED,
         "CopyFileA onto a read-only file: 5", GetLastError());
    MakeFile(b, FILE_ATTRIBUTE_HIDDEN);
    SetLastError(0xdeadbeef);
    FACT(!CopyFileA(a.c_str(), b.c_str(), FALSE) && GetLastError() == ERROR_ACCESS_DENIED,
         "CopyFileA onto a hidden file: 5", GetLastError());
  }
  SetFileAttributesA(b.c_str(), FILE_ATTRIBUTE_NORMAL);
  FACT(CopyFileA(a.c_str(), b.c_str(), FALSE), "CopyFileA onto a normal file works", GetLastError());

  // A handle open without sharing refuses every other open, even a reader's,
  // and the file's deletion.
  HANDLE held = CreateFileA(a.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  SetLastError(0xdeadbeef);
  HANDLE second = CreateFileA(a.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  FACT(second == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION,
       "opening a file held with share mode 0: 32", GetLastError());
  SetLastError(0xdeadbeef);
  FACT(!DeleteFileA(a.c_str()) && GetLastError() == ERROR_SHARING_VIOLATION,
       "deleting a file held with share mode 0: 32", GetLastError());
  SetLastError(0xdeadbeef);
  FACT(!CopyFileA(b.c_str(), a.c_str(), FALSE) && GetLastError() == ERROR_SHARING_VIOLATION,
       "copying onto a file held with share mode 0: 32", GetLastError());
  CloseHandle(held);
  // A reader that lets others read keeps writers out.
  held = CreateFileA(a.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  second = CreateFileA(a.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  FACT(second != INVALID_HANDLE_VALUE, "two readers that share reading", GetLastError());
  CloseHandle(second);
  SetLastError(0xdeadbeef);
  FACT(!CopyFileA(b.c_str(), a.c_str(), FALSE) && GetLastError() == ERROR_SHARING_VIOLATION,
       "copying onto a file another reader shares only for reading: 32", GetLastError());
  CloseHandle(held);

  SetLastError(0xdeadbeef);
  FACT(!DeleteFileA(In("none.dll").c_str()) && GetLastError() == ERROR_FILE_NOT_FOUND,
       "deleting a missing file: 2", GetLastError());
  SetLastError(0xdeadbeef);
  FACT(!DeleteFileA(In("none\\x.dll").c_str()) && GetLastError() == ERROR_PATH_NOT_FOUND,
       "deleting in a missing folder: 3", GetLastError());
  SetLastError(0xdeadbeef);
  FACT(GetFileAttributesA(In("none.dll").c_str()) == INVALID_FILE_ATTRIBUTES &&
           GetLastError() == ERROR_FILE_NOT_FOUND,
       "attributes of a missing file: INVALID_FILE_ATTRIBUTES, 2", GetLastError());

  // The staged copy of a replacement: a new empty file named after the
  // prefix, in the folder asked for.
  char staged[MAX_PATH] = {};
  UINT unique = GetTempFileNameA(kFolder, "C14", 0, staged);
  const char* name = std::strrchr(staged, '\\');
  FACT(unique != 0 && name != nullptr && std::strncmp(name + 1, "C14", 3) == 0 &&
           GetFileAttributesA(staged) != INVALID_FILE_ATTRIBUTES,
       "GetTempFileNameA makes a file named after its prefix", unique);
  char again[MAX_PATH] = {};
  FACT(GetTempFileNameA(kFolder, "C14", 0, again) != 0 && std::strcmp(again, staged) != 0,
       "GetTempFileNameA never hands out a name twice", GetLastError());
  RestartTimeMoves(a, b);
  for (const std::string& path : {a, b, std::string(staged), std::string(again)}) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
  }
  FACT(RemoveDirectoryA(kFolder), "an emptied folder can be removed", GetLastError());
}

void Registry() {
  group = "registry";
  const char* key = "SOFTWARE\\QelConformance";
  HKEY root = nullptr, child = nullptr;
  RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root, nullptr);
  RegCreateKeyExA(root, "child", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr);
  RegCloseKey(child);

  // Registry functions return their error and leave the thread's alone.
  SetLastError(0xdeadbeef);
  LONG result = RegDeleteKeyA(HKEY_LOCAL_MACHINE, key);
  FACT(result == ERROR_ACCESS_DENIED && GetLastError() == 0xdeadbeef,
       "RegDeleteKeyA of a key with subkeys on NT: 5, last error untouched", result);
  HKEY probe = nullptr;
  FACT(RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &probe) == ERROR_SUCCESS,
       "the refused key is still there", 0);
  RegCloseKey(probe);

  char name[64];
  DWORD size = sizeof name;
  result = RegEnumKeyExA(root, 1, name, &size, nullptr, nullptr, nullptr, nullptr);
  FACT(result == ERROR_NO_MORE_ITEMS, "listing past the last subkey: 259", result);
  SetLastError(0xdeadbeef);
  result = RegOpenKeyExA(root, "missing", 0, KEY_READ, &probe);
  FACT(result == ERROR_FILE_NOT_FOUND && GetLastError() == 0xdeadbeef,
       "opening a missing key: 2, last error untouched", result);

  // A multi-string's size counts every NUL, the final one too.
  const char multi[] = "\\??\\C:\\a\0!\\??\\C:\\b\0";
  RegSetValueExA(root, "multi", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi), sizeof multi);
  DWORD type = 0;
  size = 0;
  result = RegQueryValueExA(root, "multi", nullptr, &type, nullptr, &size);
  FACT(result == ERROR_SUCCESS && type == REG_MULTI_SZ && size == sizeof multi,
       "REG_MULTI_SZ size with every NUL", size);
  char small[4];
  size = sizeof small;
  result = RegQueryValueExA(root, "multi", nullptr, &type, reinterpret_cast<BYTE*>(small), &size);
  FACT(result == ERROR_MORE_DATA && size == sizeof multi, "a short buffer: 234 and the size", result);
  result = RegQueryValueExA(root, "none", nullptr, &type, nullptr, &size);
  FACT(result == ERROR_FILE_NOT_FOUND, "a missing value: 2", result);

  RegDeleteKeyA(root, "child");
  RegCloseKey(root);
  FACT(RegDeleteKeyA(HKEY_LOCAL_MACHINE, key) == ERROR_SUCCESS, "an emptied key can be deleted", 0);
}

void Services() {
  group = "services";
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  FACT(manager != nullptr, "the service manager opens", GetLastError());
  if (manager == nullptr) return;
  const char* name = "QelConformance";
  SetLastError(0xdeadbeef);
  FACT(OpenServiceA(manager, name, SERVICE_ALL_ACCESS) == nullptr &&
           GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST,
       "opening a missing service: 1060", GetLastError());
  SC_HANDLE service = CreateServiceA(manager, name, name, SERVICE_ALL_ACCESS,
                                     SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                     SERVICE_ERROR_NORMAL, "C:\\qelconf-missing\\none.exe",
                                     nullptr, nullptr, nullptr, nullptr, nullptr);
  FACT(service != nullptr, "a service is created", GetLastError());
  if (service == nullptr) return;
  SetLastError(0xdeadbeef);
  FACT(CreateServiceA(manager, name, name, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                      SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, "C:\\none.exe", nullptr,
                      nullptr, nullptr, nullptr, nullptr) == nullptr &&
           GetLastError() == ERROR_SERVICE_EXISTS,
       "creating it again: 1073", GetLastError());
  SERVICE_STATUS status;
  SetLastError(0xdeadbeef);
  FACT(!ControlService(service, SERVICE_CONTROL_STOP, &status) &&
           GetLastError() == ERROR_SERVICE_NOT_ACTIVE,
       "stopping a stopped service: 1062", GetLastError());
  SetLastError(0xdeadbeef);
  BOOL started = StartServiceA(service, 0, nullptr);
  WINDOWS_ONLY {  // Wine starts the process later and answers 1053.
    FACT(!started && GetLastError() == ERROR_FILE_NOT_FOUND,
         "starting a service whose program is missing: 2", GetLastError());
  }
  FACT(!started, "a service whose program is missing does not start", GetLastError());
  ChangeServiceConfigA(service, SERVICE_NO_CHANGE, SERVICE_DISABLED, SERVICE_NO_CHANGE, nullptr,
                       nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  SetLastError(0xdeadbeef);
  FACT(!StartServiceA(service, 0, nullptr) && GetLastError() == ERROR_SERVICE_DISABLED,
       "starting a disabled service: 1058", GetLastError());

  // Deleted while a handle is open: marked, and gone once the last handle closes.
  SC_HANDLE other = OpenServiceA(manager, name, SERVICE_QUERY_STATUS);
  FACT(DeleteService(service), "DeleteService", GetLastError());
  SetLastError(0xdeadbeef);
  FACT(!DeleteService(service) && GetLastError() == ERROR_SERVICE_MARKED_FOR_DELETE,
       "deleting it again: 1072", GetLastError());
  CloseServiceHandle(service);
  CloseServiceHandle(other);
  SetLastError(0xdeadbeef);
  FACT(OpenServiceA(manager, name, SERVICE_ALL_ACCESS) == nullptr &&
           GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST,
       "after the last handle closes it is gone: 1060", GetLastError());
  CloseServiceHandle(manager);
}

void Pipes() {
  group = "pipes";
  char request[20] = {1}, reply[20];
  DWORD read = 0;
  SetLastError(0xdeadbeef);
  BOOL answered = CallNamedPipeA("\\\\.\\pipe\\QelConformance-none", request, sizeof request, reply,
                                 sizeof reply, &read, 100);
  FACT(!answered && GetLastError() == ERROR_FILE_NOT_FOUND, "calling a missing pipe: 2",
       GetLastError());
}

}  // namespace

int main() {
#ifdef _WIN32
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  underWine = ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
  sim::Reset();
  sim::SetPlatform(sim::Platform::WinXP);
#endif
  Files();
  Registry();
  Services();
  Pipes();
  std::printf("%d facts checked%s, %d failed\n", checked, underWine ? " under Wine" : "", failed);
  return failed == 0 ? 0 : 1;
}
