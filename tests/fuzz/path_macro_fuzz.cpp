#include <cstdlib>
#include <cstring>

#include "core/process_objects.h"
#include "fuzz_process.h"
#include "platform/path_macro.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  StartFuzzInput();
  std::string text = InputText(data, size);
  PathMacro macro(text.c_str());
  const String& expanded = macro.Expand();
  // Text without markers stays as it is; the simulated folders hold none, so
  // no marker survives an expansion.
  if (text.find("%%") == std::string::npos && text != expanded.CStr()) std::abort();
  if (std::strstr(expanded.CStr(), "%%") != nullptr) std::abort();
  if (&macro.Expand() != &expanded || !macro.expanded) std::abort();
  return 0;
}
