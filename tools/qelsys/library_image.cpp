#include "library_image.h"

#include <vector>

#include "file_version.h"
#include "image_version.h"

LibraryImage::LibraryImage(const std::string& path) : path_(path) {
  module_.Reset(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
}

std::optional<std::string> LibraryImage::Version() const { return FileVersion(path_); }

std::optional<std::string> LibraryImage::LoadText(UINT id, int size) const {
  if (!IsOpen()) return std::nullopt;
  std::vector<char> buffer(static_cast<size_t>(size), '\0');
  int length = LoadStringA(module_.Get(), id, buffer.data(), size);
  if (length <= 0) return std::nullopt;
  return std::string(buffer.data());  // the name is padded with NULs
}

// The library loads these two entries through 9- and 64-byte buffers.
std::optional<std::string> LibraryImage::BrandingCode() const { return LoadText(1, 9); }
std::optional<std::string> LibraryImage::ProductName() const { return LoadText(2, 64); }

std::optional<std::string> LibraryImage::PayloadVersion(WORD id) const {
  if (!IsOpen()) return std::nullopt;
  HRSRC resource = FindResourceA(module_.Get(), MAKEINTRESOURCEA(id), "BINARY");
  if (resource == nullptr) return std::nullopt;
  HGLOBAL loaded = LoadResource(module_.Get(), resource);
  const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  return ImageVersion(static_cast<const uint8_t*>(data), SizeofResource(module_.Get(), resource));
}
