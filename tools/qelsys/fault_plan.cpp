#include "fault_plan.h"

#include <cstdlib>

namespace {

// A clean error code: decimal without a leading zero (no octal surprise), or
// 0x and up to eight hex digits; 0 would read as a call that succeeded.
bool ParseErrorCode(const std::string& text, unsigned long* code) {
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const std::string digits = hex ? text.substr(2) : text;
  if (digits.empty() || digits.size() > (hex ? 8u : 10u)) return false;
  if (digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789") != std::string::npos)
    return false;
  if (!hex && digits[0] == '0') return false;
  unsigned long long value = 0;
  for (char c : digits)
    value = value * (hex ? 16 : 10) + (c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
  if (value == 0 || value > 0xFFFFFFFFull) return false;
  *code = static_cast<unsigned long>(value);
  return true;
}

}  // namespace

bool ParseFaultPlan(const std::string& text, FaultPlan* plan) {
  size_t equals = text.find('=');
  if (equals == std::string::npos) return false;
  std::string head = text.substr(0, equals);
  size_t colon = head.find(':');
  std::string nth = head.substr(0, colon);
  plan->function = colon == std::string::npos ? std::string() : head.substr(colon + 1);
  if (colon != std::string::npos && plan->function.empty()) return false;
  if (nth.empty() || nth.size() > 9 || nth.find_first_not_of("0123456789") != std::string::npos) return false;
  plan->nth = static_cast<unsigned>(std::strtoul(nth.c_str(), nullptr, 10));
  return plan->nth > 0 && ParseErrorCode(text.substr(equals + 1), &plan->error);
}
