#pragma once

#include "platform/win_api.h"

// File work is retried: 12 writes and 100 ms between attempts.
constexpr int kWriteAttempts = 12;
constexpr DWORD kRetryPause = 100;

// Clears the read-only, hidden and system attributes.
bool MakeWritable(const char* path);

// Calls attempt up to `times` times, pausing between calls, until it succeeds.
template <typename Attempt>
bool RetryWithPauses(int times, Attempt attempt) {
  for (int i = 0; i < times; ++i) {
    if (i > 0) Sleep(kRetryPause);
    if (attempt()) return true;
  }
  return false;
}

// Writes the module's resource to path in one write; the open is retried.
// Records nothing.
bool ExtractResourceToFile(HMODULE module, const char* moduleName, WORD id, const char* type,
                           const char* path);

// Creates every folder on the path to a file, ignoring what already exists.
void CreateParentFolders(const char* path);

// Removes the folder (its text ends in "\") and then its parents, for as
// long as each is empty.
void RemoveEmptyFolders(const char* folder);
