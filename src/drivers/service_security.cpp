#include "drivers/service_security.h"

namespace {

constexpr DWORD kDescriptorBufferSize = 512;
constexpr DWORD kControlRights = SERVICE_START | SERVICE_STOP | SERVICE_PAUSE_CONTINUE;
constexpr DWORD kConfigRights = SERVICE_CHANGE_CONFIG | SERVICE_QUERY_STATUS;

}  // namespace

bool GrantServiceControl(SC_HANDLE service) {
  if (service == nullptr) return false;
  alignas(8) BYTE current[kDescriptorBufferSize];
  DWORD needed = 0;
  if (!NtOnly::QueryServiceObjectSecurity(service, DACL_SECURITY_INFORMATION, current,
                                          sizeof current, &needed))
    return false;
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  if (!NtOnly::GetSecurityDescriptorDacl(current, &present, &dacl, &defaulted) || !present ||
      dacl == nullptr)
    return false;
  ACL_SIZE_INFORMATION size = {};
  if (!NtOnly::GetAclInformation(dacl, &size, sizeof size, AclSizeInformation)) return false;
  for (DWORD i = 0; i < size.AceCount; ++i) {
    LPVOID ace = nullptr;
    if (!NtOnly::GetAce(dacl, i, &ace)) return false;
    if (static_cast<ACE_HEADER*>(ace)->AceType == ACCESS_ALLOWED_ACE_TYPE)
      static_cast<ACCESS_ALLOWED_ACE*>(ace)->Mask |= kControlRights | kConfigRights;
  }
  alignas(8) BYTE widened[kDescriptorBufferSize];
  if (!NtOnly::InitializeSecurityDescriptor(widened, SECURITY_DESCRIPTOR_REVISION) ||
      !NtOnly::SetSecurityDescriptorDacl(widened, TRUE, dacl, FALSE))
    return false;
  return NtOnly::SetServiceObjectSecurity(service, DACL_SECURITY_INFORMATION, widened) != FALSE;
}
