#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/process_objects.h"
#include "sim/sim.h"
#include "machine/sim_machine.h"

// Every test starts on a freshly booted simulated machine that knows the
// library image and its string table.
class SimTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  static constexpr const char* kBrandingCode = simmachine::kBrandingCode;
  static constexpr const char* kProductName = simmachine::kProductName;
  static constexpr const char* kLibraryPath = simmachine::kLibraryPath;
};

// For tests of the system code linked into the test program: the process-wide
// objects are built afresh on the platform the test picks with Restart.
class SystemTest : public SimTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Builds the process-wide objects now (SetUp builds them on Windows XP).
  void Restart(sim::Platform platform);
  // FailureList's tracked codes, newest first.
  static std::vector<uint32_t> Failures();

  std::unique_ptr<ProcessObjects> process_;
  HMODULE module_ = nullptr;
};

using simmachine::PaddedName;
