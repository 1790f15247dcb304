#include "platform/registry_key.h"

#include <cstring>

#include "core/process_objects.h"
#include "platform/scoped_library.h"

namespace {

const REGSAM kReadAccess = 0x20019;      // KEY_READ
const REGSAM kFullAccess = 0xF003F;      // KEY_ALL_ACCESS

typedef BOOL(WINAPI* AllocateAndInitializeSidFn)(PSID_IDENTIFIER_AUTHORITY, BYTE, DWORD, DWORD,
                                                 DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, PSID*);
typedef PVOID(WINAPI* FreeSidFn)(PSID);
typedef DWORD(WINAPI* SetEntriesInAclFn)(ULONG, PEXPLICIT_ACCESS_A, PACL, PACL*);
typedef BOOL(WINAPI* InitializeSecurityDescriptorFn)(PSECURITY_DESCRIPTOR, DWORD);
typedef BOOL(WINAPI* SetSecurityDescriptorDaclFn)(PSECURITY_DESCRIPTOR, BOOL, PACL, BOOL);

String JoinPath(const char* parent, const char* subkey) {
  String path(parent);
  if (!EndsWithBackslash(path)) path.Append('\\');
  path.Append(subkey);
  return path;
}

}  // namespace

RegistryKey::RegistryKey(const char* path, bool createIfMissing, HKEY root)
    : path_(path), hasPath_(path != nullptr), root_(root), createIfMissing_(createIfMissing) {}

RegistryKey::RegistryKey(const RegistryKey& parent, const char* subkey, bool createIfMissing)
    : path_(JoinPath(parent.path_.CStr(), subkey)),
      hasPath_(true),
      root_(parent.root_),
      createIfMissing_(createIfMissing) {}

RegistryKey::~RegistryKey() { Close(); }

void RegistryKey::Close() {
  if (handle_ != nullptr) RegCloseKey(handle_);
  handle_ = nullptr;
}

HKEY RegistryKey::Open(bool readOnly) {
  if (handle_ != nullptr && openReadOnly_ == readOnly) return handle_;
  Close();
  openReadOnly_ = readOnly;
  if (!hasPath_) return nullptr;
  LONG result =
      RegOpenKeyExA(root_, path_.CStr(), 0, readOnly ? kReadAccess : kFullAccess, &handle_);
  openResult_ = result;
  if (result != ERROR_SUCCESS) handle_ = nullptr;
  if (result != ERROR_FILE_NOT_FOUND || !createIfMissing_) return handle_;
  // A created key is opened with full access whichever access was asked for.
  if (!CurrentOsVersion().IsNt()) {
    if (RegCreateKeyExA(root_, path_.CStr(), 0, nullptr, 0, kFullAccess, nullptr, &handle_,
                        nullptr) != ERROR_SUCCESS)
      handle_ = nullptr;
    return handle_;
  }
  handle_ = CreateWithOpenAccessList();
  return handle_;
}

HKEY RegistryKey::CreateWithOpenAccessList() {
  ScopedLibrary advapi("AdvAPI32.DLL");
  auto allocateSid = advapi.Find<AllocateAndInitializeSidFn>("AllocateAndInitializeSid");
  auto freeSid = advapi.Find<FreeSidFn>("FreeSid");
  auto setEntries = advapi.Find<SetEntriesInAclFn>("SetEntriesInAcl");
  if (setEntries == nullptr) setEntries = advapi.Find<SetEntriesInAclFn>("SetEntriesInAclA");
  auto initDescriptor = advapi.Find<InitializeSecurityDescriptorFn>("InitializeSecurityDescriptor");
  auto setDacl = advapi.Find<SetSecurityDescriptorDaclFn>("SetSecurityDescriptorDacl");
  if (!allocateSid || !freeSid || !setEntries || !initDescriptor || !setDacl) return nullptr;

  // Everyone: the world authority with the single sub-authority 0.
  SID_IDENTIFIER_AUTHORITY world = {{0, 0, 0, 0, 0, 1}};
  PSID everyone = nullptr;
  allocateSid(&world, 1, 0, 0, 0, 0, 0, 0, 0, 0, &everyone);

  EXPLICIT_ACCESS_A access;
  std::memset(&access, 0, sizeof access);
  access.grfAccessPermissions = kFullAccess;
  access.grfAccessMode = SET_ACCESS;
  access.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
  access.Trustee.pMultipleTrustee = nullptr;
  access.Trustee.MultipleTrusteeOperation = NO_MULTIPLE_TRUSTEE;
  access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
  access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
  access.Trustee.ptstrName = static_cast<LPSTR>(everyone);

  PACL acl = nullptr;
  setEntries(1, &access, nullptr, &acl);

  SECURITY_DESCRIPTOR descriptor;
  std::memset(&descriptor, 0, sizeof descriptor);
  initDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
  setDacl(&descriptor, TRUE, acl, FALSE);

  SECURITY_ATTRIBUTES attributes;
  attributes.nLength = sizeof attributes;
  attributes.lpSecurityDescriptor = &descriptor;
  attributes.bInheritHandle = TRUE;

  HKEY created = nullptr;
  if (RegCreateKeyExA(root_, path_.CStr(), 0, nullptr, 0, kFullAccess, &attributes, &created,
                      nullptr) != ERROR_SUCCESS)
    created = nullptr;
  if (everyone != nullptr) freeSid(everyone);
  if (acl != nullptr) LocalFree(acl);
  return created;
}

bool RegistryKey::ReadString(const char* name, char* buffer, DWORD size) {
  if (name == nullptr || buffer == nullptr) return false;
  std::memset(buffer, 0, size);
  DWORD type = 0;
  DWORD length = size;
  LONG result = RegQueryValueExA(Open(true), name, nullptr, &type,
                                 reinterpret_cast<LPBYTE>(buffer), &length);
  return result == ERROR_SUCCESS && type == REG_SZ;
}

bool RegistryKey::ReadString(const char* name, String& value) {
  if (name == nullptr) return false;
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExA(Open(true), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return false;
  char* buffer = value.GetBuffer(static_cast<size_t>(size) + 1);
  if (buffer == nullptr) return false;
  bool read = ReadString(name, buffer, size + 2);
  value.ReleaseBuffer();
  return read;
}

bool RegistryKey::WriteString(const char* name, const char* text) {
  if (name == nullptr || text == nullptr) return false;
  return RegSetValueExA(Open(false), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                        static_cast<DWORD>(std::strlen(text) + 1)) == ERROR_SUCCESS;
}

bool RegistryKey::ReadDword(const char* name, DWORD* value) {
  if (name == nullptr || value == nullptr) return false;
  DWORD type = 0;
  DWORD size = sizeof(DWORD);
  LONG result =
      RegQueryValueExA(Open(true), name, nullptr, &type, reinterpret_cast<LPBYTE>(value), &size);
  return result == ERROR_SUCCESS && type == REG_DWORD;
}

bool RegistryKey::WriteDword(const char* name, DWORD value) {
  if (name == nullptr) return false;
  return RegSetValueExA(Open(false), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                        sizeof value) == ERROR_SUCCESS;
}

bool RegistryKey::ReadMultiString(const char* name, std::unique_ptr<char[]>* buffer, DWORD* size) {
  if (name == nullptr || buffer == nullptr) return false;
  DWORD type = 0;
  DWORD length = 0;
  LONG result = RegQueryValueExA(Open(true), name, nullptr, &type, nullptr, &length);
  if (result == ERROR_SUCCESS && type == REG_MULTI_SZ && length > 0) {
    buffer->reset(new char[length + 1]);
    (*buffer)[length] = '\0';
    DWORD expected = length;
    result = RegQueryValueExA(Open(true), name, nullptr, &type,
                              reinterpret_cast<LPBYTE>(buffer->get()), &length);
    if (length > expected) length = expected;  // a value that grew meanwhile is not read past
  }
  if (size != nullptr) *size = length;
  return result == ERROR_SUCCESS && type == REG_MULTI_SZ;
}

bool RegistryKey::WriteMultiString(const char* name, const char* data, DWORD size) {
  if (name == nullptr) return false;
  return RegSetValueExA(Open(false), name, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data),
                        size) == ERROR_SUCCESS;
}

bool RegistryKey::DeleteValue(const char* name) {
  if (name == nullptr) return false;
  return RegDeleteValueA(Open(false), name) == ERROR_SUCCESS;
}

bool RegistryKey::DeleteKey() {
  for (;;) {
    if (Open(false) == nullptr) return false;
    long cut = LastBackslash(path_.CStr());
    if (cut < 0) return false;
    if (static_cast<size_t>(cut) + 1 < path_.Length()) {
      Close();
      String name(path_.CStr() + cut + 1);
      String parent(path_.CStr());
      char* text = parent.GetBuffer();
      text[cut] = '\0';
      parent.ReleaseBuffer();
      path_ = parent;
      bool deleted = RegDeleteKeyA(Open(false), name.CStr()) == ERROR_SUCCESS;
      Close();
      return deleted;
    }
    // A trailing "\" names the same key: drop it and look again.
    char* text = path_.GetBuffer();
    text[cut] = '\0';
    path_.ReleaseBuffer();
  }
}
