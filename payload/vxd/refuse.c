/* Where a Windows opens "\\.\QELC11BA" by loading QELC11BA.VXD as a module
   (Wine's Windows 9x personalities do), the stand-in refuses to load, as a
   real Windows 9x refuses a file that is no VxD: the open fails and the file
   stays free to be replaced or deleted. */
#include <windows.h>

BOOL WINAPI QelVxdRefuse(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance;
  (void)reserved;
  return reason != DLL_PROCESS_ATTACH;
}
