#include "exports/branding.h"

#include <cstring>

#include "exports/exports.h"
#include "exports/module_state.h"

namespace {

String LoadEntry(UINT id, int bufferSize) {
  String text;
  char* buffer = text.GetBuffer(static_cast<size_t>(bufferSize - 1));
  if (buffer == nullptr) return text;
  buffer[0] = '\0';
  LoadStringA(g_moduleHandle, id, buffer, bufferSize);
  text.ReleaseBuffer();  // the entry may be padded with NULs; the text ends at the first
  return text;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

String LoadBrandingCode() { return LoadEntry(1, 9); }
String LoadProductName() { return LoadEntry(2, 64); }

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
