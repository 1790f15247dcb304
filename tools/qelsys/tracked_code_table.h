// The decoding table of every place where the library records a tracked code,
// read from its tab-separated text (data/tracked_codes.tsv).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TrackedCodeRow {
  uint16_t site = 0;
  uint16_t code = 0;
  bool outcome = false;  // recorded in the outcome list, never returned as a failure
  std::string operation;
  std::string action;
  std::string condition;
  std::string advice;
};

// A tracked code as QelSysGetTrackedErrors returns it, with the row that explains it.
struct DecodedCode {
  uint16_t site = 0;
  uint16_t code = 0;
  const TrackedCodeRow* row = nullptr;  // null when no row matches
  // Set when a transaction rewrote the recorded code: the row is that of the
  // code first recorded, and this says what the rewrite means.
  const char* rewrite = nullptr;
};

class TrackedCodeTable {
 public:
  // Reads the table; on a malformed or repeated row returns false and names
  // the line in *error.
  bool Parse(const std::string& text, std::string* error);

  const std::vector<TrackedCodeRow>& Rows() const { return rows_; }
  const TrackedCodeRow* Find(uint16_t site, uint16_t code) const;
  DecodedCode Decode(uint32_t tracked) const;

 private:
  std::vector<TrackedCodeRow> rows_;
};
