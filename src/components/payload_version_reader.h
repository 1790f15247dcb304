#pragma once

#include "components/file_version_reader.h"

class ItemDescriptor;

// The version of a descriptor's payload: the "FileVersion" text of its
// "BINARY" resource, or, for a file payload, the version of that file.
class PayloadVersionReader : public FileVersionReader {
 public:
  explicit PayloadVersionReader(ItemDescriptor* item);
  ~PayloadVersionReader() override;
  PayloadVersionReader(const PayloadVersionReader&) = delete;
  PayloadVersionReader& operator=(const PayloadVersionReader&) = delete;

  bool IsValid() override;

 private:
  void ScanResource();

  ItemDescriptor* descriptor;
};
