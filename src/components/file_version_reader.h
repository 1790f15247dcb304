#pragma once

#include "platform/string.h"
#include "platform/version_number.h"

// The version of a file on disk, read on the first IsValid: from its version
// resource when the version functions give one, otherwise from a
// "FileVersion" text found in its bytes.
class FileVersionReader : public VersionNumber {
 public:
  explicit FileVersionReader(const char* filePath);
  explicit FileVersionReader(const String& filePath);
  ~FileVersionReader() override = default;

  bool IsValid() override;

 protected:
  String path;

 private:
  void ReadVersionResource();
  void ScanFile();
};
