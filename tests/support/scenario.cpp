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

std::vector<DWORD> ScenarioTest::Tracked() {
  std::vector<DWORD> entries(host_->GetTrackedErrors(nullptr));
  if (!entries.empty()) entries.resize(host_->GetTrackedErrors(entries.data()));
  return entries;
}
