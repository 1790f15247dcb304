#include "platform/security_attributes.h"

#include <cstring>

SecurityAttributes::SecurityAttributes() {
  std::memset(&descriptor, 0, sizeof descriptor);
  attributes.nLength = sizeof attributes;
  attributes.lpSecurityDescriptor = &descriptor;
  attributes.bInheritHandle = TRUE;
  // Without a descriptor the attributes are still handed out, zero-filled.
  if (NtOnly::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION))
    NtOnly::SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
}
