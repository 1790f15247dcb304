#include "registry_reader.h"

RegistryReader::RegistryReader(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) key_.Reset(key);
}

std::optional<std::vector<BYTE>> RegistryReader::Bytes(const char* name, DWORD type) const {
  if (!IsOpen()) return std::nullopt;
  DWORD actual = 0, size = 0;
  if (RegQueryValueExA(key_.Get(), name, nullptr, &actual, nullptr, &size) != ERROR_SUCCESS ||
      actual != type)
    return std::nullopt;
  std::vector<BYTE> data(size);
  if (size > 0 &&
      RegQueryValueExA(key_.Get(), name, nullptr, &actual, data.data(), &size) != ERROR_SUCCESS)
    return std::nullopt;
  data.resize(size);
  return data;
}

std::optional<DWORD> RegistryReader::Type(const char* name) const {
  DWORD type = 0;
  if (!IsOpen() || RegQueryValueExA(key_.Get(), name, nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS)
    return std::nullopt;
  return type;
}

std::optional<std::string> RegistryReader::String(const char* name, DWORD limit) const {
  std::optional<std::vector<BYTE>> data = Bytes(name, REG_SZ);
  if (!data || data->size() > limit) return std::nullopt;
  std::string text(data->begin(), data->end());
  size_t nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
  return text;
}

std::optional<DWORD> RegistryReader::Dword(const char* name) const {
  std::optional<std::vector<BYTE>> data = Bytes(name, REG_DWORD);
  if (!data || data->size() != sizeof(DWORD)) return std::nullopt;
  DWORD value = 0;
  CopyMemory(&value, data->data(), sizeof value);
  return value;
}

namespace {

// The names a registry enumeration function gives for index 0, 1, ...;
// value names may be up to 16383 characters long.
template <typename Enumerate>
std::vector<std::string> EnumeratedNames(HKEY key, Enumerate enumerate) {
  std::vector<std::string> names;
  std::vector<char> name(16384);
  for (DWORD index = 0;; ++index) {
    DWORD length = static_cast<DWORD>(name.size());
    if (enumerate(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    names.emplace_back(name.data(), length);
  }
  return names;
}

}  // namespace

std::vector<std::string> RegistryReader::SubkeyNames() const {
  return IsOpen() ? EnumeratedNames(key_.Get(), RegEnumKeyExA) : std::vector<std::string>{};
}

std::vector<std::string> RegistryReader::ValueNames() const {
  return IsOpen() ? EnumeratedNames(key_.Get(), RegEnumValueA) : std::vector<std::string>{};
}
