#pragma once

#include "platform/string.h"

// The identity this build carries in its string table.
String LoadBrandingCode();   // entry 1: eight hexadecimal digits
String LoadProductName();    // entry 2: at most 63 characters
