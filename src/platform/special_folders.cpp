#include "platform/special_folders.h"

#include "platform/registry_key.h"
#include "platform/scoped_library.h"
#include "platform/win_api.h"

namespace {

const int kBufferSize = 260;
const int kProgramFilesFolder = 0x8026;  // Program Files, created when missing
const int kCommonFilesFolder = 0x802B;   // Common Files, created when missing

typedef HRESULT(WINAPI* GetFolderPathFn)(HWND, int, HANDLE, DWORD, LPSTR);

String WithBackslash(const char* text) {
  String folder(text);
  if (!EndsWithBackslash(folder)) folder.Append('\\');
  return folder;
}

// Only a value of string type counts; anything else reads as empty.
const char* ReadFolder(RegistryKey& key, const char* name, char* buffer) {
  if (!key.ReadString(name, buffer, kBufferSize)) buffer[0] = '\0';
  return buffer;
}

}  // namespace

SpecialFolders::SpecialFolders() {
  char buffer[kBufferSize];

  windows = GetWindowsDirectoryA(buffer, kBufferSize) != 0 ? WithBackslash(buffer) : String("c:\\");
  system = GetSystemDirectoryA(buffer, kBufferSize) != 0 ? WithBackslash(buffer) : windows;
  drivers = system + String("drivers\\");
  current = CrtGetCurrentDirectory(buffer, kBufferSize) != nullptr ? WithBackslash(buffer)
                                                                   : String("c:\\");

  {
    ScopedLibrary shfolder("shfolder.dll");
    if (auto getFolderPath = shfolder.Find<GetFolderPathFn>("SHGetFolderPathA")) {
      buffer[0] = '\0';
      if (getFolderPath(nullptr, kProgramFilesFolder, nullptr, 0, buffer) >= 0)
        programFiles = WithBackslash(buffer);
      buffer[0] = '\0';
      if (getFolderPath(nullptr, kCommonFilesFolder, nullptr, 0, buffer) >= 0)
        commonFiles = WithBackslash(buffer);
    }
  }
  if (!programFiles.IsEmpty() && !commonFiles.IsEmpty()) return;

  // Without the shell's answer the folders come from the registry; a value
  // that cannot be read leaves just "\".
  RegistryKey key("Software\\Microsoft\\Windows\\CurrentVersion", false);
  if (programFiles.IsEmpty()) programFiles = WithBackslash(ReadFolder(key, "ProgramFilesDir", buffer));
  if (commonFiles.IsEmpty()) commonFiles = WithBackslash(ReadFolder(key, "CommonFilesDir", buffer));
}

const String* SpecialFolders::Lookup(const char* macroName) const {
  const struct {
    const char* name;
    const String* folder;
  } macros[] = {{"system", &system},   {"ntdrivers", &drivers},       {"win", &windows},
                {"current", &current}, {"programfiles", &programFiles}, {"commonfiles", &commonFiles}};
  for (const auto& m : macros)
    if (EqualNoCase(macroName, m.name)) return m.folder;
  return nullptr;
}
