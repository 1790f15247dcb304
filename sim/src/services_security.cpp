// Service access lists in their binary Windows form: security identifiers,
// access lists, self-relative and absolute security descriptors.
#include <cstring>

#include "services.h"

using namespace sim::detail;

namespace {

void Put16(std::vector<uint8_t>& out, size_t at, uint16_t v) {
  out[at] = static_cast<uint8_t>(v);
  out[at + 1] = static_cast<uint8_t>(v >> 8);
}

void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t Get32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

// "S-1-5-32-544" as revision, count, 48-bit authority and sub-authorities.
std::vector<uint8_t> SidBytes(const std::string& text) {
  std::vector<uint64_t> parts;
  size_t at = 2;  // after "S-"
  while (at <= text.size()) {
    size_t dash = text.find('-', at);
    if (dash == std::string::npos) dash = text.size();
    parts.push_back(std::stoull(text.substr(at, dash - at)));
    at = dash + 1;
  }
  size_t subs = parts.size() - 2;
  std::vector<uint8_t> sid(8 + 4 * subs, 0);
  sid[0] = static_cast<uint8_t>(parts[0]);
  sid[1] = static_cast<uint8_t>(subs);
  for (int i = 0; i < 6; ++i) sid[2 + i] = static_cast<uint8_t>(parts[1] >> (8 * (5 - i)));
  for (size_t i = 0; i < subs; ++i) Put32(sid, 8 + 4 * i, static_cast<uint32_t>(parts[2 + i]));
  return sid;
}

// The SID at p in text form, or "" when it does not fit in `room` bytes.
std::string SidText(const uint8_t* p, size_t room) {
  if (room < 8 || room < 8u + 4u * p[1]) return std::string();
  uint64_t authority = 0;
  for (int i = 0; i < 6; ++i) authority = (authority << 8) | p[2 + i];
  std::string text = "S-" + std::to_string(p[0]) + "-" + std::to_string(authority);
  for (int i = 0; i < p[1]; ++i) text += "-" + std::to_string(Get32(p + 8 + 4 * i));
  return text;
}

std::vector<uint8_t> AclBytes(const std::vector<sim::ServiceAce>& aces) {
  std::vector<uint8_t> acl(sizeof(ACL), 0);
  for (const sim::ServiceAce& ace : aces) {
    std::vector<uint8_t> sid = SidBytes(ace.trustee);
    size_t at = acl.size();
    acl.resize(at + 8 + sid.size(), 0);
    acl[at] = ace.type;
    Put16(acl, at + 2, static_cast<uint16_t>(8 + sid.size()));
    Put32(acl, at + 4, ace.mask);
    std::memcpy(&acl[at + 8], sid.data(), sid.size());
  }
  acl[0] = ACL_REVISION;
  Put16(acl, 2, static_cast<uint16_t>(acl.size()));
  Put16(acl, 4, static_cast<uint16_t>(aces.size()));
  return acl;
}

// Walks the ACEs of an access list; false when one does not fit.
template <typename Visit>
bool WalkAces(const ACL* acl, Visit visit) {
  const auto* base = reinterpret_cast<const uint8_t*>(acl);
  size_t size = Get16(base + 2), at = sizeof(ACL);
  if (size < sizeof(ACL)) return false;
  for (unsigned i = 0; i < Get16(base + 4); ++i) {
    if (at + 4 > size) return false;
    size_t aceSize = Get16(base + at + 2);
    if (aceSize < 4 || at + aceSize > size) return false;
    if (!visit(i, base + at, aceSize)) return true;
    at += aceSize;
  }
  return true;
}

bool ParseAcl(const ACL* acl, std::vector<sim::ServiceAce>* aces) {
  bool wellFormed = true;
  bool fits = WalkAces(acl, [&](unsigned, const uint8_t* ace, size_t size) {
    std::string trustee = size >= 16 ? SidText(ace + 8, size - 8) : std::string();
    if (trustee.empty()) return wellFormed = false;
    aces->push_back(sim::ServiceAce{ace[0], Get32(ace + 4), trustee});
    return true;
  });
  return fits && wellFormed;
}

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

// The DACL of either form of descriptor.
bool DaclOf(PSECURITY_DESCRIPTOR descriptor, bool* present, PACL* dacl, bool* defaulted) {
  const auto* relative = static_cast<const SECURITY_DESCRIPTOR_RELATIVE*>(descriptor);
  if (relative->Revision != SECURITY_DESCRIPTOR_REVISION) return false;
  *present = (relative->Control & SE_DACL_PRESENT) != 0;
  *defaulted = (relative->Control & SE_DACL_DEFAULTED) != 0;
  if (relative->Control & SE_SELF_RELATIVE) {
    *dacl = relative->Dacl == 0 ? nullptr
                                : reinterpret_cast<PACL>(static_cast<uint8_t*>(descriptor) +
                                                         relative->Dacl);
  } else {
    *dacl = static_cast<SECURITY_DESCRIPTOR*>(descriptor)->Dacl;
  }
  if (!*present) *dacl = nullptr;
  return true;
}

}  // namespace

extern "C" {

BOOL WINAPI QueryServiceObjectSecurity(SC_HANDLE service, SECURITY_INFORMATION information,
                                       PSECURITY_DESCRIPTOR descriptor, DWORD bufSize,
                                       LPDWORD bytesNeeded) {
  if (Enter("QueryServiceObjectSecurity", NameOf(service))) return FALSE;
  ServiceRecord* s = ServiceFor(service, READ_CONTROL);
  if (s == nullptr) return FALSE;
  if (bytesNeeded == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  bool withDacl = (information & DACL_SECURITY_INFORMATION) != 0;
  std::vector<uint8_t> acl = withDacl && !s->nullDacl ? AclBytes(s->dacl) : std::vector<uint8_t>();
  std::vector<uint8_t> out(sizeof(SECURITY_DESCRIPTOR_RELATIVE), 0);
  out[0] = SECURITY_DESCRIPTOR_REVISION;
  Put16(out, 2, static_cast<uint16_t>(SE_SELF_RELATIVE | (withDacl ? SE_DACL_PRESENT : 0)));
  if (!acl.empty()) {
    Put32(out, 16, static_cast<uint32_t>(out.size()));
    out.insert(out.end(), acl.begin(), acl.end());
  }
  *bytesNeeded = static_cast<DWORD>(out.size());
  if (descriptor == nullptr || bufSize < out.size()) return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::memcpy(descriptor, out.data(), out.size());
  return TRUE;
}

BOOL WINAPI SetServiceObjectSecurity(SC_HANDLE service, SECURITY_INFORMATION information,
                                     PSECURITY_DESCRIPTOR descriptor) {
  if (Enter("SetServiceObjectSecurity", NameOf(service))) return FALSE;
  DWORD rights = (information & DACL_SECURITY_INFORMATION) ? WRITE_DAC : 0;
  ServiceRecord* s = ServiceFor(service, rights);
  if (s == nullptr) return FALSE;
  if (descriptor == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  bool present = false, defaulted = false;
  PACL dacl = nullptr;
  if (!DaclOf(descriptor, &present, &dacl, &defaulted)) return Fail(ERROR_INVALID_SECURITY_DESCR);
  if (!(information & DACL_SECURITY_INFORMATION)) return TRUE;
  if (dacl == nullptr) {
    s->nullDacl = true;  // no list: everyone may do everything
    s->dacl.clear();
    return TRUE;
  }
  std::vector<sim::ServiceAce> aces;
  if (!ParseAcl(dacl, &aces)) return Fail(ERROR_INVALID_ACL);
  s->nullDacl = false;
  s->dacl = aces;
  return TRUE;
}

BOOL WINAPI GetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR descriptor, LPBOOL daclPresent,
                                      PACL* dacl, LPBOOL daclDefaulted) {
  if (Enter("GetSecurityDescriptorDacl")) return FALSE;
  if (descriptor == nullptr || daclPresent == nullptr || dacl == nullptr || daclDefaulted == nullptr)
    return Fail(ERROR_INVALID_PARAMETER);
  bool present = false, defaulted = false;
  PACL found = nullptr;
  if (!DaclOf(descriptor, &present, &found, &defaulted)) return Fail(ERROR_UNKNOWN_REVISION);
  *daclPresent = present ? TRUE : FALSE;
  *daclDefaulted = defaulted ? TRUE : FALSE;
  if (present) *dacl = found;  // Windows leaves the list pointer alone when there is none
  return TRUE;
}

BOOL WINAPI GetAclInformation(PACL acl, LPVOID information, DWORD length,
                              ACL_INFORMATION_CLASS informationClass) {
  if (Enter("GetAclInformation")) return FALSE;
  if (acl == nullptr || information == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (informationClass == AclRevisionInformation) {
    if (length < sizeof(DWORD)) return Fail(ERROR_INSUFFICIENT_BUFFER);
    DWORD revision = acl->AclRevision;
    std::memcpy(information, &revision, sizeof revision);
    return TRUE;
  }
  if (informationClass != AclSizeInformation) return Fail(ERROR_INVALID_PARAMETER);
  if (length < sizeof(ACL_SIZE_INFORMATION)) return Fail(ERROR_INSUFFICIENT_BUFFER);
  DWORD inUse = sizeof(ACL);
  if (!WalkAces(acl, [&](unsigned, const uint8_t*, size_t size) {
        inUse += static_cast<DWORD>(size);
        return true;
      }))
    return Fail(ERROR_INVALID_ACL);
  ACL_SIZE_INFORMATION size{acl->AceCount, inUse, acl->AclSize - inUse};
  std::memcpy(information, &size, sizeof size);
  return TRUE;
}

BOOL WINAPI GetAce(PACL acl, DWORD index, LPVOID* ace) {
  if (Enter("GetAce", std::to_string(index))) return FALSE;
  if (acl == nullptr || ace == nullptr || index >= acl->AceCount)
    return Fail(ERROR_INVALID_PARAMETER);
  const uint8_t* found = nullptr;
  WalkAces(acl, [&](unsigned i, const uint8_t* at, size_t) {
    if (i == index) found = at;
    return found == nullptr;
  });
  if (found == nullptr) return Fail(ERROR_INVALID_ACL);
  *ace = const_cast<uint8_t*>(found);
  return TRUE;
}

}  // extern "C"
