#include "components/file_version_reader.h"

#include <memory>
#include <new>

#include "components/version_text.h"
#include "core/tracked_error_list.h"
#include "platform/scoped_handle.h"
#include "platform/win_api.h"

namespace {

// Blocks of 256 bytes every 200 bytes: a key that straddles one block lies
// whole in the next.
constexpr DWORD kBlockBytes = 256;
constexpr DWORD kBlockStep = 200;
constexpr DWORD kValueBytes = 512;

}  // namespace

FileVersionReader::FileVersionReader(const char* filePath) : path(filePath) {}

FileVersionReader::FileVersionReader(const String& filePath) : path(filePath) {}

bool FileVersionReader::IsValid() {
  if (valid) return true;
  if (path.IsEmpty()) return RecordFailure(0x9A, kGenericCode);
  ReadVersionResource();
  if (valid) return true;
  ScanFile();
  return valid;
}

void FileVersionReader::ReadVersionResource() {
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeA(path.CStr(), &handle);
  if (size == 0) return;
  std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[size]);
  if (!buffer) return;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (GetFileVersionInfoA(path.CStr(), handle, size, buffer.get()) &&
      VerQueryValueA(buffer.get(), "\\", reinterpret_cast<LPVOID*>(&fixed), &length) &&
      fixed != nullptr && length >= sizeof(VS_FIXEDFILEINFO)) {
    Set(fixed->dwFileVersionMS >> 16, fixed->dwFileVersionMS & 0xFFFF,
        fixed->dwFileVersionLS >> 16);
  }
}

void FileVersionReader::ScanFile() {
  ScopedHandle file(CreateFileA(path.CStr(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file.IsValid()) {
    DWORD error = GetLastError();
    if (error == ERROR_ACCESS_DENIED) RecordFailure(0xC6, kAccessDenied);
    if (error == ERROR_SHARING_VIOLATION) RecordFailure(0xC9, kInUse);
    return;
  }
  for (DWORD offset = 0;; offset += kBlockStep) {
    uint8_t block[kBlockBytes];
    DWORD got = 0;
    SetFilePointer(file.Get(), static_cast<LONG>(offset), nullptr, FILE_BEGIN);
    BOOL read = ReadFile(file.Get(), block, kBlockBytes, &got, nullptr);
    if (read && got >= kFileVersionKeyBytes) {
      for (DWORD at = 0; at + kFileVersionKeyBytes <= got && !valid; ++at) {
        if (!IsFileVersionKeyAt(block + at)) continue;
        uint8_t value[kValueBytes] = {};
        DWORD valueBytes = 0;
        SetFilePointer(file.Get(), static_cast<LONG>(offset + at + kFileVersionKeyBytes), nullptr,
                       FILE_BEGIN);
        if (ReadFile(file.Get(), value, kValueBytes, &valueBytes, nullptr) && valueBytes >= 3)
          ParseDottedVersion(value, valueBytes, *this);
      }
    }
    if (!read || got != kBlockBytes || valid) break;
  }
}
