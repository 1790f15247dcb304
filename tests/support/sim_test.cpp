#include "support/sim_test.h"

#include "exports/module_state.h"

const char* const SimTest::kBrandingCode = "B241A000";
const char* const SimTest::kProductName = "Lumasett Studio";
const char* const SimTest::kLibraryPath =
    "C:\\Program Files\\Lumasett Studio\\QelC14BA.dll";

std::string PaddedName(const std::string& name) {
  std::string padded = name;
  padded.resize(64, '\0');
  return padded;
}

void SimTest::SetUp() {
  sim::Reset();
  sim::RegisterImage("QelC14BA.dll", QEL_IMAGE_PATH, kLibraryPath);
  sim::SetStringResource("QelC14BA.dll", 1, kBrandingCode);
  sim::SetStringResource("QelC14BA.dll", 2, PaddedName(kProductName));
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
