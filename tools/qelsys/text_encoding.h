// Text of the ANSI code page, as Windows hands it out, for JSON output.
#pragma once

#include <string>

std::string AnsiToUtf8(const std::string& text);
