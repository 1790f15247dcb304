// QelC14BA.dll opened as a data file: its version, branding and carried
// payloads can be read without running any of its code.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "owned_handles.h"

// The first bytes of a file (fewer when it is shorter; none when it cannot be read).
std::vector<uint8_t> ReadFileHead(const std::string& path, DWORD size);

class LibraryImage {
 public:
  explicit LibraryImage(const std::string& path);

  bool IsOpen() const { return module_.IsValid(); }
  const std::string& Path() const { return path_; }
  std::optional<std::string> Version() const;
  // String-table entry 1: the branding code, eight hexadecimal digits.
  std::optional<std::string> BrandingCode() const;
  // String-table entry 2: the product name.
  std::optional<std::string> ProductName() const;
  // The version of the payload carried as BINARY resource `id`.
  std::optional<std::string> PayloadVersion(WORD id) const;
  // The PE machine of the image; 0 when it is no PE image.
  uint16_t Machine() const;

 private:
  std::optional<std::string> LoadText(UINT id, int size) const;
  // The resource's bytes, when they lie inside the file: a truncated file
  // keeps its resource directory but not what it points to.
  const uint8_t* ResourceData(LPCSTR name, LPCSTR type, DWORD* size) const;

  std::string path_;
  OwnedModule module_;
  DWORD fileSize_ = 0;
};
