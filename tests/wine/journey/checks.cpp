#include "checks.h"

#include <cstdio>

bool Checks::That(bool ok, const std::string& what) {
  std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
  std::fflush(stdout);
  (ok ? passed_ : failed_)++;
  return ok;
}

bool Checks::Equal(const std::string& actual, const std::string& expected,
                   const std::string& what) {
  if (actual == expected) return That(true, what);
  return That(false, what + ": expected \"" + expected + "\", got \"" + actual + "\"");
}

bool Checks::Equal(unsigned long actual, unsigned long expected, const std::string& what) {
  if (actual == expected) return That(true, what);
  return That(false,
              what + ": expected " + std::to_string(expected) + ", got " + std::to_string(actual));
}

bool Checks::EqualCodes(const std::vector<DWORD>& actual, const std::vector<DWORD>& expected,
                        const std::string& what) {
  return Equal(CodesText(actual), CodesText(expected), what);
}

std::string CodesText(const std::vector<DWORD>& codes) {
  std::string text = "[";
  for (size_t i = 0; i < codes.size(); ++i) {
    char entry[32];
    std::snprintf(entry, sizeof entry, "%s0x%lX/%lu", i ? " " : "",
                  static_cast<unsigned long>(codes[i] >> 16),
                  static_cast<unsigned long>(codes[i] & 0xFFFF));
    text += entry;
  }
  return text + "]";
}
