#include "components/binary_resource.h"

bool LoadBinaryResource(HMODULE module, WORD id, const uint8_t** data, DWORD* size) {
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), "BINARY");
  if (found == nullptr) return false;
  HGLOBAL loaded = LoadResource(module, found);
  if (loaded == nullptr) return false;
  *size = SizeofResource(module, found);
  if (*size == 0) return false;
  *data = static_cast<const uint8_t*>(LockResource(loaded));
  return *data != nullptr;
}
