#pragma once

#include <memory>

#include "platform/string.h"
#include "platform/win_api.h"

// A key below a root, opened only when a value operation needs it: read-only
// for reads, with full access for writes. A missing key can be created; on
// NT it is then given an access list that lets every user change it.
class RegistryKey {
 public:
  RegistryKey(const char* path, bool createIfMissing, HKEY root = HKEY_LOCAL_MACHINE);
  RegistryKey(const RegistryKey& parent, const char* subkey, bool createIfMissing);
  virtual ~RegistryKey();
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  // The open handle, or null; it stays owned by this object.
  HKEY Open(bool readOnly);
  void Close();

  bool ReadString(const char* name, char* buffer, DWORD size);
  bool ReadString(const char* name, String& value);
  bool WriteString(const char* name, const char* text);
  bool ReadDword(const char* name, DWORD* value);
  bool WriteDword(const char* name, DWORD value);
  // The value's bytes with one NUL added, in a buffer handed to the caller.
  bool ReadMultiString(const char* name, std::unique_ptr<char[]>* buffer, DWORD* size);
  bool WriteMultiString(const char* name, const char* data, DWORD size);
  bool DeleteValue(const char* name);
  // Deletes the key through its parent; afterwards this object names the parent.
  bool DeleteKey();

  const char* Path() const { return hasPath_ ? path_.CStr() : nullptr; }
  // What the last attempt to open the key returned.
  LONG OpenResult() const { return openResult_; }

 private:
  HKEY CreateWithOpenAccessList();

  String path_;
  bool hasPath_;
  HKEY root_;
  HKEY handle_ = nullptr;
  bool createIfMissing_;
  bool openReadOnly_ = false;
  LONG openResult_ = ERROR_SUCCESS;
};
