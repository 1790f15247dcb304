#include "exports/branding.h"

#include <cstring>

#include "exports/exports.h"

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

uint32_t ParseHexCode(const char* text) {
  if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X') && HexDigit(text[2]) >= 0) text += 2;
  uint64_t value = 0;
  for (; HexDigit(*text) >= 0; ++text) {
    value = value * 16 + static_cast<uint64_t>(HexDigit(*text));
    if (value > 0xFFFFFFFFu) return 0xFFFFFFFFu;
  }
  return static_cast<uint32_t>(value);
}

extern "C" DWORD WINAPI QelSysGetCurrentBranding(DWORD* code, char* name, DWORD size) {
  String productName = LoadProductName();
  String codeText = String("0X") + LoadBrandingCode();
  if (code != nullptr) *code = ParseHexCode(codeText.CStr());
  DWORD needed = static_cast<DWORD>(productName.Length() + 1);
  // No truncated copy: a short buffer receives nothing.
  if (name != nullptr && size >= needed) std::memcpy(name, productName.CStr(), needed);
  return needed;
}
