// Fuzz targets over the code that reads data the library does not control,
// one program each: QEL_FUZZ_TARGET names the check LLVMFuzzerTestOneInput runs.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "components/file_version_reader.h"
#include "components/ini_document.h"
#include "components/restart_operations.h"
#include "components/version_text.h"
#include "core/process_objects.h"
#include "exports/branding.h"
#include "platform/path_macro.h"
#include "sim/sim.h"

// Not file-local: each program uses only some of them.
namespace fuzz {

void Require(bool holds) {
  if (!holds) std::abort();
}

// The input as text that ends at its first NUL.
std::string Text(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  return text.substr(0, text.find('\0'));
}

// Text without markers stays as it is; the simulated folders hold none, so
// no marker survives an expansion.
void path_macro(const uint8_t* data, size_t size) {
  std::string text = Text(data, size);
  PathMacro macro(text.c_str());
  const String& expanded = macro.Expand();
  Require(text.find("%%") != std::string::npos || text == expanded.CStr());
  Require(std::strstr(expanded.CStr(), "%%") == nullptr);
  Require(&macro.Expand() == &expanded && macro.expanded);
}

// Compared with the C library's reading of the leading hexadecimal digits,
// saturated at 32 bits.
void hex_code(const uint8_t* data, size_t size) {
  std::string text = Text(data, size);
  size_t digits = 0;
  while (digits < text.size() && std::isxdigit(static_cast<unsigned char>(text[digits]))) ++digits;
  uint64_t expected = std::strtoull(text.substr(0, digits).c_str(), nullptr, 16);
  Require(ParseHexCode(("0X" + text).c_str()) == std::min<uint64_t>(expected, 0xFFFFFFFFu));
}

// Exactly the input's bytes, so that any read past them is caught.
void version_text(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  VersionNumber scanned, parsed;
  Require(ScanForFileVersion(bytes.data(), bytes.size(), scanned) == scanned.valid);
  Require(ParseDottedVersion(bytes.data(), bytes.size(), parsed) == parsed.valid);
}

// WININIT.INI as any program may have left it: read it, write it back, and
// no section is lost, but one whose "[name]\n" exceeds the 511 characters a
// line is read with: a longer name can only come from a last line without a
// newline. (An entry whose key starts with "[" comes back as a section.)
void wininit(const uint8_t* data, size_t size) {
  sim::PutFile("C:\\WINDOWS\\WININIT.INI", std::vector<uint8_t>(data, data + size));
  IniDocument first;
  first.Load("C:\\WINDOWS\\WININIT.INI");
  if (!first.Save("C:\\WINDOWS\\WININIT.NEW")) return;
  IniDocument second;
  second.Load("C:\\WINDOWS\\WININIT.NEW");
  for (const auto& section : first.Sections())
    Require(std::strlen(section->Name()) > 508 || second.FindSection(section->Name()) != nullptr);
}

// "PendingFileRenameOperations" as any program may have left it. Looking
// changes nothing; cancelling keeps the value well formed or removes it.
void pending_renames(const uint8_t* data, size_t size) {
  const char* key = "System\\CurrentControlSet\\Control\\Session Manager";
  std::vector<uint8_t> value(data, data + size);
  sim::SetRegistryValue(key, "PendingFileRenameOperations", REG_MULTI_SZ, value);
  String target("C:\\WINDOWS\\system32\\drivers\\QELC11BA.EXE");
  String install("C:\\WINDOWS\\system32\\drivers\\QELC11BA.EXE");
  bool seen = CancelPendingFileRenames(target, install, true);
  auto after = sim::GetRegistryValue(key, "PendingFileRenameOperations");
  Require(after && after->data == value);
  Require(CancelPendingFileRenames(target, install, false) == seen);
  Require(!CancelPendingFileRenames(target, install, true));  // nothing left to find
}

// An installed file of any content: the version functions and the raw scan
// both read it without a fault.
void file_version(const uint8_t* data, size_t size) {
  sim::PutFile("C:\\WINDOWS\\system32\\ShFolder.dll", std::vector<uint8_t>(data, data + size));
  FileVersionReader reader("C:\\WINDOWS\\system32\\ShFolder.dll");
  Require(reader.IsValid() == reader.valid);
}

}  // namespace fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The machine and the library's process objects live for the whole run;
  // each input starts with empty failure lists and call log.
  static ProcessObjects* objects = [] {
    sim::Reset();
    return new ProcessObjects();
  }();
  sim::ClearCallLog();
  objects->failureList.ClearIfAutoClear();
  objects->outcomeList.ClearIfAutoClear();
  fuzz::QEL_FUZZ_TARGET(data, size);
  return 0;
}
