// Loads the real QelC14BA.dll the way a setup program does and checks what a
// fresh load must report.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

int passed = 0, failed = 0;

void Check(bool ok, const char* what) {
  std::printf("%s: %s\n", ok ? "ok" : "FAILED", what);
  (ok ? passed : failed)++;
}

std::vector<char> ReadWholeFile(const char* path) {
  std::vector<char> bytes;
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  bytes.resize(GetFileSize(file, nullptr));
  DWORD read = 0;
  if (!bytes.empty() && !ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
    bytes.clear();
  CloseHandle(file);
  return bytes;
}

// The resource holds exactly the payload program built beside the DLL.
void CheckPayload(HMODULE dll, WORD id, const char* file) {
  HRSRC resource = FindResourceA(dll, MAKEINTRESOURCEA(id), "BINARY");
  HGLOBAL loaded = resource ? LoadResource(dll, resource) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  DWORD size = resource ? SizeofResource(dll, resource) : 0;
  std::vector<char> expected = ReadWholeFile(file);
  char what[96];
  std::snprintf(what, sizeof what, "BINARY resource %u holds %s", id, file);
  Check(data != nullptr && !expected.empty() && size == expected.size() &&
            std::memcmp(data, expected.data(), size) == 0,
        what);
}

template <typename F>
F Bind(HMODULE module, const char* name) {
  FARPROC p = GetProcAddress(module, name);
  Check(p != nullptr, name);
  return reinterpret_cast<F>(reinterpret_cast<void (*)(void)>(p));
}

}  // namespace

int main() {
  HMODULE dll = LoadLibraryA("QelC14BA.dll");
  Check(dll != nullptr, "LoadLibraryA(\"QelC14BA.dll\")");
  if (dll == nullptr) return 1;

  auto install = Bind<DWORD(WINAPI*)(void)>(dll, "QelSysInstall");
  auto uninstall = Bind<DWORD(WINAPI*)(void)>(dll, "QelSysUnInstall");
  auto lastError = Bind<DWORD(WINAPI*)(void)>(dll, "QelSysGetLastError");
  auto tracked = Bind<DWORD(WINAPI*)(DWORD*)>(dll, "QelSysGetTrackedErrors");
  auto branding = Bind<DWORD(WINAPI*)(DWORD*, char*, DWORD)>(dll, "QelSysGetCurrentBranding");
  auto uninstInit = Bind<DWORD(WINAPI*)(void)>(dll, "UninstInitialize");
  auto uninstUninit = Bind<DWORD(WINAPI*)(void)>(dll, "UninstUnInitialize");
  if (!install || !uninstall || !lastError || !tracked || !branding || !uninstInit ||
      !uninstUninit)
    return 1;

  Check(lastError() == 0, "QelSysGetLastError() is 0 on a fresh load");
  Check(tracked(nullptr) == 0, "QelSysGetTrackedErrors(NULL) is 0 on a fresh load");
  Check(uninstUninit() == 0, "UninstUnInitialize() is 0");

  const char* product = "Lumasett Studio";
  DWORD needed = static_cast<DWORD>(std::strlen(product) + 1);
  DWORD code = 0;
  char name[80];
  std::memset(name, '#', sizeof name);
  Check(branding(&code, nullptr, 0) == needed, "branding reports the size the name needs");
  Check(code == 0xB241A000u, "branding code is 0xB241A000");
  Check(branding(nullptr, name, needed - 1) == needed && name[0] == '#',
        "a buffer one byte short receives nothing");
  Check(branding(nullptr, name, needed) == needed && std::strcmp(name, product) == 0,
        "the product name arrives with its NUL");

  char raw[100];
  Check(LoadStringA(dll, 2, raw, sizeof raw) == 64, "string-table entry 2 is 64 characters long");

  CheckPayload(dll, 102, "QELC11BA.VXD");
  CheckPayload(dll, 112, "QELC13BA.EXE");
  CheckPayload(dll, 114, "QELC15BA.SYS");
  CheckPayload(dll, 115, "ShFolder.dll");
  CheckPayload(dll, 10001, "QELC11BA.EXE");

  std::printf("%d passed, %d failed\n", passed, failed);
  FreeLibrary(dll);
  return failed == 0 ? 0 : 1;
}
