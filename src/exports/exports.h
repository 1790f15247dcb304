// The library's exported functions.
#pragma once

#include "platform/win_api.h"

extern "C" {
DWORD WINAPI QelSysInstall(void);
DWORD WINAPI QelSysUnInstall(void);
DWORD WINAPI QelSysGetLastError(void);
DWORD WINAPI QelSysGetTrackedErrors(DWORD* buffer);
DWORD WINAPI QelSysGetCurrentBranding(DWORD* code, char* name, DWORD size);
DWORD WINAPI UninstInitialize(void);
DWORD WINAPI UninstUnInitialize(void);
}
