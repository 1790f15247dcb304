#include "support/sim_test.h"

#include "core/module_state.h"

void SimTest::SetUp() {
  sim::Reset();
  simmachine::RegisterLibrary();
}

void SimTest::TearDown() { sim::Reset(); }

void SystemTest::SetUp() {
  SimTest::SetUp();
  // The library's own module, for its string table and file name.
  module_ = LoadLibraryA("QelC14BA.dll");
  ASSERT_NE(nullptr, module_);
  Restart(sim::Platform::WinXP);
}

void SystemTest::TearDown() {
  process_.reset();
  g_moduleHandle = nullptr;
  g_lastCallSucceeded = 0;
  SimTest::TearDown();
}

void SystemTest::Restart(sim::Platform platform) {
  process_.reset();
  sim::SetPlatform(platform);
  g_moduleHandle = module_;
  g_lastCallSucceeded = 0;
  process_ = std::make_unique<ProcessObjects>();
}

std::vector<uint32_t> SystemTest::Failures() {
  std::vector<uint32_t> entries(FailureList().Count());
  FailureList().CopyTo(entries.data());
  return entries;
}
