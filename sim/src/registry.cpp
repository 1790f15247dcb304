#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <memory>

#include "machine.h"

namespace sim::detail {
namespace {

struct NoCaseLess {
  bool operator()(const std::string& a, const std::string& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
      return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
    });
  }
};

struct Key {
  std::string name;
  std::map<std::string, std::shared_ptr<Key>, NoCaseLess> subkeys;
  std::map<std::string, std::pair<std::string, RegistryValue>, NoCaseLess> values;  // name as written
  std::vector<AccessEntry> access;
  bool denyRead = false;
  bool denyWrite = false;
  bool deleted = false;
};

struct OpenKey {
  std::shared_ptr<Key> key;
  REGSAM access;
};

struct Registry {
  std::shared_ptr<Key> localMachine = std::make_shared<Key>();
  std::map<uintptr_t, OpenKey> handles;
  uintptr_t nextHandle = 0x2000;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

std::vector<std::string> Split(const std::string& path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t cut = path.find('\\', start);
    if (cut == std::string::npos) cut = path.size();
    if (cut > start) parts.push_back(path.substr(start, cut - start));
    start = cut + 1;
  }
  return parts;
}

std::shared_ptr<Key> Find(const std::shared_ptr<Key>& from, const std::string& path) {
  std::shared_ptr<Key> key = from;
  for (const std::string& part : Split(path)) {
    auto it = key->subkeys.find(part);
    if (it == key->subkeys.end()) return nullptr;
    key = it->second;
  }
  return key;
}

// Registry functions return their error and leave the thread's last error
// alone; an injected fault does the same.
bool Faulted(const char* function, const std::string& detail, LONG* error) {
  DWORD before = GetLastError();
  if (!Enter(function, detail)) return false;
  *error = static_cast<LONG>(GetLastError());
  SetLastError(before);
  return true;
}

// Denial set on a key reaches everything below it; Windows 9x has no
// registry security, so nothing is denied there.
bool Denied(const std::shared_ptr<Key>& from, const std::string& path, bool write) {
  if (TheMachine().version.dwPlatformId != VER_PLATFORM_WIN32_NT) return false;
  std::shared_ptr<Key> key = from;
  if ((write ? key->denyWrite : key->denyRead)) return true;
  for (const std::string& part : Split(path)) {
    auto it = key->subkeys.find(part);
    if (it == key->subkeys.end()) return false;
    key = it->second;
    if ((write ? key->denyWrite : key->denyRead)) return true;
  }
  return false;
}

std::shared_ptr<Key> Create(const std::string& path, const std::vector<AccessEntry>& access) {
  std::shared_ptr<Key> key = TheRegistry().localMachine;
  for (const std::string& part : Split(path)) {
    auto& slot = key->subkeys[part];
    if (!slot) {
      slot = std::make_shared<Key>();
      slot->name = part;
      slot->access = access;
      slot->denyRead = key->denyRead;
      slot->denyWrite = key->denyWrite;
    }
    key = slot;
  }
  return key;
}

void MarkDeleted(Key& key) {
  key.deleted = true;
  for (auto& [name, sub] : key.subkeys) MarkDeleted(*sub);
}

// A handle names an open key, or HKEY_LOCAL_MACHINE itself.
OpenKey* Resolve(HKEY handle, LONG* error) {
  static OpenKey root;
  if (handle == HKEY_LOCAL_MACHINE) {
    root = OpenKey{TheRegistry().localMachine, KEY_ALL_ACCESS};
    return &root;
  }
  auto it = TheRegistry().handles.find(reinterpret_cast<uintptr_t>(handle));
  if (it == TheRegistry().handles.end()) {
    *error = ERROR_INVALID_HANDLE;
    return nullptr;
  }
  if (it->second.key->deleted) {
    *error = ERROR_KEY_DELETED;
    return nullptr;
  }
  return &it->second;
}

HKEY NewHandle(std::shared_ptr<Key> key, REGSAM access) {
  Registry& r = TheRegistry();
  uintptr_t value = r.nextHandle;
  r.nextHandle += 4;
  r.handles[value] = OpenKey{std::move(key), access};
  return reinterpret_cast<HKEY>(value);
}

bool WantsWrite(REGSAM access) {
  return (access & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY | DELETE)) != 0;
}

// Access lists made by SetEntriesInAclA: an ACL header followed by our record.
struct SimAcl {
  ACL header;
  std::vector<AccessEntry> entries;
};
struct SimSid {
  BYTE revision;
  BYTE count;
  SID_IDENTIFIER_AUTHORITY authority;
  DWORD sub[8];
};
int liveSecurity = 0;

std::string SidText(const SimSid* sid) {
  uint64_t authority = 0;
  for (BYTE b : sid->authority.Value) authority = (authority << 8) | b;
  std::string text = "S-1-" + std::to_string(authority);
  for (int i = 0; i < sid->count; ++i) text += "-" + std::to_string(sid->sub[i]);
  return text;
}

struct ShellFolders {
  std::string programFiles = "C:\\Program Files";
  std::string commonFiles = "C:\\Program Files\\Common Files";
} shellFolders;

void Clear() {
  Registry& r = TheRegistry();
  r.localMachine = std::make_shared<Key>();
  r.handles.clear();
  liveSecurity = 0;
  shellFolders = ShellFolders{};
  SetRegistryString("Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir",
                    "C:\\Program Files");
  SetRegistryString("Software\\Microsoft\\Windows\\CurrentVersion", "CommonFilesDir",
                    "C:\\Program Files\\Common Files");
  AddBuiltinModule("AdvAPI32.DLL",
                   {{"AllocateAndInitializeSid", AsExport(&AllocateAndInitializeSid)},
                    {"FreeSid", AsExport(&FreeSid)},
                    {"SetEntriesInAclA", AsExport(&SetEntriesInAclA)},
                    {"InitializeSecurityDescriptor",
                     AsExport(&InitializeSecurityDescriptor)},
                    {"SetSecurityDescriptorDacl", AsExport(&SetSecurityDescriptorDacl)},
                    {"OpenSCManagerA", AsExport(&OpenSCManagerA)},
                    {"OpenServiceA", AsExport(&OpenServiceA)},
                    {"CreateServiceA", AsExport(&CreateServiceA)},
                    {"ChangeServiceConfigA", AsExport(&ChangeServiceConfigA)},
                    {"QueryServiceConfigA", AsExport(&QueryServiceConfigA)},
                    {"QueryServiceStatus", AsExport(&QueryServiceStatus)},
                    {"ControlService", AsExport(&ControlService)},
                    {"StartServiceA", AsExport(&StartServiceA)},
                    {"DeleteService", AsExport(&DeleteService)},
                    {"CloseServiceHandle", AsExport(&CloseServiceHandle)},
                    {"QueryServiceObjectSecurity", AsExport(&QueryServiceObjectSecurity)},
                    {"SetServiceObjectSecurity", AsExport(&SetServiceObjectSecurity)},
                    {"GetSecurityDescriptorDacl", AsExport(&GetSecurityDescriptorDacl)},
                    {"GetAclInformation", AsExport(&GetAclInformation)},
                    {"GetAce", AsExport(&GetAce)}});
  // Loaded with the library, which imports its registry functions.
  FindModule("AdvAPI32.DLL")->system = true;
  AddBuiltinModule("shfolder.dll",
                   {{"SHGetFolderPathA", AsExport(&SHGetFolderPathA)}});
}
ResetHook hook{&Clear};

}  // namespace
}  // namespace sim::detail

namespace sim {

using namespace detail;

void CreateRegistryKey(const std::string& path) { Create(path, {}); }

bool RegistryKeyExists(const std::string& path) {
  return Find(TheRegistry().localMachine, path) != nullptr;
}

void DeleteRegistryTree(const std::string& path) {
  std::vector<std::string> parts = Split(path);
  if (parts.empty()) return;
  std::string last = parts.back();
  parts.pop_back();
  std::string parentPath;
  for (const std::string& p : parts) parentPath += p + "\\";
  std::shared_ptr<Key> parent = Find(TheRegistry().localMachine, parentPath);
  if (!parent) return;
  auto it = parent->subkeys.find(last);
  if (it == parent->subkeys.end()) return;
  MarkDeleted(*it->second);
  parent->subkeys.erase(it);
}

std::vector<std::string> RegistrySubkeys(const std::string& path) {
  std::vector<std::string> names;
  if (std::shared_ptr<Key> key = Find(TheRegistry().localMachine, path))
    for (auto& [name, sub] : key->subkeys) names.push_back(sub->name);
  return names;
}

std::vector<std::string> RegistryValueNames(const std::string& path) {
  std::vector<std::string> names;
  if (std::shared_ptr<Key> key = Find(TheRegistry().localMachine, path))
    for (auto& [folded, value] : key->values) names.push_back(value.first);
  return names;
}

void SetRegistryValue(const std::string& path, const std::string& name, DWORD type,
                      const std::vector<uint8_t>& data) {
  Create(path, {})->values[name] = {name, RegistryValue{type, data}};
}

void SetRegistryString(const std::string& path, const std::string& name, const std::string& text,
                       DWORD type) {
  std::vector<uint8_t> data(text.begin(), text.end());
  data.push_back(0);
  SetRegistryValue(path, name, type, data);
}

void SetRegistryDword(const std::string& path, const std::string& name, DWORD value) {
  std::vector<uint8_t> data(4);
  std::memcpy(data.data(), &value, 4);
  SetRegistryValue(path, name, REG_DWORD, data);
}

std::optional<RegistryValue> GetRegistryValue(const std::string& path, const std::string& name) {
  std::shared_ptr<Key> key = Find(TheRegistry().localMachine, path);
  if (!key) return std::nullopt;
  auto it = key->values.find(name);
  if (it == key->values.end()) return std::nullopt;
  return it->second.second;
}

std::optional<std::string> GetRegistryString(const std::string& path, const std::string& name) {
  std::optional<RegistryValue> v = GetRegistryValue(path, name);
  if (!v) return std::nullopt;
  std::string text(v->data.begin(), v->data.end());
  return text.substr(0, text.find('\0'));
}

std::optional<DWORD> GetRegistryDword(const std::string& path, const std::string& name) {
  std::optional<RegistryValue> v = GetRegistryValue(path, name);
  if (!v || v->data.size() != 4) return std::nullopt;
  DWORD value;
  std::memcpy(&value, v->data.data(), 4);
  return value;
}

void DenyRegistryAccess(const std::string& path, bool read, bool write) {
  std::shared_ptr<Key> key = Create(path, {});
  key->denyRead = read;
  key->denyWrite = write;
}

std::vector<AccessEntry> RegistryKeyAccess(const std::string& path) {
  std::shared_ptr<Key> key = Find(TheRegistry().localMachine, path);
  return key ? key->access : std::vector<AccessEntry>{};
}

int LiveSecurityAllocations() { return liveSecurity; }

size_t OpenRegistryKeyCount() { return TheRegistry().handles.size(); }

void SetShellFolders(const std::string& programFiles, const std::string& commonFiles) {
  shellFolders.programFiles = programFiles;
  shellFolders.commonFiles = commonFiles;
}

}  // namespace sim

using namespace sim;
using namespace sim::detail;

extern "C" {

LONG WINAPI RegOpenKeyExA(HKEY handle, LPCSTR subKey, DWORD, REGSAM desired, PHKEY result) {
  if (LONG fault = 0; Faulted("RegOpenKeyExA", subKey ? subKey : "", &fault)) return fault;
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  LONG error = ERROR_SUCCESS;
  OpenKey* from = Resolve(handle, &error);
  if (from == nullptr) return error;
  std::string path = subKey ? subKey : "";
  std::shared_ptr<Key> key = Find(from->key, path);
  if (!key) return ERROR_FILE_NOT_FOUND;
  if (Denied(from->key, path, false) || (WantsWrite(desired) && Denied(from->key, path, true)))
    return ERROR_ACCESS_DENIED;
  *result = NewHandle(key, desired);
  return ERROR_SUCCESS;
}

LONG WINAPI RegCreateKeyExA(HKEY handle, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM desired,
                            LPSECURITY_ATTRIBUTES attributes, PHKEY result, LPDWORD disposition) {
  if (LONG fault = 0; Faulted("RegCreateKeyExA", subKey ? subKey : "", &fault)) return fault;
  if (result == nullptr || subKey == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  LONG error = ERROR_SUCCESS;
  OpenKey* from = Resolve(handle, &error);
  if (from == nullptr) return error;
  std::shared_ptr<Key> existing = Find(from->key, subKey);
  if (Denied(from->key, subKey, true)) return ERROR_ACCESS_DENIED;
  std::vector<AccessEntry> access;
  if (attributes != nullptr && attributes->lpSecurityDescriptor != nullptr) {
    auto* sd = static_cast<SECURITY_DESCRIPTOR*>(attributes->lpSecurityDescriptor);
    if ((sd->Control & SE_DACL_PRESENT) && sd->Dacl != nullptr)
      access = reinterpret_cast<SimAcl*>(sd->Dacl)->entries;
  }
  std::shared_ptr<Key> key = existing;
  if (!key) {
    // Created below the handle's key: walk from the registry root by name.
    key = from->key;
    for (const std::string& part : Split(subKey)) {
      auto& slot = key->subkeys[part];
      if (!slot) {
        slot = std::make_shared<Key>();
        slot->name = part;
        slot->access = access;
      }
      key = slot;
    }
  }
  if (disposition != nullptr) *disposition = existing ? 2 : 1;  // REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY
  *result = NewHandle(key, desired);
  return ERROR_SUCCESS;
}

LONG WINAPI RegCloseKey(HKEY handle) {
  if (LONG fault = 0; Faulted("RegCloseKey", "", &fault)) return fault;
  if (handle == HKEY_LOCAL_MACHINE) return ERROR_SUCCESS;
  return TheRegistry().handles.erase(reinterpret_cast<uintptr_t>(handle)) ? ERROR_SUCCESS
                                                                            : ERROR_INVALID_HANDLE;
}

LONG WINAPI RegQueryValueExA(HKEY handle, LPCSTR valueName, LPDWORD, LPDWORD type, LPBYTE data,
                             LPDWORD dataSize) {
  if (LONG fault = 0; Faulted("RegQueryValueExA", valueName ? valueName : "", &fault)) return fault;
  LONG error = ERROR_SUCCESS;
  OpenKey* open = Resolve(handle, &error);
  if (open == nullptr) return error;
  if ((open->access & KEY_QUERY_VALUE) == 0) return ERROR_ACCESS_DENIED;
  if (data != nullptr && dataSize == nullptr) return ERROR_INVALID_PARAMETER;
  auto it = open->key->values.find(valueName ? valueName : "");
  if (it == open->key->values.end()) return ERROR_FILE_NOT_FOUND;
  const RegistryValue& v = it->second.second;
  if (type != nullptr) *type = v.type;
  DWORD size = static_cast<DWORD>(v.data.size());
  if (data == nullptr) {
    if (dataSize != nullptr) *dataSize = size;
    return ERROR_SUCCESS;
  }
  if (*dataSize < size) {
    *dataSize = size;
    return ERROR_MORE_DATA;
  }
  if (size > 0) std::memcpy(data, v.data.data(), size);
  *dataSize = size;
  return ERROR_SUCCESS;
}

LONG WINAPI RegSetValueExA(HKEY handle, LPCSTR valueName, DWORD, DWORD type, const BYTE* data,
                           DWORD dataSize) {
  if (LONG fault = 0; Faulted("RegSetValueExA", valueName ? valueName : "", &fault)) return fault;
  LONG error = ERROR_SUCCESS;
  OpenKey* open = Resolve(handle, &error);
  if (open == nullptr) return error;
  if ((open->access & KEY_SET_VALUE) == 0) return ERROR_ACCESS_DENIED;
  if (data == nullptr && dataSize > 0) return ERROR_INVALID_PARAMETER;
  std::string name = valueName ? valueName : "";
  open->key->values[name] = {name, RegistryValue{type, std::vector<uint8_t>(data, data + dataSize)}};
  return ERROR_SUCCESS;
}

LONG WINAPI RegDeleteValueA(HKEY handle, LPCSTR valueName) {
  if (LONG fault = 0; Faulted("RegDeleteValueA", valueName ? valueName : "", &fault)) return fault;
  LONG error = ERROR_SUCCESS;
  OpenKey* open = Resolve(handle, &error);
  if (open == nullptr) return error;
  if ((open->access & KEY_SET_VALUE) == 0) return ERROR_ACCESS_DENIED;
  return open->key->values.erase(valueName ? valueName : "") ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

LONG WINAPI RegDeleteKeyA(HKEY handle, LPCSTR subKey) {
  if (LONG fault = 0; Faulted("RegDeleteKeyA", subKey ? subKey : "", &fault)) return fault;
  LONG error = ERROR_SUCCESS;
  OpenKey* open = Resolve(handle, &error);
  if (open == nullptr) return error;
  if (subKey == nullptr || *subKey == '\0') return ERROR_BADKEY;
  std::vector<std::string> parts = Split(subKey);
  std::shared_ptr<Key> parent = open->key;
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    auto it = parent->subkeys.find(parts[i]);
    if (it == parent->subkeys.end()) return ERROR_FILE_NOT_FOUND;
    parent = it->second;
  }
  auto it = parent->subkeys.find(parts.back());
  if (it == parent->subkeys.end()) return ERROR_FILE_NOT_FOUND;
  if (Denied(open->key, subKey, true)) return ERROR_ACCESS_DENIED;
  // NT refuses a key that still has subkeys; Windows 9x takes the whole tree.
  bool nt = TheMachine().version.dwPlatformId == VER_PLATFORM_WIN32_NT;
  if (nt && !it->second->subkeys.empty()) return ERROR_ACCESS_DENIED;
  MarkDeleted(*it->second);
  parent->subkeys.erase(it);
  return ERROR_SUCCESS;
}

LONG WINAPI RegEnumKeyExA(HKEY handle, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD, LPSTR,
                          LPDWORD, PFILETIME) {
  if (LONG fault = 0; Faulted("RegEnumKeyExA", std::to_string(index), &fault)) return fault;
  LONG error = ERROR_SUCCESS;
  OpenKey* open = Resolve(handle, &error);
  if (open == nullptr) return error;
  if ((open->access & KEY_ENUMERATE_SUB_KEYS) == 0) return ERROR_ACCESS_DENIED;
  if (name == nullptr || nameSize == nullptr) return ERROR_INVALID_PARAMETER;
  if (index >= open->key->subkeys.size()) return ERROR_NO_MORE_ITEMS;
  auto it = open->key->subkeys.begin();
  std::advance(it, index);
  const std::string& text = it->second->name;
  if (text.size() + 1 > *nameSize) return ERROR_MORE_DATA;
  std::memcpy(name, text.c_str(), text.size() + 1);
  *nameSize = static_cast<DWORD>(text.size());
  return ERROR_SUCCESS;
}

LONG WINAPI RegQueryInfoKeyA(HKEY handle, LPSTR, LPDWORD, LPDWORD, LPDWORD subKeys,
                             LPDWORD maxSubKeyLength, LPDWORD maxClassLength, LPDWORD values,
                             LPDWORD maxValueNameLength, LPDWORD maxValueLength,
                             LPDWORD securityDescriptorSize, PFILETIME lastWriteTime) {
  if (LONG fault = 0; Faulted("RegQueryInfoKeyA", "", &fault)) return fault;
  LONG error = ERROR_SUCCESS;
  OpenKey* open = Resolve(handle, &error);
  if (open == nullptr) return error;
  if ((open->access & KEY_QUERY_VALUE) == 0) return ERROR_ACCESS_DENIED;
  const Key& key = *open->key;
  DWORD longestKey = 0, longestName = 0, longestData = 0;
  for (auto& [n, sub] : key.subkeys) longestKey = std::max<DWORD>(longestKey, static_cast<DWORD>(sub->name.size()));
  for (auto& [n, v] : key.values) {
    longestName = std::max<DWORD>(longestName, static_cast<DWORD>(v.first.size()));
    longestData = std::max<DWORD>(longestData, static_cast<DWORD>(v.second.data.size()));
  }
  if (subKeys) *subKeys = static_cast<DWORD>(key.subkeys.size());
  if (maxSubKeyLength) *maxSubKeyLength = longestKey;
  if (maxClassLength) *maxClassLength = 0;
  if (values) *values = static_cast<DWORD>(key.values.size());
  if (maxValueNameLength) *maxValueNameLength = longestName;
  if (maxValueLength) *maxValueLength = longestData;
  if (securityDescriptorSize) *securityDescriptorSize = 0;
  if (lastWriteTime) *lastWriteTime = FILETIME{0, 0};
  return ERROR_SUCCESS;
}

BOOL WINAPI AllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY authority, BYTE count, DWORD s0,
                                     DWORD s1, DWORD s2, DWORD s3, DWORD s4, DWORD s5, DWORD s6,
                                     DWORD s7, PSID* sid) {
  if (Enter("AllocateAndInitializeSid")) return FALSE;
  if (authority == nullptr || sid == nullptr || count > 8) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto* s = new SimSid{1, count, *authority, {s0, s1, s2, s3, s4, s5, s6, s7}};
  ++liveSecurity;
  *sid = s;
  return TRUE;
}

PVOID WINAPI FreeSid(PSID sid) {
  Enter("FreeSid");
  if (sid != nullptr) {
    delete static_cast<SimSid*>(sid);
    --liveSecurity;
  }
  return nullptr;
}

DWORD WINAPI SetEntriesInAclA(ULONG count, PEXPLICIT_ACCESS_A entries, PACL, PACL* newAcl) {
  if (Enter("SetEntriesInAclA")) return GetLastError();
  if (newAcl == nullptr || (count > 0 && entries == nullptr)) return ERROR_INVALID_PARAMETER;
  auto* acl = new SimAcl{};
  acl->header.AclRevision = 2;
  for (ULONG i = 0; i < count; ++i) {
    const EXPLICIT_ACCESS_A& e = entries[i];
    std::string trustee = e.Trustee.TrusteeForm == TRUSTEE_IS_SID && e.Trustee.ptstrName
                              ? SidText(reinterpret_cast<SimSid*>(e.Trustee.ptstrName))
                              : std::string(e.Trustee.ptstrName ? e.Trustee.ptstrName : "");
    acl->entries.push_back(AccessEntry{trustee, e.grfAccessPermissions, e.grfAccessMode, e.grfInheritance});
  }
  acl->header.AceCount = static_cast<WORD>(count);
  ++liveSecurity;
  *newAcl = &acl->header;
  return ERROR_SUCCESS;
}

HLOCAL WINAPI LocalFree(HLOCAL memory) {
  Enter("LocalFree");
  if (memory != nullptr) {
    delete reinterpret_cast<SimAcl*>(memory);  // the only local memory handed out
    --liveSecurity;
  }
  return nullptr;
}

HRESULT WINAPI SHGetFolderPathA(HWND, int folder, HANDLE, DWORD, LPSTR path) {
  if (Enter("SHGetFolderPathA", std::to_string(folder))) return E_FAIL;
  const std::string* text = nullptr;
  if ((folder & 0xFF) == CSIDL_PROGRAM_FILES) text = &shellFolders.programFiles;
  if ((folder & 0xFF) == CSIDL_PROGRAM_FILES_COMMON) text = &shellFolders.commonFiles;
  if (text == nullptr || path == nullptr || text->empty()) return E_INVALIDARG;
  std::memcpy(path, text->c_str(), text->size() + 1);
  return S_OK;
}

}  // extern "C"
