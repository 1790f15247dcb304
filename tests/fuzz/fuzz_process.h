#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The machine and the library's process objects, built once per fuzzing run;
// each input starts with empty failure lists.
void StartFuzzInput();

// The input as text that ends at its first NUL.
std::string InputText(const uint8_t* data, size_t size);
