#include "fuzz_process.h"

#include "core/process_objects.h"
#include "sim/sim.h"

void StartFuzzInput() {
  static ProcessObjects* objects = [] {
    sim::Reset();
    return new ProcessObjects();  // lives for the whole run
  }();
  sim::ClearCallLog();  // it would grow with every input
  objects->failureList.ClearIfAutoClear();
  objects->outcomeList.ClearIfAutoClear();
}

std::string InputText(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  return text.substr(0, text.find('\0'));
}
