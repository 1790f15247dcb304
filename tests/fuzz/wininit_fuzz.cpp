#include <cstdlib>
#include <cstring>

#include "components/ini_document.h"
#include "fuzz_process.h"
#include "sim/sim.h"

// WININIT.INI as any program may have left it: read it, write it back, and
// no section is lost. (An entry whose key starts with "[" comes back as a
// section: the file format has no escapes.) A name longer than 508 characters
// can only come from a last line without a newline; written back as
// "[name]\n" it exceeds the 511 characters a line is read with, and is lost
// by design.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  StartFuzzInput();
  sim::PutFile("C:\\WINDOWS\\WININIT.INI", std::vector<uint8_t>(data, data + size));
  IniDocument first;
  first.Load("C:\\WINDOWS\\WININIT.INI");
  if (!first.Save("C:\\WINDOWS\\WININIT.NEW")) return 0;
  IniDocument second;
  second.Load("C:\\WINDOWS\\WININIT.NEW");
  for (const auto& section : first.Sections())
    if (std::strlen(section->Name()) <= 508 && second.FindSection(section->Name()) == nullptr)
      std::abort();
  return 0;
}
