#include "machine_layout.h"

#include "owned_handles.h"
#include "registry_reader.h"

const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QelC13Ba";
const char kProductsKey[] = "SOFTWARE\\Ostravik\\Lumasett\\InstalledProducts";
const char kProductFamilyKey[] = "KV00220+";
const char kInstallerKey[] = "SOFTWARE\\Ostravik\\Lumasett\\Installer";
const char kInUseCountValue[] = "ComponentsInUseCount";
const char kSharedDllsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const char kKnownVxdsKey[] = "System\\CurrentControlSet\\Control\\SessionManager\\KnownVxDs";
const char kVxdName[] = "QELC11BA";
const char kSessionManagerKey[] = "System\\CurrentControlSet\\Control\\Session Manager";
const char kServicePipe[] = "\\\\.\\pipe\\D2FAF60C-A24E-11d3-B7F1-005004393C73";
const ServiceName kServices[2] = {{"OrbanetQelC11BA", "QELC11BA.EXE"}, {"QelC15BA", "QELC15BA.SYS"}};

namespace {

const int kCommonFilesFolder = 0x2B;  // CSIDL_PROGRAM_FILES_COMMON, never created here
const char kSharedFolder[] = "Ostravik Shared\\Lumasett\\Install\\";

typedef HRESULT(WINAPI* GetFolderPathFn)(HWND, int, HANDLE, DWORD, LPSTR);
typedef BOOL(WINAPI* IsWow64ProcessFn)(HANDLE, BOOL*);

std::string WithBackslash(std::string folder) {
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder;
}

std::string CommonFilesFolder() {
  OwnedModule shfolder(LoadLibraryA("shfolder.dll"));
  if (shfolder.IsValid()) {
    auto getFolderPath = reinterpret_cast<GetFolderPathFn>(
        reinterpret_cast<void (*)(void)>(GetProcAddress(shfolder.Get(), "SHGetFolderPathA")));
    char buffer[MAX_PATH] = "";
    if (getFolderPath && getFolderPath(nullptr, kCommonFilesFolder, nullptr, 0, buffer) >= 0 &&
        buffer[0] != '\0')
      return WithBackslash(buffer);
  }
  RegistryReader key(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion");
  return WithBackslash(key.String("CommonFilesDir", MAX_PATH).value_or(""));
}

// As the library asks: looked up because Windows 95 to XP before SP2 lacks it
// (and runs nothing under WOW64); a failing query counts as WOW64. The
// process is GetCurrentProcess's fixed pseudo-handle, which needs no import.
bool RunsUnderWow64() {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  auto isWow64 = kernel == nullptr ? nullptr : reinterpret_cast<IsWow64ProcessFn>(
      reinterpret_cast<void (*)(void)>(GetProcAddress(kernel, "IsWow64Process")));
  BOOL wow64 = FALSE;
  return isWow64 != nullptr &&
         (!isWow64(reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)), &wow64) || wow64 != FALSE);
}

}  // namespace

Platform CurrentPlatform() {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof info;
  Platform platform;
  if (!GetVersionExA(&info)) return platform;
  platform.id = info.dwPlatformId;
  platform.major = info.dwMajorVersion;
  platform.minor = info.dwMinorVersion;
  platform.build = info.dwBuildNumber & 0xFFFF;
  if (info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) platform.family = Family::kWindows9x;
  if (info.dwPlatformId == VER_PLATFORM_WIN32_NT) platform.family = Family::kNt;
  platform.wow64 = RunsUnderWow64();
  if (platform.wow64) platform.family = Family::kUnsupported;
  return platform;
}

const char* ComponentSetName(const Platform& platform) {
  switch (platform.family) {
    case Family::kWindows9x: return "Windows 9x";
    case Family::kNt: return platform.major >= 5 ? "NT 5 or later" : "NT 4";
    default: return "unsupported";
  }
}

Folders ResolveFolders() {
  Folders folders;
  char buffer[MAX_PATH];
  folders.windows = WithBackslash(GetWindowsDirectoryA(buffer, MAX_PATH) ? buffer : "c:\\");
  folders.system = GetSystemDirectoryA(buffer, MAX_PATH) ? WithBackslash(buffer) : folders.windows;
  folders.drivers = folders.system + "drivers\\";
  // The library reads the recorded folder through a 1024-byte buffer.
  RegistryReader entry(HKEY_LOCAL_MACHINE, kUninstallKey);
  std::string recorded = entry.String("InstallLocation", 1024).value_or("");
  folders.install = recorded.empty() ? CommonFilesFolder() + kSharedFolder : recorded;
  return folders;
}

std::vector<ComponentFile> ComponentFiles(const Platform& platform, const Folders& folders) {
  std::vector<ComponentFile> files;
  if (platform.family == Family::kUnsupported) return files;
  if (platform.family == Family::kNt) {
    files.push_back({"service", "QELC11BA.EXE", 10001, folders.drivers + "QELC11BA.EXE"});
    files.push_back({"kernel driver", "QELC15BA.SYS", 114, folders.drivers + "QELC15BA.SYS"});
  } else {
    files.push_back({"device driver", "QELC11BA.VXD", 102, folders.system + "QELC11BA.VXD"});
  }
  if (platform.family == Family::kWindows9x || platform.major < 5)
    files.push_back({"system library", "ShFolder.dll", 115, folders.system + "ShFolder.dll"});
  files.push_back({"library copy", "QELC14BA.DLL", 0, folders.install + "QELC14BA.DLL"});
  files.push_back({"uninstaller", "QELC13BA.EXE", 112, folders.install + "QELC13BA.EXE"});
  return files;
}

std::string MainDriverPath(const Platform& platform, const Folders& folders) {
  return platform.family == Family::kNt ? folders.drivers + "QELC11BA.EXE"
                                        : folders.system + "QELC11BA.VXD";
}
