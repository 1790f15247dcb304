// Our ShFolder.dll against Wine's shell32: the same answers. Wine's shell32
// has SHGetFolderPathA on every personality, so the build that cannot find
// it stands in for Windows 95 and NT 4, whose shell lacks it; that one also
// answers from the shell folders of those, written into keys that stand in
// for HKCU and HKLM in this process.
// Usage: shfolder_check.exe DLL_PATH [own]
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

typedef HRESULT(WINAPI* GetPathA)(HWND, int, HANDLE, DWORD, LPSTR);
typedef HRESULT(WINAPI* GetPathW)(HWND, int, HANDLE, DWORD, LPWSTR);

int failed = 0;

void Check(bool ok, const std::string& what) {
  std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
  if (!ok) ++failed;
}

std::string Answer(int folder, HRESULT result, const std::string& path) {
  char text[MAX_PATH + 48];
  std::snprintf(text, sizeof text, "CSIDL 0x%04X: 0x%08lX \"%s\"", folder,
                static_cast<unsigned long>(result), path.c_str());
  return text;
}

// The A function's answer (asked for the default path) if the W function's
// (asked for the current one) agrees with it.
std::string Ask(HMODULE dll, int folder) {
  char path[MAX_PATH] = "x";
  WCHAR wide[MAX_PATH] = L"x", narrowed[MAX_PATH] = L"";
  auto a = reinterpret_cast<GetPathA>(
      reinterpret_cast<void (*)()>(GetProcAddress(dll, "SHGetFolderPathA")));
  auto w = reinterpret_cast<GetPathW>(
      reinterpret_cast<void (*)()>(GetProcAddress(dll, "SHGetFolderPathW")));
  HRESULT result = a(nullptr, folder, nullptr, 1, path),
          wide_result = w(nullptr, folder, nullptr, 0, wide);
  MultiByteToWideChar(CP_ACP, 0, path, -1, narrowed, MAX_PATH);
  const bool agree =
      wide_result == (result == S_FALSE ? E_FAIL : result) && !lstrcmpW(wide, narrowed);
  return Answer(folder, result, path) + (agree ? "" : " (W differs)");
}

std::string Expand(const std::string& text) {
  char path[MAX_PATH] = "";
  ExpandEnvironmentStringsA(text.c_str(), path, MAX_PATH);
  return path;
}

struct Key {
  HKEY handle = nullptr;
  explicit Key(const std::string& path) {
    RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                    KEY_ALL_ACCESS, nullptr, &handle, nullptr);
  }
  ~Key() { RegCloseKey(handle); }
};

// Windows 95, 95 with user profiles and NT 4: where %W% (Windows), %U% (the
// user), %S% (what 95 shares), %M% (My Documents) and %A% (all users) are.
const char* const kBases[3][5] = {
    {"%windir%", "%windir%", "%windir%", "C:\\My Documents", ""},
    {"%windir%", "%windir%\\Profiles\\qel", "%windir%", "C:\\My Documents", ""},
    {"%SystemRoot%", "%USERPROFILE%", "%USERPROFILE%", "%USERPROFILE%\\Personal",
     "%SystemRoot%\\Profiles\\All Users"}};
// "id layouts key value=answer": the layouts (1: 95, 2: with profiles, 4: NT 4)
// write the value (key u: HKCU's shell folders, m: HKLM's, v: CurrentVersion,
// -: not written) and get the answer; every other id's answer is E_FAIL.
const char* const kRows[] = {
    "02 7u Programs=%U%\\Start Menu\\Programs", "05 7u Personal=%M%",
    "06 7u Favorites=%U%\\Favorites", "07 7u Startup=%U%\\Start Menu\\Programs\\StartUp",
    "08 7u Recent=%U%\\Recent", "09 7u SendTo=%S%\\SendTo", "0B 7u Start Menu=%U%\\Start Menu",
    "10 7u Desktop=%U%\\Desktop", "13 7u NetHood=%U%\\NetHood", "14 7u Fonts=%W%\\Fonts",
    "15 7u Templates=%W%\\ShellNew", "20 7u Cache=%S%\\Temporary Internet Files",
    "21 7u Cookies=%U%\\Cookies", "22 7u History=%U%\\History", "1B 4u PrintHood=%U%\\PrintHood",
    "16 4m Common Start Menu=%A%\\Start Menu", "17 4m Common Programs=%A%\\Start Menu\\Programs",
    "18 4m Common Startup=%A%\\Start Menu\\Programs\\Startup", "19 4m Common Desktop=%A%\\Desktop",
    "1A 4u AppData=%U%\\Application Data", "1A 3- =%windir%\\Application Data",
    "1C 7- =%windir%\\Local Settings\\Application Data",
    "23 7- =%windir%\\All Users\\Application Data", "24 7- =%windir%",
    "25 7- =%windir%\\system32", "26 7v ProgramFilesDir=C:\\Program Files",
    "2B 7v CommonFilesDir=C:\\Program Files\\Common Files"};

void CheckLayouts(HMODULE dll) {
  const std::string version = "Software\\Microsoft\\Windows\\CurrentVersion";
  SetEnvironmentVariableA("USERPROFILE", Expand("%windir%\\Profiles\\qel").c_str());
  for (int layout = 0; layout < 3; ++layout) {
    const bool nt = layout == 2;
    const std::string root = "Software\\qel-shfolder-" + std::to_string(layout) + "\\",
                      shell = nt ? "\\Explorer\\User Shell Folders" : "\\Explorer\\Shell Folders";
    std::string answers[0x31];  // by id; empty for E_FAIL
    for (int i = 0; i < 5; ++i)
      SetEnvironmentVariableA(std::string(1, "WUSMA"[i]).c_str(), kBases[layout][i]);
    for (const char* row : kRows) {
      const char *key = std::strchr(row, ' ') + 2, *equals = std::strchr(row, '=');
      if (((key[-1] - '0') >> layout & 1) == 0) continue;
      const std::string& answer = answers[std::stoi(row, nullptr, 16)] =
          Expand(Expand(equals + 1));
      if (*key == '-') continue;
      const std::string data = nt ? Expand(equals + 1) : answer;
      Key written(root + (*key == 'u' ? "cu\\" : "lm\\") + version + (*key == 'v' ? "" : shell));
      RegSetValueExA(written.handle, std::string(key + 2, equals).c_str(), 0,
                     nt && *key != 'v' ? REG_EXPAND_SZ : REG_SZ,
                     reinterpret_cast<const BYTE*>(data.c_str()), data.size() + 1);
    }
    Key cu(root + "cu"), lm(root + "lm");
    RegOverridePredefKey(HKEY_CURRENT_USER, cu.handle);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, lm.handle);
    // Every id: unverified, to see the path, or where there is none, asked to make it.
    for (int id : {2, 5, 6, 7, 8, 9, 0xB, 0xD, 0x10, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19,
                   0x1A, 0x1B, 0x1C, 0x1F, 0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x2B,
                   0x2D, 0x2E, 0x2F, 0x30}) {
      const int folder = id | (answers[id].empty() ? 0x8000 : 0x4000);
      const std::string mine = Ask(dll, folder),
                        expected = Answer(folder, answers[id].empty() ? E_FAIL : S_OK, answers[id]);
      Check(!lstrcmpiA(mine.c_str(), expected.c_str()),
            "layout " + std::to_string(layout) + ", " + mine);
    }
    // The common data folder is not there until CSIDL_FLAG_CREATE makes it.
    const std::string& common = answers[0x23];
    Check(Ask(dll, 0x23) == Answer(0x23, S_FALSE, "") &&
              Ask(dll, 0x8023) == Answer(0x8023, S_OK, common) &&
              GetFileAttributesA(common.c_str()) == FILE_ATTRIBUTE_DIRECTORY,
          "CSIDL_COMMON_APPDATA is absent (S_FALSE; E_FAIL from W), then made with its parent");
    RemoveDirectoryA(common.c_str());
    RemoveDirectoryA(common.substr(0, common.rfind('\\')).c_str());
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  // Wine would hand out its builtin shfolder.dll for that name, so the
  // copy that is loaded has a name of its own, per process: both checks
  // share one prefix and may run at once.
  char copy[MAX_PATH];
  GetTempPathA(MAX_PATH - 40, copy);
  std::snprintf(copy + lstrlenA(copy), 40, "qel-shfolder-check-%lu.dll", GetCurrentProcessId());
  HMODULE ours = CopyFileA(argv[1], copy, FALSE) ? LoadLibraryA(copy) : nullptr;
  HMODULE shell = LoadLibraryA("shell32.dll");
  auto exports = [](HMODULE dll) {
    return dll && GetProcAddress(dll, "SHGetFolderPathA") &&
           GetProcAddress(dll, "SHGetFolderPathW");
  };
  Check(exports(ours), std::string("loaded a copy of ") + argv[1]);
  if (!exports(ours) || !exports(shell)) return 1;
  // Windows, system, program files, common files, the per-user and common
  // data folders, with the create and do-not-verify flags, and unknown ids.
  for (int id : {0x24, 0x25, 0x26, 0x2B, 0x1A, 0x1C, 0x23, 0x05, 0x19, 0x8024, 0x801A, 0x4026, 0x7E,
                 0x807E}) {
    const std::string mine = Ask(ours, id), theirs = Ask(shell, id);
    const bool same = !lstrcmpiA(mine.c_str(), theirs.c_str());
    Check(same, mine + (same ? "" : " vs " + theirs));
  }
  if (argc > 2 && lstrcmpA(argv[2], "own") == 0) CheckLayouts(ours);
  FreeLibrary(ours);
  DeleteFileA(copy);
  std::printf("%s\n", failed == 0 ? "all passed" : "FAILURES");
  return failed == 0 ? 0 : 1;
}
