#pragma once

#include <cstdint>

#include "platform/win_api.h"

// The bytes of the module's resource of this type with this integer id;
// false when finding, loading, sizing or locking it fails.
bool LoadModuleResource(HMODULE module, WORD id, const char* type, const uint8_t** data,
                        DWORD* size);
