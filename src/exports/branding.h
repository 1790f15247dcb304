#pragma once

#include <cstdint>

#include "core/string_table.h"

// "0X"-prefixed hexadecimal text to a number: stops at the first non-digit,
// saturates at 0xFFFFFFFF, gives 0 without digits.
uint32_t ParseHexCode(const char* text);
