// Records the checks of one phase: each prints one line, "ok: ..." or
// "FAILED: ..." with what was expected and what was found.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class Checks {
 public:
  bool That(bool ok, const std::string& what);
  bool Equal(const std::string& actual, const std::string& expected, const std::string& what);
  bool Equal(unsigned long actual, unsigned long expected, const std::string& what);
  // Tracked codes, (site << 16) | code, newest first.
  bool EqualCodes(const std::vector<DWORD>& actual, const std::vector<DWORD>& expected,
                  const std::string& what);

  int Failed() const { return failed_; }
  int Passed() const { return passed_; }

 private:
  int passed_ = 0;
  int failed_ = 0;
};

// (site << 16) | code, as the library tracks it.
constexpr DWORD Tracked(DWORD site, DWORD code) { return (site << 16) | code; }
std::string CodesText(const std::vector<DWORD>& codes);
