// Finds, in the library's sources, every (site, code) pair it can record:
// calls of RecordFailure and RecordOutcome, and of every helper that passes a
// parameter on to them, with sites written as hexadecimal literals, chosen by
// a conditional, or held in a variable set from a function that returns them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SourceFile {
  std::string name;
  std::string text;
};

struct RecordingPlace {
  uint16_t site;
  uint16_t code;
  bool outcome;       // RecordOutcome rather than RecordFailure
  std::string where;  // file:line of the site literal
};

struct HexLiteral {
  uint32_t value;
  std::string where;
};

struct ScanResult {
  std::vector<RecordingPlace> places;
  // Recording calls whose site or code the scan could not follow.
  std::vector<std::string> problems;
  // Every hexadecimal literal of two or three digits outside comments and
  // strings: a site recorded in a way the scan does not know shows up here.
  std::vector<HexLiteral> siteLikeLiterals;
};

ScanResult ScanRecordingPlaces(const std::vector<SourceFile>& files);
