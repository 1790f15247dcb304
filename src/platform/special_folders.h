#pragma once

#include "platform/string.h"

// The folders that path macros stand for, found once when the library loads.
// Every folder ends with "\" and none is empty.
class SpecialFolders {
 public:
  SpecialFolders();
  virtual ~SpecialFolders() = default;
  SpecialFolders(const SpecialFolders&) = delete;
  SpecialFolders& operator=(const SpecialFolders&) = delete;

  // The folder a macro name stands for (compared without regard to case), or null.
  const String* Lookup(const char* macroName) const;

  String windows;
  String system;
  String drivers;
  String current;
  String programFiles;
  String commonFiles;
};
