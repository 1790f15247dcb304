#include "components/module_resource.h"

bool LoadModuleResource(HMODULE module, WORD id, const char* type, const uint8_t** data,
                        DWORD* size) {
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
  if (found == nullptr) return false;
  HGLOBAL loaded = LoadResource(module, found);
  if (loaded == nullptr) return false;
  *size = SizeofResource(module, found);
  if (*size == 0) return false;
  *data = static_cast<const uint8_t*>(LockResource(loaded));
  return *data != nullptr;
}
