#pragma once

#include "platform/win_api.h"

// Attributes whose descriptor has a present but null access list, so that
// every account can open the object created with them.
class SecurityAttributes {
 public:
  SecurityAttributes();
  virtual ~SecurityAttributes() = default;
  SecurityAttributes(const SecurityAttributes&) = delete;
  SecurityAttributes& operator=(const SecurityAttributes&) = delete;

  SECURITY_ATTRIBUTES* Attributes() { return &attributes; }

  SECURITY_DESCRIPTOR descriptor;
  SECURITY_ATTRIBUTES attributes;
};
