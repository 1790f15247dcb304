/* Links QelC14BA.dll through the installed package and asks what needs no
   change to the machine: the branding and the state of a fresh load. */
#include <stdio.h>

#include "qelsys.h"

int main(void) {
  DWORD code = 0;
  char name[64] = "";
  DWORD needed = QelSysGetCurrentBranding(&code, name, sizeof name);
  DWORD last = QelSysGetLastError();
  DWORD tracked = QelSysGetTrackedErrors(NULL);
  printf("branding 0x%08lX \"%s\", last error %lu, tracked %lu\n", (unsigned long)code, name,
         (unsigned long)last, (unsigned long)tracked);
  return needed > 1 && needed <= sizeof name && last == QELSYS_OK && tracked == 0 ? 0 : 1;
}
