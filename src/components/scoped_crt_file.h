#pragma once

#include "platform/win_api.h"

// Owns a C runtime stream and closes it on every path.
class ScopedCrtFile {
 public:
  explicit ScopedCrtFile(CrtFile* file) : file_(file) {}
  ~ScopedCrtFile() { Close(); }
  ScopedCrtFile(const ScopedCrtFile&) = delete;
  ScopedCrtFile& operator=(const ScopedCrtFile&) = delete;

  CrtFile* Get() const { return file_; }
  bool IsOpen() const { return file_ != nullptr; }
  void Close() { Reset(nullptr); }
  // Closes the stream; false when the C runtime could not flush or close it.
  bool Finish() {
    CrtFile* file = file_;
    file_ = nullptr;
    return file != nullptr && CrtClose(file) == 0;
  }
  void Reset(CrtFile* file) {
    if (file_ != nullptr) CrtClose(file_);
    file_ = file;
  }

 private:
  CrtFile* file_;
};
