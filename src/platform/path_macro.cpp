#include "platform/path_macro.h"

#include "core/process_objects.h"

PathMacro::PathMacro(const char* macroText) : text(macroText), expanded(false) {}

void PathMacro::Assign(const char* macroText) {
  text = macroText;
  expanded = false;
}

const String& PathMacro::Expand() {
  if (expanded) return text;
  expanded = true;
  if (text.IsEmpty()) return text;

  // One pass: a folder that is appended is not scanned again.
  const String scratch(text);
  text = "";
  const char* p = scratch.CStr();
  const char* nameStart = nullptr;
  while (*p != '\0') {
    if (p[0] == '%' && p[1] == '%') {
      if (nameStart == nullptr) {
        nameStart = p + 2;
      } else {
        String name;
        for (const char* c = nameStart; c < p; ++c) name.Append(*c);
        if (const String* folder = CurrentSpecialFolders().Lookup(name.CStr()))
          text.Append(*folder);
        else
          RecordFailure(0x152, kGenericCode);
        nameStart = nullptr;
      }
      p += 2;
      continue;
    }
    if (nameStart == nullptr) text.Append(*p);
    ++p;
  }
  return text;
}
