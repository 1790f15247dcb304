#include <cstring>

#include "machine.h"

extern "C" {

BOOL WINAPI InitializeSecurityDescriptor(PSECURITY_DESCRIPTOR descriptor, DWORD revision) {
  if (sim::detail::Enter("InitializeSecurityDescriptor")) return FALSE;
  if (revision != SECURITY_DESCRIPTOR_REVISION) {
    SetLastError(ERROR_UNKNOWN_REVISION);
    return FALSE;
  }
  auto* sd = static_cast<SECURITY_DESCRIPTOR*>(descriptor);
  std::memset(sd, 0, sizeof *sd);
  sd->Revision = SECURITY_DESCRIPTOR_REVISION;
  return TRUE;
}

BOOL WINAPI SetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR descriptor, BOOL daclPresent, PACL dacl,
                                      BOOL daclDefaulted) {
  if (sim::detail::Enter("SetSecurityDescriptorDacl")) return FALSE;
  auto* sd = static_cast<SECURITY_DESCRIPTOR*>(descriptor);
  if (sd->Revision != SECURITY_DESCRIPTOR_REVISION) {
    SetLastError(ERROR_UNKNOWN_REVISION);
    return FALSE;
  }
  sd->Control &= static_cast<WORD>(~(SE_DACL_PRESENT | SE_DACL_DEFAULTED));
  if (daclPresent) {
    sd->Control |= SE_DACL_PRESENT;
    sd->Dacl = dacl;
    if (daclDefaulted) sd->Control |= SE_DACL_DEFAULTED;
  } else {
    sd->Dacl = nullptr;
  }
  return TRUE;
}

}  // extern "C"
