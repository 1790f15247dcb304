/* A host in C that links QelC14BA.dll through its import library and the
   public header, as setup programs do; the link itself checks every export's
   name and calling convention. */
#include <stdio.h>
#include <string.h>

#include "qelsys.h"

int main(void) {
  DWORD code = 0;
  char name[64];
  DWORD needed = QelSysGetCurrentBranding(&code, name, sizeof name);
  int ok = needed == strlen(name) + 1 && code == 0xB241A000u && QelSysGetLastError() == 0 &&
           QelSysGetTrackedErrors(NULL) == 0 && UninstUnInitialize() == 0 &&
           QELSYS_SITE(0x011503E9u) == 0x115 && QELSYS_CODE(0x011503E9u) == QELSYS_RESTART_NEEDED;
  /* Only bound, not run: running them would change the machine. */
  DWORD(WINAPI * volatile bound[])(void) = {QelSysInstall, QelSysUnInstall, UninstInitialize};
  ok = ok && bound[0] != NULL && bound[1] != NULL && bound[2] != NULL;
  printf("%s: %s, code 0x%08lX\n", ok ? "ok" : "FAILED", name, (unsigned long)code);
  return ok ? 0 : 1;
}
