// The help texts of qelsys.
#pragma once

#include <string>

// The help of one command, or the general help for an empty name.
std::string HelpText(const std::string& command);
