#include "counts/call_meter.h"

#include <dlfcn.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <set>
#include <unordered_map>

#include "sim/sim.h"

namespace bench {
namespace {

// Side records of the interposers, keyed by the call's position in the log.
struct Records {
  std::unordered_map<size_t, uint64_t> written;   // bytes written by the call
  std::unordered_map<size_t, uint64_t> read;      // bytes read by the call
  std::unordered_map<size_t, Kind> handleKind;    // CreateFileA / CloseHandle
  std::set<size_t> keyCreated;                    // RegCreateKeyExA made a new key
  std::unordered_map<void*, Kind> openHandles;
  size_t start = 0;
  uint64_t clockStart = 0;
  bool seen = false;
};

Records& State() {
  static Records records;
  return records;
}

size_t LogSize() { return sim::CallLog().size(); }

// The record belongs to the call only when that call was logged where expected.
bool LoggedAt(size_t at, const char* function) {
  const auto& log = sim::CallLog();
  return at < log.size() && log[at].function == function;
}

template <typename F>
F Next(const char* name) {
  void* symbol = dlsym(RTLD_NEXT, name);
  if (symbol == nullptr) {
    std::fprintf(stderr, "bench: no next definition of %s\n", name);
    std::abort();
  }
  return reinterpret_cast<F>(symbol);
}

bool IsDevicePath(const char* path) {
  return path != nullptr && std::strncmp(path, "\\\\.\\", 4) == 0;
}

const std::set<std::string>& FileFunctions() {
  static const std::set<std::string> names = {
      "CreateFileA", "ReadFile", "SetFilePointer", "GetFileAttributesA", "SetFileAttributesA",
      "CopyFileA", "DeleteFileA", "MoveFileExA", "GetTempFileNameA", "CreateDirectoryA",
      "RemoveDirectoryA", "GetFileVersionInfoSizeA", "GetFileVersionInfoA", "VerQueryValueA",
      "fopen", "fclose", "fwrite", "fprintf", "fgets", "feof", "_getcwd",
      "GetWindowsDirectoryA", "GetSystemDirectoryA", "SHGetFolderPathA"};
  return names;
}

// Calls that change the file system, whatever their outcome.
const std::set<std::string>& FileWriteFunctions() {
  static const std::set<std::string> names = {
      "SetFileAttributesA", "CopyFileA", "DeleteFileA", "MoveFileExA", "GetTempFileNameA",
      "CreateDirectoryA", "RemoveDirectoryA", "fwrite", "fprintf"};
  return names;
}

// Only the calls that talk to the service control manager.
const std::set<std::string>& ServiceFunctions() {
  static const std::set<std::string> names = {
      "OpenSCManagerA", "OpenServiceA", "CreateServiceA", "ChangeServiceConfigA",
      "QueryServiceConfigA", "QueryServiceStatus", "ControlService", "StartServiceA",
      "DeleteService", "CloseServiceHandle", "QueryServiceObjectSecurity",
      "SetServiceObjectSecurity"};
  return names;
}

Kind KindOf(size_t at, const sim::Call& call) {
  const std::string& f = call.function;
  if (f == "CreateFileA" || f == "CloseHandle") {
    auto it = State().handleKind.find(at);
    if (it != State().handleKind.end()) return it->second;
    if (f == "CreateFileA") return IsDevicePath(call.detail.c_str()) ? Kind::Device : Kind::File;
    return Kind::Other;  // a mutex, or a handle opened before the measure
  }
  if (f.compare(0, 3, "Reg") == 0) return Kind::Registry;
  if (ServiceFunctions().count(f)) return Kind::Service;
  if (f == "CallNamedPipeA") return Kind::Pipe;
  if (f == "DeviceIoControl") return Kind::Device;
  if (FileFunctions().count(f)) return Kind::File;
  return Kind::Other;
}

bool IsRegistryWrite(size_t at, const std::string& f) {
  if (f == "RegSetValueExA" || f == "RegDeleteValueA" || f == "RegDeleteKeyA") return true;
  return f == "RegCreateKeyExA" && State().keyCreated.count(at) != 0;
}

}  // namespace

const char* KindName(Kind kind) {
  switch (kind) {
    case Kind::File: return "file";
    case Kind::Registry: return "registry";
    case Kind::Service: return "service";
    case Kind::Pipe: return "pipe";
    case Kind::Device: return "device";
    case Kind::Other: return "other";
  }
  return "?";
}

void BeginMeasure() {
  Records& r = State();
  r.written.clear();
  r.read.clear();
  r.handleKind.clear();
  r.keyCreated.clear();
  r.start = LogSize();
  r.clockStart = sim::Now();
}

Tally EndMeasure() {
  Records& r = State();
  Tally t;
  const auto& log = sim::CallLog();
  for (size_t at = r.start; at < log.size(); ++at) {
    const sim::Call& call = log[at];
    Kind kind = KindOf(at, call);
    ++t.calls[static_cast<int>(kind)];
    ++t.totalCalls;
    ++t.functions[call.function];
    if (call.function == "Sleep") ++t.sleeps;
    std::string line = call.function + (call.detail.empty() ? "" : " " + call.detail);
    if (FileWriteFunctions().count(call.function)) {
      ++t.fileWrites;
      t.fileWriteList.push_back(line);
    }
    if (IsRegistryWrite(at, call.function)) {
      ++t.registryWrites;
      t.registryWriteList.push_back(line);
    }
    auto w = r.written.find(at);
    if (w != r.written.end()) {
      if (kind == Kind::Registry)
        t.registryBytes += w->second;
      else
        t.fileBytes += w->second;
    }
    auto rd = r.read.find(at);
    if (rd != r.read.end()) t.readBytes += rd->second;
  }
  t.waitMs = sim::Now() - r.clockStart;
  return t;
}

std::vector<std::string> MeasuredCalls() {
  std::vector<std::string> calls;
  const auto& log = sim::CallLog();
  for (size_t at = State().start; at < log.size(); ++at)
    calls.push_back(log[at].function + (log[at].detail.empty() ? "" : " " + log[at].detail));
  return calls;
}

bool InterposersActive() { return State().seen; }

}  // namespace bench

// ---- Interposed functions ---------------------------------------------------
// The bench program exports these (see interposed.list), so the dynamic linker
// binds the library image's calls to them; each forwards to the simulation
// and notes what the call log does not say.

using bench::Kind;
using bench::State;

extern "C" {

HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                          LPSECURITY_ATTRIBUTES securityAttributes, DWORD creationDisposition,
                          DWORD flagsAndAttributes, HANDLE templateFile) {
  static auto next = bench::Next<decltype(&CreateFileA)>("CreateFileA");
  State().seen = true;
  size_t at = bench::LogSize();
  HANDLE h = next(fileName, desiredAccess, shareMode, securityAttributes, creationDisposition,
                  flagsAndAttributes, templateFile);
  Kind kind = bench::IsDevicePath(fileName) ? Kind::Device : Kind::File;
  if (bench::LoggedAt(at, "CreateFileA")) State().handleKind[at] = kind;
  if (h != INVALID_HANDLE_VALUE) State().openHandles[h] = kind;
  return h;
}

BOOL WINAPI CloseHandle(HANDLE object) {
  static auto next = bench::Next<decltype(&CloseHandle)>("CloseHandle");
  size_t at = bench::LogSize();
  auto it = State().openHandles.find(object);
  Kind kind = it != State().openHandles.end() ? it->second : Kind::Other;
  if (it != State().openHandles.end()) State().openHandles.erase(it);
  BOOL ok = next(object);
  if (bench::LoggedAt(at, "CloseHandle")) State().handleKind[at] = kind;
  return ok;
}

BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
                     LPOVERLAPPED overlapped) {
  static auto next = bench::Next<decltype(&ReadFile)>("ReadFile");
  size_t at = bench::LogSize();
  DWORD got = 0;
  BOOL ok = next(file, buffer, bytesToRead, &got, overlapped);
  if (bytesRead != nullptr) *bytesRead = got;
  if (ok && bench::LoggedAt(at, "ReadFile")) State().read[at] = got;
  return ok;
}

BOOL WINAPI CopyFileA(LPCSTR existingFileName, LPCSTR newFileName, BOOL failIfExists) {
  static auto next = bench::Next<decltype(&CopyFileA)>("CopyFileA");
  size_t at = bench::LogSize();
  BOOL ok = next(existingFileName, newFileName, failIfExists);
  if (ok && bench::LoggedAt(at, "CopyFileA"))
    State().written[at] = sim::FileBytes(newFileName ? newFileName : "").size();
  return ok;
}

LONG WINAPI RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type,
                           const BYTE* data, DWORD dataSize) {
  static auto next = bench::Next<decltype(&RegSetValueExA)>("RegSetValueExA");
  size_t at = bench::LogSize();
  LONG status = next(key, valueName, reserved, type, data, dataSize);
  if (status == ERROR_SUCCESS && bench::LoggedAt(at, "RegSetValueExA"))
    State().written[at] = dataSize;
  return status;
}

LONG WINAPI RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options,
                            REGSAM desired, LPSECURITY_ATTRIBUTES attributes, PHKEY result,
                            LPDWORD disposition) {
  static auto next = bench::Next<decltype(&RegCreateKeyExA)>("RegCreateKeyExA");
  const DWORD kCreatedNewKey = 1;  // REG_CREATED_NEW_KEY, which the simulation does not name
  size_t at = bench::LogSize();
  DWORD how = 0;
  LONG status =
      next(key, subKey, reserved, keyClass, options, desired, attributes, result, &how);
  if (disposition != nullptr) *disposition = how;
  if (status == ERROR_SUCCESS && how == kCreatedNewKey &&
      bench::LoggedAt(at, "RegCreateKeyExA"))
    State().keyCreated.insert(at);
  return status;
}

}  // extern "C"

size_t CrtWrite(const void* data, size_t size, size_t count, CrtFile* file) {
  static auto next = bench::Next<decltype(&CrtWrite)>("_Z8CrtWritePKvmmP7CrtFile");
  size_t at = bench::LogSize();
  size_t done = next(data, size, count, file);
  if (bench::LoggedAt(at, "fwrite")) State().written[at] = done * size;
  return done;
}

int CrtPrint(CrtFile* file, const char* format, ...) {
  static auto next = bench::Next<decltype(&CrtPrint)>("_Z8CrtPrintP7CrtFilePKcz");
  if (format == nullptr) return next(file, nullptr);
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  int length = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
  if (length > 0) std::vsnprintf(&text[0], text.size() + 1, format, again);
  va_end(again);
  size_t at = bench::LogSize();
  int written = next(file, "%s", text.c_str());
  if (written > 0 && bench::LoggedAt(at, "fprintf")) State().written[at] = text.size();
  return written;
}
