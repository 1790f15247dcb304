#include "components/restart_operations.h"

#include "components/ini_document.h"
#include "core/process_objects.h"
#include "platform/win_api.h"

String WininitPath() {
  char folder[260] = {};
  UINT length = GetWindowsDirectoryA(folder, sizeof folder);
  if (length == 0 || length >= sizeof folder) folder[0] = '\0';
  String path(folder);
  if (!EndsWithBackslash(path)) path += '\\';
  path += "WININIT.INI";
  return path;
}

bool ScheduleMoveAtRestart(const char* source, const char* target) {
  const OsVersion& os = CurrentOsVersion();
  // A move that Windows did not record would be reported as waiting for a
  // restart that never does it.
  if (os.IsNt())
    return MoveFileExA(source, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
  if (os.IsWin9x()) {
    String path = WininitPath();
    IniDocument wininit;
    wininit.Load(path.CStr());
    wininit.FindOrAddSection("rename")->AddEntry(target != nullptr ? target : "NUL", source);
    return wininit.Save(path.CStr());
  }
  return RecordFailure(0x2F7, kGenericCode);
}

bool CancelWininitRenames(const String& targetPath, const String& installPath, bool onlyLook) {
  String path = WininitPath();
  IniDocument wininit;
  wininit.Load(path.CStr());
  IniSection* rename = wininit.FindSection("rename");
  if (rename == nullptr || rename->Entries().empty()) return false;
  auto isOurs = [&](const char* text) {
    return EqualNoCase(text, targetPath.CStr()) || EqualNoCase(text, installPath.CStr());
  };
  bool found = false;
  for (const auto& entry : rename->Entries()) {
    if (entry->Key() == nullptr || entry->Value() == nullptr) continue;
    if (isOurs(entry->Value())) {
      entry->Clear();  // would move or delete our file
      found = true;
    } else if (isOurs(entry->Key())) {
      if (!onlyLook) DeleteFileA(entry->Value());  // the staged replacement
      entry->Clear();
      found = true;
    }
  }
  if (found && !onlyLook) wininit.Save(path.CStr());
  return found;
}
