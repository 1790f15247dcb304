#pragma once

#include "platform/string.h"

// Restart-time file operations: WININIT.INI's [rename] section on Windows 9x,
// MoveFileExA's pending renames on NT.

// "WININIT.INI" in the Windows folder.
String WininitPath();

// Moves source to target at the next restart, or deletes source when target
// is null. A failure of the platform call goes unnoticed; false only on a
// platform that is neither Windows 9x nor NT.
bool ScheduleMoveAtRestart(const char* source, const char* target);

// Drop the pending operations that would move, delete or replace the file at
// either path; staged replacement files are deleted too. With onlyLook
// nothing changes. True when any operation concerned the file.
bool CancelWininitRenames(const String& targetPath, const String& installPath, bool onlyLook);
bool CancelPendingFileRenames(const String& targetPath, const String& installPath, bool onlyLook);
