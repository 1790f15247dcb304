// ShFolder.dll for Windows 95/98/Me and NT 4, whose shell may lack
// SHGetFolderPathA. The shell answers when it has the function; otherwise
// the folders come from the shell's registry keys and the system's own
// directories, as the shell would find them.
#include <windows.h>

namespace {

typedef HRESULT(WINAPI* GetFolderPathFn)(HWND, int, HANDLE, DWORD, LPSTR);

const int kFlagCreate = 0x8000;
const int kFlagDontVerify = 0x4000;
const int kFlagMask = 0xFF00;

enum class Source {
  kUser,            // HKCU "User Shell Folders", then "Shell Folders"
  kCommon,          // the same under HKLM
  kCurrentVersion,  // HKLM Software\Microsoft\Windows\CurrentVersion
  kWindows,
  kSystem,
};

struct Folder {
  int id;
  Source source;
  const char* value;
  const char* underWindows;  // where it is when the registry does not say
};

// Windows 95 writes its folders into "Shell Folders" only, under %windir%,
// or with user profiles the per-user ones under %windir%\Profiles\<user>.
// NT 4 writes "User Shell Folders" unexpanded, under %USERPROFILE% (that is
// %SystemRoot%\Profiles\<user>) and %SystemRoot%\Profiles\All Users, and
// caches them expanded in "Shell Folders".
const Folder kFolders[] = {
    // The user's folders, as both write them.
    {0x02, Source::kUser, "Programs", nullptr},
    {0x05, Source::kUser, "Personal", nullptr},
    {0x06, Source::kUser, "Favorites", nullptr},
    {0x07, Source::kUser, "Startup", nullptr},
    {0x08, Source::kUser, "Recent", nullptr},
    {0x09, Source::kUser, "SendTo", nullptr},
    {0x0B, Source::kUser, "Start Menu", nullptr},
    {0x10, Source::kUser, "Desktop", nullptr},
    {0x13, Source::kUser, "NetHood", nullptr},
    {0x14, Source::kUser, "Fonts", nullptr},
    {0x15, Source::kUser, "Templates", nullptr},
    {0x1B, Source::kUser, "PrintHood", nullptr},
    {0x20, Source::kUser, "Cache", nullptr},
    {0x21, Source::kUser, "Cookies", nullptr},
    {0x22, Source::kUser, "History", nullptr},
    // Without the value (Windows 95 writes neither, NT 4 only AppData), one
    // folder under %windir% serves every user, even with per-user profiles.
    {0x1A, Source::kUser, "AppData", "Application Data"},
    {0x1C, Source::kUser, "Local AppData", "Local Settings\\Application Data"},
    // All users' folders: NT 4's, under HKLM; Windows 95 has none. Common
    // AppData, written by neither, falls back under %windir% on NT 4 too.
    {0x16, Source::kCommon, "Common Start Menu", nullptr},
    {0x17, Source::kCommon, "Common Programs", nullptr},
    {0x18, Source::kCommon, "Common Startup", nullptr},
    {0x19, Source::kCommon, "Common Desktop", nullptr},
    {0x23, Source::kCommon, "Common AppData", "All Users\\Application Data"},
    // Only later shells write these: without the value, E_FAIL, even when
    // asked to create the folder.
    {0x0D, Source::kUser, "My Music", nullptr},
    {0x1F, Source::kCommon, "Common Favorites", nullptr},
    {0x27, Source::kUser, "My Pictures", nullptr},
    {0x2D, Source::kCommon, "Common Templates", nullptr},
    {0x2E, Source::kCommon, "Common Documents", nullptr},
    {0x2F, Source::kCommon, "Common Administrative Tools", nullptr},
    {0x30, Source::kUser, "Administrative Tools", nullptr},
    // The system's own folders, and what Setup wrote under CurrentVersion.
    {0x24, Source::kWindows, nullptr, nullptr},
    {0x25, Source::kSystem, nullptr, nullptr},
    {0x26, Source::kCurrentVersion, "ProgramFilesDir", nullptr},
    {0x2B, Source::kCurrentVersion, "CommonFilesDir", nullptr},
};

struct RegKey {
  HKEY handle = nullptr;
  ~RegKey() {
    if (handle != nullptr) RegCloseKey(handle);
  }
};

struct Library {
  HMODULE handle;
  ~Library() {
    if (handle != nullptr) FreeLibrary(handle);
  }
};

const char kCurrentVersion[] = "Software\\Microsoft\\Windows\\CurrentVersion";
const char* const kShellFolderKeys[] = {
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
};

// A string value as a path of at most MAX_PATH - 1 characters; REG_EXPAND_SZ
// is expanded.
bool ReadPath(HKEY root, const char* subkey, const char* value, char* path) {
  RegKey key;
  if (RegOpenKeyExA(root, subkey, 0, KEY_QUERY_VALUE, &key.handle) != ERROR_SUCCESS) return false;
  char data[MAX_PATH + 1];
  DWORD type = REG_NONE, size = MAX_PATH;
  LONG status =
      RegQueryValueExA(key.handle, value, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
  data[size < MAX_PATH ? size : MAX_PATH] = '\0';
  if (data[0] == '\0') return false;
  if (type == REG_SZ) {
    lstrcpynA(path, data, MAX_PATH);
    return true;
  }
  DWORD needed = ExpandEnvironmentStringsA(data, path, MAX_PATH);
  return needed != 0 && needed <= MAX_PATH;
}

bool FindPath(const Folder& folder, char* path) {
  switch (folder.source) {
    case Source::kWindows: {
      UINT length = GetWindowsDirectoryA(path, MAX_PATH);
      return length != 0 && length < MAX_PATH;
    }
    case Source::kSystem: {
      UINT length = GetSystemDirectoryA(path, MAX_PATH);
      return length != 0 && length < MAX_PATH;
    }
    case Source::kCurrentVersion:
      return ReadPath(HKEY_LOCAL_MACHINE, kCurrentVersion, folder.value, path);
    case Source::kUser:
    case Source::kCommon:
      break;
  }
  HKEY root = folder.source == Source::kUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
  for (const char* subkey : kShellFolderKeys)
    if (ReadPath(root, subkey, folder.value, path)) return true;
  if (folder.underWindows == nullptr) return false;
  UINT length = GetWindowsDirectoryA(path, MAX_PATH);
  if (length == 0 || length + 1 + lstrlenA(folder.underWindows) >= MAX_PATH) return false;
  if (path[length - 1] != '\\') lstrcatA(path, "\\");
  lstrcatA(path, folder.underWindows);
  return true;
}

// Calls visit with the position of every "\" in path, multibyte-aware, and
// returns the position of the last character.
template <typename Visit>
char* EachSeparator(char* path, Visit visit) {
  char* last = path;
  for (char* p = path; *p != '\0'; p += IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1] ? 2 : 1) {
    last = p;
    if (*p == '\\') visit(p);
  }
  return last;
}

// The shell's form: no trailing "\" except after a drive.
void DropTrailingSeparator(char* path) {
  char* last = EachSeparator(path, [](char*) {});
  if (*last == '\\' && last > path && last[-1] != ':') *last = '\0';
}

bool IsFolder(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Creates the folder with its parents; the root (a drive, a share) is left
// to the final check.
bool CreateFolderTree(char* path) {
  EachSeparator(path, [path](char* separator) {
    if (separator == path || separator[-1] == ':' || separator[-1] == '\\') return;
    *separator = '\0';
    CreateDirectoryA(path, nullptr);
    *separator = '\\';
  });
  CreateDirectoryA(path, nullptr);
  return IsFolder(path);
}

HRESULT OwnFolderPath(int folder, LPSTR path) {
  const int id = folder & ~kFlagMask;
  const Folder* known = nullptr;
  for (const Folder& entry : kFolders)
    if (entry.id == id) known = &entry;
  if (known == nullptr) return E_INVALIDARG;
  if (!FindPath(*known, path)) return E_FAIL;
  DropTrailingSeparator(path);
  if ((folder & kFlagDontVerify) != 0 && (folder & kFlagCreate) == 0) return S_OK;
  if (IsFolder(path)) return S_OK;
  if ((folder & kFlagCreate) != 0) return CreateFolderTree(path) ? S_OK : E_FAIL;
  return S_FALSE;
}

}  // namespace

extern "C" HRESULT WINAPI SHGetFolderPathA(HWND owner, int folder, HANDLE token, DWORD flags,
                                           LPSTR path) {
  if (path == nullptr) return E_INVALIDARG;
#ifndef QEL_TEST_NO_SHELL_FOLDER_PATH
  Library shell{LoadLibraryA("shell32.dll")};
  if (shell.handle != nullptr) {
    auto forward = reinterpret_cast<GetFolderPathFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(shell.handle, "SHGetFolderPathA")));
    if (forward != nullptr) return forward(owner, folder, token, flags, path);
  }
#endif
  // Without the shell's function there are neither other users' nor default
  // folders to tell apart: the token and the flags (SHGFP_TYPE_DEFAULT too)
  // ask for the current ones.
  (void)owner;
  (void)token;
  (void)flags;
  HRESULT result = OwnFolderPath(folder, path);
  if (result != S_OK) path[0] = '\0';
  return result;
}

// The wide form through the narrow one: on Windows 9x most wide functions
// are stubs.
extern "C" HRESULT WINAPI SHGetFolderPathW(HWND owner, int folder, HANDLE token, DWORD flags,
                                           LPWSTR path) {
  if (path == nullptr) return E_INVALIDARG;
  path[0] = L'\0';
  char narrow[MAX_PATH];
  HRESULT result = SHGetFolderPathA(owner, folder, token, flags, narrow);
  if (result == S_FALSE) return E_FAIL;  // the wide function's "valid but absent"
  if (FAILED(result)) return result;
  if (MultiByteToWideChar(CP_ACP, 0, narrow, -1, path, MAX_PATH) == 0) {
    path[0] = L'\0';
    return E_FAIL;
  }
  return result;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
