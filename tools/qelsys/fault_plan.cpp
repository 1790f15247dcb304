#include "fault_plan.h"

#include <cstdlib>

bool ParseFaultPlan(const std::string& text, FaultPlan* plan) {
  size_t equals = text.find('=');
  if (equals == std::string::npos) return false;
  std::string head = text.substr(0, equals);
  std::string error = text.substr(equals + 1);
  size_t colon = head.find(':');
  std::string nth = head.substr(0, colon);
  plan->function = colon == std::string::npos ? std::string() : head.substr(colon + 1);
  if (colon != std::string::npos && plan->function.empty()) return false;
  if (nth.empty() || nth.size() > 9 || nth.find_first_not_of("0123456789") != std::string::npos) return false;
  plan->nth = static_cast<unsigned>(std::strtoul(nth.c_str(), nullptr, 10));
  char* end = nullptr;
  plan->error = std::strtoul(error.c_str(), &end, 0);
  return plan->nth > 0 && !error.empty() && *end == '\0';
}
