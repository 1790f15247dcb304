// What a file's first bytes say about it as a DLL for this qelsys, so that a
// failed load can name its cause instead of a bare Windows error.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The machine this qelsys is built for, as PE headers name it.
uint16_t OwnMachine();
// "i686", "x86_64", "arm64" or the number.
std::string MachineName(uint16_t machine);
// The PE machine of the image; 0 when the bytes are no PE image.
uint16_t ImageMachine(const std::vector<uint8_t>& head);
// Why a file starting with `head` did not load, after the loader gave `error`.
std::string LoadProblem(const std::vector<uint8_t>& head, unsigned long error);
