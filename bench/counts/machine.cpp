#include "counts/machine.h"

namespace bench {

bool Machine::Boot(sim::Platform platform, const Payloads& payloads) {
  host_.reset();
  sim::Reset();
  simmachine::RegisterLibrary();
  platform_ = platform;
  simmachine::Boot(platform, payloads);
  host_ = std::make_unique<LibraryHost>();
  return host_->Loaded();
}

Machine::~Machine() {
  host_.reset();
  sim::Reset();
}

}  // namespace bench
