// --fail N[:FUNCTION]=ERROR: which traced call of the library to fail, and how.
#pragma once

#include <string>

struct FaultPlan {
  unsigned nth = 0;      // 0: no fault
  std::string function;  // empty: the Nth traced call of any function
  unsigned long error = 0;
};

// False when `text` is not of the form N[:FUNCTION]=ERROR with N from 1.
bool ParseFaultPlan(const std::string& text, FaultPlan* plan);
