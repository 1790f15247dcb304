#include "last_run_store.h"

#include <windows.h>

#include <cstdio>

#include "owned_handles.h"
#include "registry_reader.h"

const char kLastRunKey[] = "Software\\QelSys\\LastRun";

namespace {

bool SetString(HKEY key, const char* name, const std::string& value) {
  return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

bool SetDword(HKEY key, const char* name, DWORD value) {
  return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                        sizeof value) == ERROR_SUCCESS;
}

}  // namespace

bool SaveLastRun(const LastRun& run) {
  // A fresh key each time: a write that stops half-way leaves a record that
  // reads as damaged, never this run's result with the last run's codes.
  RegDeleteKeyA(HKEY_CURRENT_USER, kLastRunKey);
  HKEY created = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kLastRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                      &created, nullptr) != ERROR_SUCCESS)
    return false;
  OwnedKey key(created);
  const BYTE* entries = run.tracked.empty() ? nullptr : reinterpret_cast<const BYTE*>(run.tracked.data());
  bool ok = SetString(key.Get(), "Command", run.command) && SetString(key.Get(), "Time", run.time) &&
            SetString(key.Get(), "Library", run.library) &&
            SetDword(key.Get(), "Result", run.result) && SetDword(key.Get(), "LastError", run.lastError) &&
            RegSetValueExA(key.Get(), "TrackedErrors", 0, REG_BINARY, entries,
                           static_cast<DWORD>(run.tracked.size() * sizeof(DWORD))) == ERROR_SUCCESS;
  return ok;
}

std::optional<LastRun> LoadLastRun() {
  RegistryReader key(HKEY_CURRENT_USER, kLastRunKey);
  if (!key.IsOpen() || key.ValueNames().empty()) return std::nullopt;
  LastRun run;
  std::optional<std::string> command = key.String("Command");
  std::optional<DWORD> result = key.Dword("Result");
  std::optional<DWORD> lastError = key.Dword("LastError");
  std::optional<std::vector<BYTE>> tracked = key.Bytes("TrackedErrors", REG_BINARY);
  std::optional<std::string> time = key.String("Time");
  std::optional<std::string> library = key.String("Library");
  if (!command || (*command != "install" && *command != "uninstall") || !result || !lastError ||
      !tracked || tracked->size() % sizeof(DWORD) != 0 || !time || !library) {
    run.damaged = true;
    return run;
  }
  run.command = *command;
  run.result = *result;
  run.lastError = *lastError;
  run.time = *time;
  run.library = *library;
  run.tracked.resize(tracked->size() / sizeof(DWORD));
  if (!run.tracked.empty()) CopyMemory(run.tracked.data(), tracked->data(), tracked->size());
  return run;
}

// ISO 8601 with the offset from UTC, so that a record read on another
// machine or after a change of zone still says when it was.
std::string LocalTimeText() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  char text[40];
  int length = std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u", now.wYear,
                             now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
  TIME_ZONE_INFORMATION zone;
  LONG bias = 0;  // minutes to add to local time for UTC
  switch (GetTimeZoneInformation(&zone)) {
    case TIME_ZONE_ID_STANDARD: bias = zone.Bias + zone.StandardBias; break;
    case TIME_ZONE_ID_DAYLIGHT: bias = zone.Bias + zone.DaylightBias; break;
    case TIME_ZONE_ID_UNKNOWN: bias = zone.Bias; break;
    default: return text;  // an unknown offset is left out, not guessed as UTC
  }
  LONG offset = bias < 0 ? -bias : bias;
  std::snprintf(text + length, sizeof text - length, "%c%02ld:%02ld", bias > 0 ? '-' : '+',
                static_cast<long>(offset / 60), static_cast<long>(offset % 60));
  return text;
}
