// What a stretch of simulated Windows calls cost: calls by kind, writes, bytes
// written and read, and the virtual time spent waiting. Counts come from the
// simulation's call log; byte counts and handle kinds, which the log does not
// carry, come from the interposed functions in call_meter.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace bench {

enum class Kind { File, Registry, Service, Pipe, Device, Other };
constexpr int kKindCount = 6;
const char* KindName(Kind kind);

struct Tally {
  uint64_t calls[kKindCount] = {};
  uint64_t totalCalls = 0;
  uint64_t fileWrites = 0;      // calls that change the file system
  uint64_t fileBytes = 0;       // payload bytes written to files
  uint64_t registryWrites = 0;  // values set or deleted, keys created or deleted
  uint64_t registryBytes = 0;   // value bytes set
  uint64_t readBytes = 0;       // bytes ReadFile handed back
  uint64_t waitMs = 0;          // virtual clock advance
  uint64_t sleeps = 0;
  std::map<std::string, uint64_t> functions;
  // "function detail" of every registry write, in order.
  std::vector<std::string> registryWriteList;
  // "function detail" of every file write, in order.
  std::vector<std::string> fileWriteList;
};

// Marks the start of a measured stretch: the log position and the clock.
void BeginMeasure();
// Tallies everything logged since BeginMeasure.
Tally EndMeasure();

// "function detail" of every call since BeginMeasure, in order.
std::vector<std::string> MeasuredCalls();

// Whether the interposed functions are the ones the library image calls
// (checked by a call made through the image's own lookup).
bool InterposersActive();

}  // namespace bench
