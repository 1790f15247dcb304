/* QelC14BA.dll: install, update and remove the shared system components.
   For hosts written in C or C++; link with the import library. */
#ifndef QELSYS_H
#define QELSYS_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Public codes: what QelSysGetLastError returns, and the low 16 bits of each
   tracked code from QelSysGetTrackedErrors. */
#define QELSYS_OK 0
#define QELSYS_RESTART_NEEDED 1001     /* finished at the next restart */
#define QELSYS_IN_USE 1002             /* a file or service is in use, or another setup runs */
#define QELSYS_NOT_WRITTEN 1003        /* a file could not be written */
#define QELSYS_START_FAILED 1005       /* a driver or service did not start */
#define QELSYS_STOP_FAILED 1006        /* a driver or service did not stop */
#define QELSYS_ACCESS_DENIED 1007      /* Windows refused access */
#define QELSYS_EMPTY_PATH 1008         /* a required path was empty */
#define QELSYS_RESTART_PENDING 1010    /* a restart is pending from an earlier setup */
#define QELSYS_UNSUPPORTED_PLATFORM 1100
#define QELSYS_GENERIC 0xFFFF          /* any other failure */
/* Outcomes reported after a successful call. */
#define QELSYS_WRITTEN 2001            /* replaced at once */
#define QELSYS_CURRENT 2002            /* present and current, left alone */
#define QELSYS_INSTALLED 2003          /* newly installed */
#define QELSYS_REMOVED 2004            /* removed */
#define QELSYS_ACCEPTED 2006           /* not replaced, but the present copy is recent enough */

/* A tracked code is (site << 16) | code: the site names the recording place. */
#define QELSYS_SITE(tracked) ((WORD)(((DWORD)(tracked)) >> 16))
#define QELSYS_CODE(tracked) ((WORD)(((DWORD)(tracked)) & 0xFFFF))

/* 1 when the install succeeded, else 0. */
DWORD WINAPI QelSysInstall(void);
/* 1 when the uninstall succeeded, else 0; the components go with the last product. */
DWORD WINAPI QelSysUnInstall(void);
/* The public code of the last call: its newest outcome after a success, else
   the most important failure (1010, 1001, 1007, 1002, else the newest). */
DWORD WINAPI QelSysGetLastError(void);
/* With NULL: how many failures were tracked. Otherwise writes them, newest
   first, to buffer, which must hold that many; returns how many. */
DWORD WINAPI QelSysGetTrackedErrors(DWORD* buffer);
/* Stores the branding code in *code (when not NULL) and copies the product
   name to name when size is enough; returns the bytes the name needs. */
DWORD WINAPI QelSysGetCurrentBranding(DWORD* code, char* name, DWORD size);
/* For an uninstaller host: runs the uninstall, returns 0. */
DWORD WINAPI UninstInitialize(void);
/* For an uninstaller host: does nothing, returns 0. */
DWORD WINAPI UninstUnInitialize(void);

#ifdef __cplusplus
}
#endif

#endif /* QELSYS_H */
