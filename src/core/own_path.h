#pragma once

#include "platform/string.h"

// The full path of this library's own file, asked with a buffer that grows
// by 256 bytes until the answer clearly fits.
String OwnModulePath();
