/* Windows Installer custom actions that run QelC14BA.dll from a product's
   MSI package: QelSysInstallAction and QelSysUninstallAction, deferred, with
   the full path of the installed QelC14BA.dll as CustomActionData (see
   QelSys.wxs). Each tracked code goes to the installer's log with its
   advice; a 1001 among them asks for a reboot at the end, whatever the
   answer (a success can need a restart too); any failure other than a
   restart fails the installation. */
#include <windows.h>
#include <msi.h>
#include <msiquery.h>
#include <stdio.h>

#include "qelsys_codes.h"

#define QELSYS_RESTART_NEEDED 1001

typedef DWORD(WINAPI* QelSysCall)(void);
typedef DWORD(WINAPI* QelSysGetTrackedErrorsCall)(DWORD*);

static void Log(MSIHANDLE install, const char* text) {
  MSIHANDLE record = MsiCreateRecord(1);
  if (record == 0) return;
  MsiRecordSetStringA(record, 0, text);
  MsiProcessMessage(install, INSTALLMESSAGE_INFO, record);
  MsiCloseHandle(record);
}

static const char* Advice(DWORD tracked) {
  size_t i;
  for (i = 0; i < sizeof kQelSysCodes / sizeof kQelSysCodes[0]; ++i)
    if (kQelSysCodes[i].tracked == tracked) return kQelSysCodes[i].text;
  return "not in this package's table";
}

/* Returns whether a tracked code asks for a restart. */
static BOOL LogTrackedErrors(MSIHANDLE install, QelSysGetTrackedErrorsCall getTracked) {
  DWORD count = getTracked(NULL);
  DWORD* entries;
  DWORD i;
  BOOL restart = FALSE;
  char line[512];
  if (count == 0) return FALSE;
  entries = (DWORD*)HeapAlloc(GetProcessHeap(), 0, count * sizeof *entries);
  if (entries == NULL) return FALSE;
  count = getTracked(entries);
  for (i = 0; i < count; ++i) {
    _snprintf(line, sizeof line, "QelSys: tracked 0x%08lX: %s", (unsigned long)entries[i],
              Advice(entries[i]));
    line[sizeof line - 1] = '\0';
    Log(install, line);
    if ((entries[i] & 0xFFFF) == QELSYS_RESTART_NEEDED) restart = TRUE;
  }
  HeapFree(GetProcessHeap(), 0, entries);
  return restart;
}

static UINT Run(MSIHANDLE install, const char* exportName) {
  char path[MAX_PATH];
  DWORD size = sizeof path;
  char line[MAX_PATH + 64];
  HMODULE library;
  QelSysCall call, lastError;
  QelSysGetTrackedErrorsCall getTracked;
  DWORD result, code;
  UINT status = ERROR_SUCCESS;

  if (MsiGetPropertyA(install, "CustomActionData", path, &size) != ERROR_SUCCESS || size == 0) {
    Log(install, "QelSys: CustomActionData does not name QelC14BA.dll");
    return ERROR_INSTALL_FAILURE;
  }
  library = LoadLibraryA(path);
  if (library == NULL) {
    _snprintf(line, sizeof line, "QelSys: %s could not be loaded (error %lu)", path,
              (unsigned long)GetLastError());
    line[sizeof line - 1] = '\0';
    Log(install, line);
    return ERROR_INSTALL_FAILURE;
  }
  call = (QelSysCall)(void (*)(void))GetProcAddress(library, exportName);
  lastError = (QelSysCall)(void (*)(void))GetProcAddress(library, "QelSysGetLastError");
  getTracked = (QelSysGetTrackedErrorsCall)(void (*)(void))GetProcAddress(library, "QelSysGetTrackedErrors");
  if (call == NULL || lastError == NULL || getTracked == NULL) {
    Log(install, "QelSys: QelC14BA.dll lacks an export");
    FreeLibrary(library);
    return ERROR_INSTALL_FAILURE;
  }
  result = call();
  code = lastError();
  _snprintf(line, sizeof line, "QelSys: %s returned %lu, code %lu", exportName,
            (unsigned long)result, (unsigned long)code);
  line[sizeof line - 1] = '\0';
  Log(install, line);
  if (LogTrackedErrors(install, getTracked)) MsiSetMode(install, MSIRUNMODE_REBOOTATEND, TRUE);
  if (result != 1 && code != QELSYS_RESTART_NEEDED) status = ERROR_INSTALL_FAILURE;
  FreeLibrary(library);
  return status;
}

/* Immediate, before the uninstall's deferred action: [#QelC14BA.dll] is
   blank once its component is being removed, so the path comes from the
   component's registration. */
UINT WINAPI QelSysFindInstalledDll(MSIHANDLE install) {
  char product[64], component[64], path[MAX_PATH];
  DWORD size = sizeof product;
  MSIHANDLE database, view = 0, record = 0;
  UINT status = ERROR_INSTALL_FAILURE;
  if (MsiGetPropertyA(install, "ProductCode", product, &size) != ERROR_SUCCESS) return status;
  database = MsiGetActiveDatabase(install);
  if (database != 0 &&
      MsiDatabaseOpenViewA(database, "SELECT `Component`.`ComponentId` FROM `Component`, `File` "
                                     "WHERE `File`.`File` = 'QelC14BA.dll' AND "
                                     "`File`.`Component_` = `Component`.`Component`", &view) == ERROR_SUCCESS &&
      MsiViewExecute(view, 0) == ERROR_SUCCESS && MsiViewFetch(view, &record) == ERROR_SUCCESS) {
    size = sizeof component;
    if (MsiRecordGetStringA(record, 1, component, &size) == ERROR_SUCCESS) {
      size = sizeof path;
      if (MsiGetComponentPathA(product, component, path, &size) == INSTALLSTATE_LOCAL &&
          MsiSetPropertyA(install, "QelSysUninstallAction", path) == ERROR_SUCCESS)
        status = ERROR_SUCCESS;
    }
  }
  if (status != ERROR_SUCCESS) Log(install, "QelSys: the installed QelC14BA.dll was not found");
  if (record != 0) MsiCloseHandle(record);
  if (view != 0) MsiCloseHandle(view);
  if (database != 0) MsiCloseHandle(database);
  return status;
}

UINT WINAPI QelSysInstallAction(MSIHANDLE install) { return Run(install, "QelSysInstall"); }

UINT WINAPI QelSysUninstallAction(MSIHANDLE install) { return Run(install, "QelSysUnInstall"); }
