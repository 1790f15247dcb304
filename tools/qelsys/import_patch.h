// Points the import address table entries of a loaded module at other
// functions, and puts them back.
#pragma once

#include <windows.h>

#include <vector>

// The function to put in place of an import, or null to leave it; `real` is
// what the entry holds now.
using ImportReplacement = void* (*)(const char* function, void* real);

class ImportPatches {
 public:
  ImportPatches() = default;
  ImportPatches(const ImportPatches&) = delete;
  ImportPatches& operator=(const ImportPatches&) = delete;
  ~ImportPatches() { Restore(); }

  // Walks the by-name imports of `module`; false when its headers are not
  // those of a PE image or an entry could not be made writable.
  bool Apply(HMODULE module, ImportReplacement replacement);
  void Restore();
  size_t Count() const { return slots_.size(); }

 private:
  struct Slot {
    void** entry;
    void* original;
  };
  std::vector<Slot> slots_;
};
