#include "registry.h"

#include "owned.h"

const char kSessionManagerKey[] = "System\\CurrentControlSet\\Control\\Session Manager";
const char kKnownVxdsKey[] = "System\\CurrentControlSet\\Control\\SessionManager\\KnownVxDs";
const char kSharedDllsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const char kProductsKey[] = "SOFTWARE\\Ostravik\\Lumasett\\InstalledProducts";
const char kOurProductsKey[] = "SOFTWARE\\Ostravik\\Lumasett\\InstalledProducts\\KV00220+";
const char kInstallerKey[] = "SOFTWARE\\Ostravik\\Lumasett\\Installer";
const char kUninstallEntryKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QelC13Ba";

namespace {

OwnedKey OpenRead(const std::string& path) {
  OwnedKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.Out()) != ERROR_SUCCESS)
    key.Reset();
  return key;
}

// The value's type and bytes.
std::optional<std::pair<DWORD, std::vector<char>>> ReadRaw(const std::string& path,
                                                           const std::string& name) {
  OwnedKey key = OpenRead(path);
  DWORD type = 0, size = 0;
  if (!key.Valid() ||
      RegQueryValueExA(key.Get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return std::nullopt;
  std::vector<char> data(size + 2, '\0');
  if (RegQueryValueExA(key.Get(), name.c_str(), nullptr, &type,
                       reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
    return std::nullopt;
  data.resize(size);
  return std::make_pair(type, data);
}

}  // namespace

bool KeyExists(const std::string& path) { return OpenRead(path).Valid(); }

namespace {

// The names a registry enumeration function gives for index 0, 1, ...
template <typename Enumerate>
std::vector<std::string> Names(const std::string& path, Enumerate enumerate) {
  std::vector<std::string> names;
  OwnedKey key = OpenRead(path);
  char name[512];
  for (DWORD i = 0; key.Valid(); ++i) {
    DWORD size = sizeof name;
    if (enumerate(key.Get(), i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    names.push_back(name);
  }
  return names;
}

}  // namespace

std::vector<std::string> SubkeyNames(const std::string& path) {
  return Names(path, RegEnumKeyExA);
}

std::vector<std::string> ValueNames(const std::string& path) {
  return Names(path, RegEnumValueA);
}

std::optional<std::string> ReadString(const std::string& path, const std::string& name) {
  auto raw = ReadRaw(path, name);
  if (!raw || raw->first != REG_SZ) return std::nullopt;
  std::string text(raw->second.begin(), raw->second.end());
  return text.substr(0, text.find('\0'));
}

std::optional<DWORD> ReadDword(const std::string& path, const std::string& name) {
  auto raw = ReadRaw(path, name);
  if (!raw || raw->first != REG_DWORD || raw->second.size() != sizeof(DWORD)) return std::nullopt;
  DWORD value = 0;
  memcpy(&value, raw->second.data(), sizeof value);
  return value;
}

std::optional<std::vector<std::pair<std::string, std::string>>> ReadStringPairs(
    const std::string& path, const std::string& name) {
  auto raw = ReadRaw(path, name);
  if (!raw || raw->first != REG_MULTI_SZ) return std::nullopt;
  std::vector<char>& data = raw->second;
  data.push_back('\0');
  std::vector<std::pair<std::string, std::string>> pairs;
  // The data ends in one more NUL after the last pair.
  size_t at = 0;
  while (at + 1 < data.size() - 1) {
    std::string first = &data[at];
    at += first.size() + 1;
    std::string second = at < data.size() ? &data[at] : "";
    at += second.size() + 1;
    pairs.emplace_back(first, second);
  }
  return pairs;
}

bool WriteString(const std::string& path, const std::string& name, const std::string& text) {
  OwnedKey key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      key.Out(), nullptr) != ERROR_SUCCESS)
    return false;
  return RegSetValueExA(key.Get(), name.c_str(), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

bool DeleteKey(const std::string& path) {
  return RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str()) == ERROR_SUCCESS;
}
