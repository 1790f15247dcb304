#include <cstdlib>
#include <cstring>

#include "components/ini_document.h"
#include "fuzz_process.h"
#include "sim/sim.h"

// WININIT.INI as any program may have left it: read it, write it back, and
// the rewritten file reads the same.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  StartFuzzInput();
  sim::PutFile("C:\\WINDOWS\\WININIT.INI", std::vector<uint8_t>(data, data + size));
  IniDocument first;
  first.Load("C:\\WINDOWS\\WININIT.INI");
  if (!first.Save("C:\\WINDOWS\\WININIT.NEW")) return 0;
  IniDocument second;
  second.Load("C:\\WINDOWS\\WININIT.NEW");
  if (first.Sections().size() != second.Sections().size()) std::abort();
  for (size_t i = 0; i < first.Sections().size(); ++i) {
    const auto& a = first.Sections()[i]->Entries();
    const auto& b = second.Sections()[i]->Entries();
    if (std::strcmp(first.Sections()[i]->Name(), second.Sections()[i]->Name()) != 0) std::abort();
    if (a.size() != b.size()) std::abort();
  }
  return 0;
}
