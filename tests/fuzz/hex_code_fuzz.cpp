#include <cstdlib>

#include "exports/branding.h"
#include "fuzz_process.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  StartFuzzInput();
  std::string text = "0X" + InputText(data, size);
  uint32_t value = ParseHexCode(text.c_str());
  // Compared with a plain reading of the leading hexadecimal digits.
  uint64_t expected = 0;
  for (size_t i = 2; i < text.size() && std::isxdigit(static_cast<unsigned char>(text[i])); ++i) {
    expected = expected * 16 + static_cast<uint64_t>(std::stoi(text.substr(i, 1), nullptr, 16));
    if (expected > 0xFFFFFFFFu) {
      expected = 0xFFFFFFFFu;
      break;
    }
  }
  if (value != expected) std::abort();
  return 0;
}
