// ShFolder.dll for systems whose shell lacks it: SHGetFolderPathA answered by
// the shell library when it has the function.
#include <windows.h>

namespace {
typedef HRESULT(WINAPI* GetFolderPathFn)(HWND, int, HANDLE, DWORD, LPSTR);
}

extern "C" HRESULT WINAPI SHGetFolderPathA(HWND owner, int folder, HANDLE token, DWORD flags,
                                           LPSTR path) {
  HMODULE shell = LoadLibraryA("shell32.dll");
  if (shell == nullptr) return E_FAIL;
  auto forward = reinterpret_cast<GetFolderPathFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(shell, "SHGetFolderPathA")));
  HRESULT result = forward != nullptr ? forward(owner, folder, token, flags, path) : E_NOTIMPL;
  FreeLibrary(shell);
  return result;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
