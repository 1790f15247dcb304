#pragma once

#include <cstdint>

#include "platform/win_api.h"

// The bytes of the module's "BINARY" resource with this integer id; false
// when finding, loading, sizing or locking it fails.
bool LoadBinaryResource(HMODULE module, WORD id, const uint8_t** data, DWORD* size);
