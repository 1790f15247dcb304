// The version library over the simulated disks: a file carries a version
// resource when its bytes hold a VS_VERSIONINFO block, as a program's
// resource section does.
#include <cstring>
#include <string>

#include "file_system.h"
#include "machine.h"

using namespace sim::detail;

namespace {

constexpr size_t kHeader = 6;                       // wLength, wValueLength, wType
constexpr size_t kKeyBytes = 32;                    // L"VS_VERSION_INFO" and its NUL
constexpr size_t kFixedOffset = 40;                 // header and key, padded to 4 bytes
const char16_t kRootKey[] = u"VS_VERSION_INFO";

WORD Word(const uint8_t* p) { return static_cast<WORD>(p[0] | (p[1] << 8)); }

bool IsRootAt(const std::vector<uint8_t>& data, size_t at) {
  if (at + kHeader + kKeyBytes > data.size()) return false;
  WORD length = Word(&data[at]);
  if (length < kHeader + kKeyBytes || length > data.size() - at) return false;
  for (size_t i = 0; i < kKeyBytes / 2; ++i)
    if (Word(&data[at + kHeader + 2 * i]) != kRootKey[i]) return false;
  return true;
}

// The version block of a file: its offset, or npos with the last error set.
size_t FindBlock(LPCSTR fileName, std::shared_ptr<FsNode>* node) {
  DWORD error = 0;
  *node = Disks().OpenFile(fileName ? fileName : "",
                           OpenRequest{GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0}, &error);
  if (!*node) {
    SetLastError(error);
    return std::string::npos;
  }
  const std::vector<uint8_t>& data = (*node)->data;
  for (size_t at = 0; at + kHeader + kKeyBytes <= data.size(); at += 2)
    if (IsRootAt(data, at)) return at;
  SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
  return std::string::npos;
}

}  // namespace

extern "C" {

DWORD WINAPI GetFileVersionInfoSizeA(LPCSTR fileName, LPDWORD handle) {
  if (Enter("GetFileVersionInfoSizeA", fileName ? fileName : "")) return 0;
  if (handle != nullptr) *handle = 0;
  std::shared_ptr<FsNode> node;
  DWORD before = GetLastError();
  size_t at = FindBlock(fileName, &node);
  const OSVERSIONINFOA& v = TheMachine().version;
  bool nt = v.dwPlatformId == VER_PLATFORM_WIN32_NT;
  if (at == std::string::npos) {
    // As Wine's version tests record: NT 4 leaves the last error of a
    // missing file alone, 2000 sets 0.
    if (!node && nt && v.dwMajorVersion == 4) SetLastError(before);
    if (!node && nt && v.dwMajorVersion == 5 && v.dwMinorVersion == 0) SetLastError(ERROR_SUCCESS);
    return 0;
  }
  // Room for the ANSI answers of VerQueryValueA: NT 4 asks for one and a
  // half times the block, 2000 on for twice the block and 4 bytes more.
  WORD size = Word(&node->data[at]);
  if (!nt) return size;
  return v.dwMajorVersion == 4 ? size * 3u / 2 : size * 2u + 4;
}

BOOL WINAPI GetFileVersionInfoA(LPCSTR fileName, DWORD, DWORD length, LPVOID data) {
  if (Enter("GetFileVersionInfoA", fileName ? fileName : "")) return FALSE;
  std::shared_ptr<FsNode> node;
  size_t at = FindBlock(fileName, &node);
  if (at == std::string::npos) return FALSE;
  WORD size = Word(&node->data[at]);
  if (data == nullptr || length < size) {
    // Unlike Windows, which copies a truncated block, so that no query can
    // read past the caller's buffer.
    SetLastError(data == nullptr ? ERROR_INVALID_PARAMETER : ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(data, &node->data[at], size);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL WINAPI VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, UINT* length) {
  if (Enter("VerQueryValueA", subBlock ? subBlock : "")) return FALSE;
  if (block == nullptr || subBlock == nullptr || buffer == nullptr || length == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const auto* bytes = static_cast<const uint8_t*>(block);
  WORD total = Word(bytes);
  WORD valueLength = Word(bytes + 2);
  if (std::strcmp(subBlock, "\\") == 0 && valueLength >= sizeof(VS_FIXEDFILEINFO) &&
      kFixedOffset + sizeof(VS_FIXEDFILEINFO) <= total) {
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, bytes + kFixedOffset, sizeof fixed);
    if (fixed.dwSignature == VS_FFI_SIGNATURE) {
      *buffer = const_cast<uint8_t*>(bytes + kFixedOffset);
      *length = sizeof(VS_FIXEDFILEINFO);
      return TRUE;
    }
  }
  *length = 0;
  SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
  return FALSE;
}

}  // extern "C"
