#include "library_image.h"

#include <vector>

#include "file_version.h"
#include "image_kind.h"
#include "image_version.h"

std::vector<uint8_t> ReadFileHead(const std::string& path, DWORD size) {
  OwnedHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr));
  std::vector<uint8_t> head(size);
  DWORD read = 0;
  if (!file.IsValid() || !ReadFile(file.Get(), head.data(), size, &read, nullptr)) read = 0;
  head.resize(read);
  return head;
}

LibraryImage::LibraryImage(const std::string& path) : path_(path) {
  OwnedHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file.IsValid()) return;
  fileSize_ = GetFileSize(file.Get(), nullptr);
  if (fileSize_ == INVALID_FILE_SIZE) return;
  module_.Reset(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
}

const uint8_t* LibraryImage::ResourceData(LPCSTR name, LPCSTR type, DWORD* size) const {
  *size = 0;
  if (!IsOpen()) return nullptr;
  HRSRC resource = FindResourceA(module_.Get(), name, type);
  HGLOBAL loaded = resource != nullptr ? LoadResource(module_.Get(), resource) : nullptr;
  const uint8_t* data = loaded != nullptr ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
  if (data == nullptr) return nullptr;
  // A data-file module is the file mapped as it is, its handle tagged in the low bits.
  const uint8_t* base = reinterpret_cast<const uint8_t*>(
      reinterpret_cast<uintptr_t>(module_.Get()) & ~static_cast<uintptr_t>(3));
  DWORD length = SizeofResource(module_.Get(), resource);
  if (data < base || static_cast<size_t>(data - base) > fileSize_ ||
      length > fileSize_ - static_cast<size_t>(data - base))
    return nullptr;
  *size = length;
  return data;
}

uint16_t LibraryImage::Machine() const { return IsOpen() ? ImageMachine(ReadFileHead(path_, 4096)) : 0; }

std::optional<std::string> LibraryImage::Version() const { return FileVersion(path_); }

std::optional<std::string> LibraryImage::LoadText(UINT id, int size) const {
  DWORD blockSize = 0;
  if (ResourceData(MAKEINTRESOURCEA(id / 16 + 1), MAKEINTRESOURCEA(6), &blockSize) == nullptr)
    return std::nullopt;  // RT_STRING: entries come in blocks of sixteen
  std::vector<char> buffer(static_cast<size_t>(size), '\0');
  int length = LoadStringA(module_.Get(), id, buffer.data(), size);
  if (length <= 0) return std::nullopt;
  return std::string(buffer.data());  // the name is padded with NULs
}

// The library loads these two entries through 9- and 64-byte buffers.
std::optional<std::string> LibraryImage::BrandingCode() const { return LoadText(1, 9); }
std::optional<std::string> LibraryImage::ProductName() const { return LoadText(2, 64); }

std::optional<std::string> LibraryImage::PayloadVersion(WORD id) const {
  DWORD size = 0;
  const uint8_t* data = ResourceData(MAKEINTRESOURCEA(id), "BINARY", &size);
  if (data == nullptr) return std::nullopt;
  return ImageVersion(data, size);
}
