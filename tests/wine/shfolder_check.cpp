// Our ShFolder.dll against Wine's shell32: the same answers. Wine's shell32
// has SHGetFolderPathA on every personality, so the build that cannot find
// it stands in for Windows 95 and NT 4, whose shell lacks it.
// Usage: shfolder_check.exe DLL_PATH [own]
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

typedef HRESULT(WINAPI* GetPathA)(HWND, int, HANDLE, DWORD, LPSTR);
typedef HRESULT(WINAPI* GetPathW)(HWND, int, HANDLE, DWORD, LPWSTR);

int failed = 0;

void Check(bool ok, const std::string& what) {
  std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
  if (!ok) ++failed;
}

template <typename F>
F Bind(HMODULE module, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

std::string Answer(HRESULT result, const char* path) {
  char text[MAX_PATH + 32];
  std::snprintf(text, sizeof text, "0x%08lX \"%s\"", static_cast<unsigned long>(result), path);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const bool own = argc > 2 && lstrcmpA(argv[2], "own") == 0;
  // Wine would hand out its builtin shfolder.dll for that name, so the
  // copy that is loaded has a name of its own, per process: both checks
  // share one prefix and may run at once.
  char copy[MAX_PATH];
  GetTempPathA(MAX_PATH - 40, copy);
  std::snprintf(copy + lstrlenA(copy), 40, "qel-shfolder-check-%lu.dll", GetCurrentProcessId());
  HMODULE ours = CopyFileA(argv[1], copy, FALSE) ? LoadLibraryA(copy) : nullptr;
  Check(ours != nullptr, std::string("loaded a copy of ") + argv[1]);
  HMODULE shell = LoadLibraryA("shell32.dll");
  auto oursA = Bind<GetPathA>(ours, "SHGetFolderPathA");
  auto oursW = Bind<GetPathW>(ours, "SHGetFolderPathW");
  auto shellA = Bind<GetPathA>(shell, "SHGetFolderPathA");
  auto shellW = Bind<GetPathW>(shell, "SHGetFolderPathW");
  if (!oursA || !oursW || !shellA || !shellW) return 1;

  // Windows, system, program files, common files, the per-user and common
  // data folders, with the create and do-not-verify flags, and unknown ids.
  const int ids[] = {0x24, 0x25, 0x26, 0x2B, 0x1A, 0x1C, 0x23, 0x05, 0x19,
                     0x8024, 0x801A, 0x4026, 0x7E, 0x807E};
  for (int id : ids) {
    char mine[MAX_PATH] = "x", theirs[MAX_PATH] = "y", what[32];
    HRESULT a = oursA(nullptr, id, nullptr, 0, mine), b = shellA(nullptr, id, nullptr, 0, theirs);
    const bool same = a == b && lstrcmpiA(mine, theirs) == 0;
    std::snprintf(what, sizeof what, "CSIDL 0x%04X: ", id);
    Check(same, what + Answer(a, mine) + (same ? "" : " vs " + Answer(b, theirs)));
  }
  char path[MAX_PATH] = "x";
  Check(oursA(nullptr, 0x7E, nullptr, 0, path) == E_INVALIDARG && path[0] == '\0',
        "an unknown id is E_INVALIDARG with an empty path");
  for (int id : {0x24, 0x1A}) {
    WCHAR mine[MAX_PATH] = L"x", theirs[MAX_PATH] = L"y";
    Check(oursW(nullptr, id, nullptr, 0, mine) == shellW(nullptr, id, nullptr, 0, theirs) &&
              lstrcmpiW(mine, theirs) == 0,
          "SHGetFolderPathW answers as the shell's");
  }

  // Its own answers for a folder that is not there yet: the profile moved to
  // a fresh folder (Wine's shell32 keeps the profile it started with).
  if (own) {
    const char* folders[] = {"C:\\qel shfolder check\\AppData\\Roaming",
                             "C:\\qel shfolder check\\AppData", "C:\\qel shfolder check"};
    for (const char* folder : folders) RemoveDirectoryA(folder);
    SetEnvironmentVariableA("USERPROFILE", folders[2]);
    char mine[MAX_PATH] = "x";
    WCHAR wide[MAX_PATH] = L"x";
    Check(oursA(nullptr, 0x1A, nullptr, 0, mine) == S_FALSE && mine[0] == '\0',
          "an absent folder is S_FALSE with an empty path");
    Check(oursW(nullptr, 0x1A, nullptr, 0, wide) == E_FAIL && wide[0] == L'\0',
          "and E_FAIL from SHGetFolderPathW");
    HRESULT created = oursA(nullptr, 0x801A, nullptr, 0, mine);
    Check(created == S_OK && lstrcmpiA(mine, folders[0]) == 0 &&
              GetFileAttributesA(folders[0]) == FILE_ATTRIBUTE_DIRECTORY,
          "CSIDL_FLAG_CREATE makes it with its parents: " + Answer(created, mine));
    for (const char* folder : folders) RemoveDirectoryA(folder);
  }
  FreeLibrary(ours);
  DeleteFileA(copy);
  std::printf("%s\n", failed == 0 ? "all passed" : "FAILURES");
  return failed == 0 ? 0 : 1;
}
