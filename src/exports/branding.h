#pragma once

#include <cstdint>

#include "platform/string.h"

// The identity this build carries in its string table.
String LoadBrandingCode();   // entry 1: eight hexadecimal digits
String LoadProductName();    // entry 2: at most 63 characters

// "0X"-prefixed hexadecimal text to a number: stops at the first non-digit,
// saturates at 0xFFFFFFFF, gives 0 without digits.
uint32_t ParseHexCode(const char* text);
