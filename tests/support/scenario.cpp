#include "support/scenario.h"

void ScenarioTest::Boot(sim::Platform platform, const Payloads& payloads) {
  platform_ = platform;
  simmachine::Boot(platform, payloads);
  host_ = std::make_unique<LibraryHost>();
  ASSERT_TRUE(host_->Loaded());
}

void ScenarioTest::Restart() {
  host_.reset();
  sim::SimulateRestart();
  host_ = std::make_unique<LibraryHost>();
  ASSERT_TRUE(host_->Loaded());
}

std::vector<DWORD> TrackedOf(LibraryHost& host) {
  std::vector<DWORD> entries(host.GetTrackedErrors(nullptr) + 1, 0xDEADBEEF);
  DWORD written = host.GetTrackedErrors(entries.data());
  EXPECT_EQ(0xDEADBEEF, entries[written]);
  entries.resize(written);
  return entries;
}
