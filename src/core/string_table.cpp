#include "core/string_table.h"

#include "core/module_state.h"

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

}  // namespace

String LoadBrandingCode() { return LoadEntry(1, 9); }
String LoadProductName() { return LoadEntry(2, 64); }
