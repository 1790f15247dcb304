// What the public codes (the low 16 bits of a tracked code) mean.
#pragma once

#include <cstdint>

struct PublicCode {
  uint16_t code;
  const char* name;     // the QELSYS_ macro of qelsys.h, without the prefix
  const char* meaning;  // one sentence for a reader
};

// The entry of a public code, or null for a number that is none.
const PublicCode* FindPublicCode(uint16_t code);
