#pragma once

#include <cstdint>
#include <list>

#include "platform/win_api.h"

// Public codes carried in the low 16 bits of a tracked code.
enum : uint16_t {
  kRestartNeeded = 1001,
  kInUse = 1002,
  kNotWritten = 1003,
  kStartFailed = 1005,
  kStopFailed = 1006,
  kAccessDenied = 1007,
  kEmptyPath = 1008,
  kRestartPending = 1010,
  kUnsupportedPlatform = 1100,
  kOutcomeWritten = 2001,
  kOutcomeCurrent = 2002,
  kOutcomeInstalled = 2003,
  kOutcomeRemoved = 2004,
  kOutcomeAccepted = 2006,
  kGenericCode = 0xFFFF,
};

constexpr uint32_t TrackedCode(uint16_t site, uint16_t code) {
  return (static_cast<uint32_t>(site) << 16) | code;
}

class TrackedErrorList {
 public:
  TrackedErrorList() = default;
  virtual ~TrackedErrorList() = default;
  TrackedErrorList(const TrackedErrorList&) = delete;
  TrackedErrorList& operator=(const TrackedErrorList&) = delete;

  bool TrackError(uint32_t value, bool result);
  uint32_t NewestCode() const;
  uint32_t PublicCode() const;
  bool HasCode(uint32_t code) const;
  void ReplaceCode(uint32_t oldCode, uint32_t newCode);
  void ClearIfAutoClear();
  uint32_t Count() const { return count_; }
  // Writes every entry, newest first; returns how many.
  uint32_t CopyTo(DWORD* buffer) const;

 private:
  std::list<uint32_t> entries_;  // newest first
  uint32_t count_ = 0;
  bool autoClear_ = true;
};

// Records a failure in FailureList; returns false so a failing operation can end with it.
bool RecordFailure(uint16_t site, uint16_t code);
// Records a component outcome in OutcomeList; returns true.
bool RecordOutcome(uint16_t site, uint16_t code);
