#include "core/tracked_error_list.h"

#include "core/process_objects.h"

bool TrackedErrorList::TrackError(uint32_t value, bool result) {
  if (value == kGenericCode) return result;  // site 0 marks no recording place
  entries_.push_front(value);
  ++count_;
  return result;
}

uint32_t TrackedErrorList::NewestCode() const {
  return entries_.empty() ? 0 : (entries_.front() & 0xFFFF);
}

uint32_t TrackedErrorList::PublicCode() const {
  // A code that asks for a restart or reports a denial outweighs any newer one.
  for (uint32_t code : {kRestartPending, kRestartNeeded, kAccessDenied, kInUse})
    if (HasCode(code)) return code;
  return NewestCode();
}

bool TrackedErrorList::HasCode(uint32_t code) const {
  for (uint32_t entry : entries_)
    if ((entry & 0xFFFF) == code) return true;
  return false;
}

void TrackedErrorList::ReplaceCode(uint32_t oldCode, uint32_t newCode) {
  for (uint32_t& entry : entries_)
    if ((entry & 0xFFFF) == oldCode) entry = (entry & 0xFFFF0000u) | (newCode & 0xFFFF);
}

void TrackedErrorList::ClearIfAutoClear() {
  if (!autoClear_) return;
  entries_.clear();
  count_ = 0;
}

uint32_t TrackedErrorList::CopyTo(DWORD* buffer) const {
  uint32_t n = 0;
  for (uint32_t entry : entries_) buffer[n++] = entry;
  return n;
}

bool RecordFailure(uint16_t site, uint16_t code) {
  return FailureList().TrackError(TrackedCode(site, code), false);
}

bool RecordOutcome(uint16_t site, uint16_t code) {
  return OutcomeList().TrackError(TrackedCode(site, code), true);
}
