#include "traced_functions.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "call_trace.h"

namespace {

// Each has a thunk below: Traced_ and its name.
#define TRACED_FUNCTIONS(X)                                                                      \
  X(CreateFileA) X(CloseHandle) X(CopyFileA) X(DeleteFileA) X(MoveFileExA) X(GetTempFileNameA)   \
  X(GetFileAttributesA) X(SetFileAttributesA) X(CreateDirectoryA) X(RemoveDirectoryA)            \
  X(CreateMutexA) X(WaitForSingleObject) X(ReleaseMutex) X(Sleep) X(DeviceIoControl)             \
  X(CallNamedPipeA) X(LoadLibraryA) X(FreeLibrary) X(GetProcAddress) X(GetFileVersionInfoSizeA)  \
  X(RegOpenKeyExA) X(RegCreateKeyExA) X(RegCloseKey) X(RegQueryValueExA) X(RegSetValueExA)       \
  X(RegDeleteValueA) X(RegDeleteKeyA) X(RegEnumKeyExA) X(OpenSCManagerA) X(OpenServiceA)         \
  X(CreateServiceA) X(ChangeServiceConfigA) X(QueryServiceConfigA) X(QueryServiceStatus)         \
  X(ControlService) X(StartServiceA) X(DeleteService) X(CloseServiceHandle) X(fopen) X(fclose)   \
  X(fwrite) X(vfprintf) X(ReadFile) X(SetFilePointer) X(GetFileVersionInfoA) X(VerQueryValueA)     \
  X(FindResourceA) X(LoadResource) X(SizeofResource)

#define INDEX(fn) k_##fn,
enum Index { TRACED_FUNCTIONS(INDEX) kCount };
#undef INDEX

// What each import held before it pointed at its thunk.
void* g_real[kCount];

#define REAL(fn) reinterpret_cast<decltype(&::fn)>(g_real[k_##fn])

// A resource or procedure named by number rather than by text.
std::string NameOrNumber(const char* name) {
  if (reinterpret_cast<uintptr_t>(name) >> 16 == 0)
    return "#" + std::to_string(reinterpret_cast<uintptr_t>(name));
  return name;
}

std::string Join(HKEY parent, const char* subkey) {
  std::string path = NameOf(parent);
  if (path.empty()) path = "?";
  if (subkey != nullptr && *subkey != '\0') path += std::string("\\") + subkey;
  return path;
}

bool Valid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }

template <typename T>
uint64_t Bits(T value) {
  return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(value));
}

BOOL Ended(TracedCall& c, BOOL result) {
  c.Done(result, result == FALSE);
  return result;
}

LONG Status(TracedCall& c, LONG result) {
  c.Done(static_cast<DWORD>(result), result != ERROR_SUCCESS, TracedCall::kStatus);
  return result;
}

// --- files -----------------------------------------------------------------

HANDLE WINAPI Traced_CreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                 DWORD disposition, DWORD flags, HANDLE model) {
  TracedCall c("CreateFileA");
  c.Args("path:s access:x share:x disposition:n", path, access, share, disposition);
  HANDLE h = c.Fails() ? c.FailWith(INVALID_HANDLE_VALUE)
                       : c.Run(REAL(CreateFileA), path, access, share, security, disposition, flags, model);
  if (Valid(h)) c.Opened(Held::kHandle, h, path);
  c.Done(Bits(h), !Valid(h), TracedCall::kHex);
  return h;
}

BOOL WINAPI Traced_CloseHandle(HANDLE h) {
  TracedCall c("CloseHandle");
  c.Args("handle:o", h);
  BOOL ok = c.Fails() ? c.FailWith(FALSE) : c.Run(REAL(CloseHandle), h);
  if (ok) c.Closed(Held::kHandle, h);
  return Ended(c, ok);
}

BOOL WINAPI Traced_CopyFileA(LPCSTR from, LPCSTR to, BOOL failIfExists) {
  TracedCall c("CopyFileA");
  c.Args("from:s to:s failIfExists:n", from, to, failIfExists);
  return Ended(c, c.Fails() ? c.FailWith(FALSE) : c.Run(REAL(CopyFileA), from, to, failIfExists));
}

BOOL WINAPI Traced_DeleteFileA(LPCSTR path) {
  TracedCall c("DeleteFileA");
  c.Args("path:s", path);
  return Ended(c, c.Fails() ? c.FailWith(FALSE) : c.Run(REAL(DeleteFileA), path));
}

BOOL WINAPI Traced_MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags) {
  TracedCall c("MoveFileExA");
  c.Args("from:s to:s flags:x", from, to, flags);
  return Ended(c, c.Fails() ? c.FailWith(FALSE) : c.Run(REAL(MoveFileExA), from, to, flags));
}

UINT WINAPI Traced_GetTempFileNameA(LPCSTR folder, LPCSTR prefix, UINT unique, LPSTR name) {
  TracedCall c("GetTempFileNameA");
  c.Args("folder:s prefix:s unique:n", folder, prefix, unique);
  UINT r = c.Fails() ? c.FailWith(0u) : c.Run(REAL(GetTempFileNameA), folder, prefix, unique, name);
  if (r != 0) c.Text("name", name);
  c.Done(r, r == 0);
  return r;
}

DWORD WINAPI Traced_GetFileAttributesA(LPCSTR path) {
  TracedCall c("GetFileAttributesA");
  c.Args("path:s", path);
  DWORD r = c.Fails() ? c.FailWith(INVALID_FILE_ATTRIBUTES) : c.Run(REAL(GetFileAttributesA), path);
  c.Done(r, r == INVALID_FILE_ATTRIBUTES, TracedCall::kHex);
  return r;
}

BOOL WINAPI Traced_SetFileAttributesA(LPCSTR path, DWORD attributes) {
  TracedCall c("SetFileAttributesA");
  c.Args("path:s attributes:x", path, attributes);
  return Ended(c, c.Fails() ? c.FailWith(FALSE) : c.Run(REAL(SetFileAttributesA), path, attributes));
}

BOOL WINAPI Traced_CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES security) {
  TracedCall c("CreateDirectoryA");
  c.Args("path:s", path);
  return Ended(c, c.Fails() ? c.FailWith(FALSE) : c.Run(REAL(CreateDirectoryA), path, security));
}

BOOL WINAPI Traced_RemoveDirectoryA(LPCSTR path) {
  TracedCall c("RemoveDirectoryA");
  c.Args("path:s", path);
  return Ended(c, c.Fails() ? c.FailWith(FALSE) : c.Run(REAL(RemoveDirectoryA), path));
}

FILE* __cdecl Traced_fopen(const char* path, const char* mode) {
  TracedCall c("fopen");
  c.Args("path:s mode:s", path, mode);
  FILE* f = c.Fails() ? c.FailWith<FILE*>(nullptr) : c.Run(REAL(fopen), path, mode);
  if (f != nullptr) c.Opened(Held::kCrtFile, f, path);
  c.Done(Bits(f), f == nullptr, TracedCall::kHex);
  return f;
}

int __cdecl Traced_fclose(FILE* f) {
  TracedCall c("fclose");
  c.Args("file:o", f);
  int r = c.Fails() ? c.FailWith(EOF) : c.Run(REAL(fclose), f);
  c.Closed(Held::kCrtFile, f);  // closed even when the flush failed
  c.Done(static_cast<uint64_t>(static_cast<unsigned>(r)), r != 0);
  return r;
}

size_t __cdecl Traced_fwrite(const void* data, size_t size, size_t count, FILE* f) {
  TracedCall c("fwrite");
  c.Args("file:o size:z count:z", f, size, count);
  size_t r = c.Fails() ? c.FailWith<size_t>(0) : c.Run(REAL(fwrite), data, size, count, f);
  c.Done(r, r != count);
  return r;
}

int __cdecl Traced_vfprintf(FILE* f, const char* format, va_list args) {
  TracedCall c("vfprintf");
  c.Args("file:o format:s", f, format);
  int r = c.Fails() ? c.FailWith(-1) : c.Run(REAL(vfprintf), f, format, args);
  c.Done(static_cast<uint64_t>(static_cast<unsigned>(r)), r < 0);
  return r;
}

// --- the mutex, waits, devices and the pipe -------------------------------

HANDLE WINAPI Traced_CreateMutexA(LPSECURITY_ATTRIBUTES security, BOOL owner, LPCSTR name) {
  TracedCall c("CreateMutexA");
  c.Args("name:s owner:n", name, owner);
  HANDLE h = c.Fails() ? c.FailWith<HANDLE>(nullptr) : c.Run(REAL(CreateMutexA), security, owner, name);
  if (h != nullptr) c.Opened(Held::kHandle, h, name);
  c.Done(Bits(h), h == nullptr, TracedCall::kHex);
  return h;
}

DWORD WINAPI Traced_WaitForSingleObject(HANDLE h, DWORD milliseconds) {
  TracedCall c("WaitForSingleObject");
  c.Args("handle:o milliseconds:n", h, milliseconds);
  DWORD r = c.Fails() ? c.FailWith(WAIT_FAILED) : c.Run(REAL(WaitForSingleObject), h, milliseconds);
  c.Done(r, r == WAIT_FAILED, TracedCall::kHex);
  return r;
}

BOOL WINAPI Traced_ReleaseMutex(HANDLE h) {
  TracedCall c("ReleaseMutex");
  c.Args("handle:o", h);
  return Ended(c, c.Fails() ? c.FailWith(FALSE) : c.Run(REAL(ReleaseMutex), h));
}

void WINAPI Traced_Sleep(DWORD milliseconds) {
  TracedCall c("Sleep");
  c.Args("milliseconds:n", milliseconds);
  const uint64_t started = NowMicroseconds();
  c.Run([milliseconds] {
    REAL(Sleep)(milliseconds);
    return 0;
  });
  if (g_trace != nullptr) {
    ++g_trace->sleeps;
    g_trace->sleptMs += milliseconds;
    g_trace->sleptMicroseconds += NowMicroseconds() - started;
  }
  c.Done(0, false);
}

BOOL WINAPI Traced_DeviceIoControl(HANDLE h, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                                   LPDWORD returned, LPOVERLAPPED overlapped) {
  TracedCall c("DeviceIoControl");
  c.Args("device:o code:x inSize:n outSize:n", h, code, inSize, outSize);
  BOOL ok = c.Fails() ? c.FailWith(FALSE)
                      : c.Run(REAL(DeviceIoControl), h, code, in, inSize, out, outSize, returned, overlapped);
  return Ended(c, ok);
}

BOOL WINAPI Traced_CallNamedPipeA(LPCSTR name, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                                  LPDWORD read, DWORD timeout) {
  TracedCall c("CallNamedPipeA");
  c.Args("pipe:s inSize:n outSize:n timeout:n", name, inSize, outSize, timeout);
  BOOL ok = c.Fails() ? c.FailWith(FALSE)
                      : c.Run(REAL(CallNamedPipeA), name, in, inSize, out, outSize, read, timeout);
  if (ok && read != nullptr) c.Number("read", *read);
  return Ended(c, ok);
}

// --- libraries and versions -------------------------------------------------

HMODULE WINAPI Traced_LoadLibraryA(LPCSTR name) {
  TracedCall c("LoadLibraryA");
  c.Args("name:s", name);
  HMODULE m = c.Fails() ? c.FailWith<HMODULE>(nullptr) : c.Run(REAL(LoadLibraryA), name);
  if (m != nullptr) c.Opened(Held::kModule, m, name);
  c.Done(Bits(m), m == nullptr, TracedCall::kHex);
  return m;
}

BOOL WINAPI Traced_FreeLibrary(HMODULE m) {
  TracedCall c("FreeLibrary");
  c.Args("module:o", m);
  BOOL ok = c.Fails() ? c.FailWith(FALSE) : c.Run(REAL(FreeLibrary), m);
  if (ok) c.Closed(Held::kModule, m);
  return Ended(c, ok);
}

// The library looks the NT service functions up when it calls them: one
// traced here comes back as its thunk, traced and failed as an import is.
FARPROC WINAPI Traced_GetProcAddress(HMODULE m, LPCSTR name) {
  TracedCall c("GetProcAddress");
  std::string procedure = NameOrNumber(name);
  c.Args("module:o name:s", m, procedure.c_str());
  FARPROC p = c.Fails() ? c.FailWith<FARPROC>(nullptr) : c.Run(REAL(GetProcAddress), m, name);
  c.Done(Bits(p), p == nullptr, TracedCall::kHex);
  bool named = reinterpret_cast<uintptr_t>(name) >> 16 != 0;
  void* thunk = p != nullptr && named ? TraceThunk(name, reinterpret_cast<void*>(p)) : nullptr;
  return thunk != nullptr ? reinterpret_cast<FARPROC>(thunk) : p;
}

DWORD WINAPI Traced_GetFileVersionInfoSizeA(LPCSTR path, LPDWORD handle) {
  TracedCall c("GetFileVersionInfoSizeA");
  c.Args("path:s", path);
  DWORD r = c.Fails() ? c.FailWith(0ul) : c.Run(REAL(GetFileVersionInfoSizeA), path, handle);
  c.Done(r, r == 0);
  return r;
}

// Reading files, versions and resources: without them their time would
// count as the library's own.
BOOL WINAPI Traced_ReadFile(HANDLE h, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED overlapped) {
  TracedCall c("ReadFile");
  c.Args("file:o size:n", h, size);
  return Ended(c, c.Fails() ? c.FailWith(FALSE) : c.Run(REAL(ReadFile), h, buffer, size, read, overlapped));
}

DWORD WINAPI Traced_SetFilePointer(HANDLE h, LONG distance, PLONG high, DWORD method) {
  TracedCall c("SetFilePointer");
  c.Args("file:o distance:n method:n", h, static_cast<DWORD>(distance), method);
  DWORD r = c.Fails() ? c.FailWith(INVALID_SET_FILE_POINTER) : c.Run(REAL(SetFilePointer), h, distance, high, method);
  c.Done(r, r == INVALID_SET_FILE_POINTER);
  return r;
}

BOOL WINAPI Traced_GetFileVersionInfoA(LPCSTR path, DWORD handle, DWORD size, LPVOID data) {
  TracedCall c("GetFileVersionInfoA");
  c.Args("path:s size:n", path, size);
  return Ended(c, c.Fails() ? c.FailWith(FALSE) : c.Run(REAL(GetFileVersionInfoA), path, handle, size, data));
}

BOOL WINAPI Traced_VerQueryValueA(LPCVOID block, LPCSTR sub, LPVOID* value, PUINT size) {
  TracedCall c("VerQueryValueA");
  c.Args("name:s", sub);
  return Ended(c, c.Fails() ? c.FailWith(FALSE) : c.Run(REAL(VerQueryValueA), block, sub, value, size));
}

HRSRC WINAPI Traced_FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
  TracedCall c("FindResourceA");
  std::string id = NameOrNumber(name);
  c.Args("name:s", id.c_str());
  HRSRC r = c.Fails() ? c.FailWith(static_cast<HRSRC>(nullptr)) : c.Run(REAL(FindResourceA), module, name, type);
  c.Done(Bits(r), r == nullptr, TracedCall::kHex);
  return r;
}

HGLOBAL WINAPI Traced_LoadResource(HMODULE module, HRSRC resource) {
  TracedCall c("LoadResource");
  HGLOBAL r = c.Fails() ? c.FailWith(static_cast<HGLOBAL>(nullptr)) : c.Run(REAL(LoadResource), module, resource);
  c.Done(Bits(r), r == nullptr, TracedCall::kHex);
  return r;
}

DWORD WINAPI Traced_SizeofResource(HMODULE module, HRSRC resource) {
  TracedCall c("SizeofResource");
  DWORD r = c.Fails() ? c.FailWith(0ul) : c.Run(REAL(SizeofResource), module, resource);
  c.Done(r, r == 0);
  return r;
}

// --- the registry: the result is the error, the last error is left alone ---

LONG WINAPI Traced_RegOpenKeyExA(HKEY parent, LPCSTR subkey, DWORD options, REGSAM access, PHKEY key) {
  TracedCall c("RegOpenKeyExA");
  std::string path = Join(parent, subkey);
  c.Args("key:s access:x", path.c_str(), access);
  LONG r = c.Fails() ? c.FailStatus() : c.Run(REAL(RegOpenKeyExA), parent, subkey, options, access, key);
  if (r == ERROR_SUCCESS) c.Opened(Held::kKey, *key, path.c_str());
  return Status(c, r);
}

LONG WINAPI Traced_RegCreateKeyExA(HKEY parent, LPCSTR subkey, DWORD reserved, LPSTR type, DWORD options,
                                   REGSAM access, LPSECURITY_ATTRIBUTES security, PHKEY key,
                                   LPDWORD disposition) {
  TracedCall c("RegCreateKeyExA");
  std::string path = Join(parent, subkey);
  c.Args("key:s access:x", path.c_str(), access);
  LONG r = c.Fails() ? c.FailStatus()
                     : c.Run(REAL(RegCreateKeyExA), parent, subkey, reserved, type, options, access, security,
                             key, disposition);
  if (r == ERROR_SUCCESS) {
    c.Opened(Held::kKey, *key, path.c_str());
    if (disposition != nullptr) c.Text("created", *disposition == REG_CREATED_NEW_KEY ? "new" : "existing");
  }
  return Status(c, r);
}

LONG WINAPI Traced_RegCloseKey(HKEY key) {
  TracedCall c("RegCloseKey");
  c.Args("key:o", key);
  LONG r = c.Fails() ? c.FailStatus() : c.Run(REAL(RegCloseKey), key);
  if (r == ERROR_SUCCESS) c.Closed(Held::kKey, key);
  return Status(c, r);
}

LONG WINAPI Traced_RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                    LPDWORD size) {
  TracedCall c("RegQueryValueExA");
  c.Args("key:o value:s", key, name);
  if (size != nullptr) c.Number("size", *size);
  LONG r = c.Fails() ? c.FailStatus() : c.Run(REAL(RegQueryValueExA), key, name, reserved, type, data, size);
  if ((r == ERROR_SUCCESS || r == ERROR_MORE_DATA) && size != nullptr) c.Number("needed", *size);
  return Status(c, r);
}

LONG WINAPI Traced_RegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data,
                                  DWORD size) {
  TracedCall c("RegSetValueExA");
  c.Args("key:o value:s type:n size:n", key, name, type, size);
  const char* text = reinterpret_cast<const char*>(data);
  if ((type == REG_SZ || type == REG_EXPAND_SZ) && data != nullptr && size > 0)
    c.Text("data", std::string(text, strnlen(text, size)).c_str());
  else if (type == REG_DWORD && data != nullptr && size == 4)
    c.Number("data", *reinterpret_cast<const DWORD*>(data));
  return Status(c, c.Fails() ? c.FailStatus() : c.Run(REAL(RegSetValueExA), key, name, reserved, type, data, size));
}

LONG WINAPI Traced_RegDeleteValueA(HKEY key, LPCSTR name) {
  TracedCall c("RegDeleteValueA");
  c.Args("key:o value:s", key, name);
  return Status(c, c.Fails() ? c.FailStatus() : c.Run(REAL(RegDeleteValueA), key, name));
}

LONG WINAPI Traced_RegDeleteKeyA(HKEY parent, LPCSTR subkey) {
  TracedCall c("RegDeleteKeyA");
  std::string path = Join(parent, subkey);
  c.Args("key:s", path.c_str());
  return Status(c, c.Fails() ? c.FailStatus() : c.Run(REAL(RegDeleteKeyA), parent, subkey));
}

LONG WINAPI Traced_RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD size, LPDWORD reserved,
                                 LPSTR className, LPDWORD classSize, PFILETIME written) {
  TracedCall c("RegEnumKeyExA");
  c.Args("key:o index:n", key, index);
  LONG r = c.Fails() ? c.FailStatus()
                     : c.Run(REAL(RegEnumKeyExA), key, index, name, size, reserved, className, classSize, written);
  if (r == ERROR_SUCCESS) c.Text("name", name);
  return Status(c, r);
}

// --- the service manager ----------------------------------------------------

SC_HANDLE Opened(TracedCall& c, SC_HANDLE h, const char* name) {
  if (h != nullptr) c.Opened(Held::kService, h, name);
  c.Done(Bits(h), h == nullptr, TracedCall::kHex);
  return h;
}

SC_HANDLE WINAPI Traced_OpenSCManagerA(LPCSTR machine, LPCSTR database, DWORD access) {
  TracedCall c("OpenSCManagerA");
  c.Args("access:x", access);
  SC_HANDLE h = c.Fails() ? c.FailWith<SC_HANDLE>(nullptr) : c.Run(REAL(OpenSCManagerA), machine, database, access);
  return Opened(c, h, "service manager");
}

SC_HANDLE WINAPI Traced_OpenServiceA(SC_HANDLE manager, LPCSTR name, DWORD access) {
  TracedCall c("OpenServiceA");
  c.Args("service:s access:x", name, access);
  SC_HANDLE h = c.Fails() ? c.FailWith<SC_HANDLE>(nullptr) : c.Run(REAL(OpenServiceA), manager, name, access);
  return Opened(c, h, name);
}

SC_HANDLE WINAPI Traced_CreateServiceA(SC_HANDLE manager, LPCSTR name, LPCSTR display, DWORD access, DWORD type,
                                       DWORD start, DWORD errorControl, LPCSTR path, LPCSTR group, LPDWORD tag,
                                       LPCSTR dependencies, LPCSTR account, LPCSTR password) {
  TracedCall c("CreateServiceA");
  c.Args("service:s access:x type:x start:n path:s", name, access, type, start, path);
  SC_HANDLE h = c.Fails() ? c.FailWith<SC_HANDLE>(nullptr)
                          : c.Run(REAL(CreateServiceA), manager, name, display, access, type, start, errorControl,
                                  path, group, tag, dependencies, account, password);
  return Opened(c, h, name);
}

BOOL WINAPI Traced_ChangeServiceConfigA(SC_HANDLE h, DWORD type, DWORD start, DWORD errorControl, LPCSTR path,
                                        LPCSTR group, LPDWORD tag, LPCSTR dependencies, LPCSTR account,
                                        LPCSTR password, LPCSTR display) {
  TracedCall c("ChangeServiceConfigA");
  c.Args("service:o type:x start:x path:s", h, type, start, path);
  return Ended(c, c.Fails() ? c.FailWith(FALSE)
                            : c.Run(REAL(ChangeServiceConfigA), h, type, start, errorControl, path, group, tag,
                                    dependencies, account, password, display));
}

BOOL WINAPI Traced_QueryServiceConfigA(SC_HANDLE h, LPQUERY_SERVICE_CONFIGA config, DWORD size, LPDWORD needed) {
  TracedCall c("QueryServiceConfigA");
  c.Args("service:o size:n", h, size);
  return Ended(c, c.Fails() ? c.FailWith(FALSE) : c.Run(REAL(QueryServiceConfigA), h, config, size, needed));
}

BOOL WINAPI Traced_QueryServiceStatus(SC_HANDLE h, LPSERVICE_STATUS status) {
  TracedCall c("QueryServiceStatus");
  c.Args("service:o", h);
  BOOL ok = c.Fails() ? c.FailWith(FALSE) : c.Run(REAL(QueryServiceStatus), h, status);
  if (ok) c.Number("state", status->dwCurrentState);
  return Ended(c, ok);
}

BOOL WINAPI Traced_ControlService(SC_HANDLE h, DWORD control, LPSERVICE_STATUS status) {
  TracedCall c("ControlService");
  c.Args("service:o control:n", h, control);
  return Ended(c, c.Fails() ? c.FailWith(FALSE) : c.Run(REAL(ControlService), h, control, status));
}

BOOL WINAPI Traced_StartServiceA(SC_HANDLE h, DWORD count, LPCSTR* args) {
  TracedCall c("StartServiceA");
  c.Args("service:o", h);
  return Ended(c, c.Fails() ? c.FailWith(FALSE) : c.Run(REAL(StartServiceA), h, count, args));
}

BOOL WINAPI Traced_DeleteService(SC_HANDLE h) {
  TracedCall c("DeleteService");
  c.Args("service:o", h);
  return Ended(c, c.Fails() ? c.FailWith(FALSE) : c.Run(REAL(DeleteService), h));
}

BOOL WINAPI Traced_CloseServiceHandle(SC_HANDLE h) {
  TracedCall c("CloseServiceHandle");
  c.Args("service:o", h);
  BOOL ok = c.Fails() ? c.FailWith(FALSE) : c.Run(REAL(CloseServiceHandle), h);
  if (ok) c.Closed(Held::kService, h);
  return Ended(c, ok);
}

#define NAME(fn) #fn,
const char* const kNames[] = {TRACED_FUNCTIONS(NAME)};
// Through the function's own pointer type: a thunk whose arguments or calling
// convention differ from it does not compile.
#define THUNK(fn) reinterpret_cast<void*>(static_cast<decltype(&::fn)>(&Traced_##fn)),
void* const kThunks[] = {TRACED_FUNCTIONS(THUNK)};

int Find(const char* function) {
  for (int i = 0; i < kCount; ++i)
    if (std::strcmp(kNames[i], function) == 0) return i;
  return -1;
}

}  // namespace

void* TraceThunk(const char* function, void* real) {
  int i = Find(function);
  if (i < 0) return nullptr;
  g_real[i] = real;
  return kThunks[i];
}

// Sleep returns nothing to fail with.
bool CanFail(const char* function) { return Find(function) >= 0 && std::strcmp(function, "Sleep") != 0; }
