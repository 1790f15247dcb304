#include "builtin_table.h"

#include <cstdio>

extern const char kTrackedCodesText[];  // generated from the data file at build time

const TrackedCodeTable& BuiltInTable() {
  static const TrackedCodeTable table = [] {
    TrackedCodeTable parsed;
    std::string error;
    if (!parsed.Parse(kTrackedCodesText, &error))
      std::fprintf(stderr, "qelsys: the built-in decoding table is broken: %s\n", error.c_str());
    return parsed;
  }();
  return table;
}
