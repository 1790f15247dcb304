#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/process_objects.h"
#include "sim/sim.h"
#include "machine/sim_machine.h"
#include "tracked_code_table.h"

// Tracked codes, newest first.
using Codes = std::vector<uint32_t>;
Codes Entries(const TrackedErrorList& list);
// The project's decoding table (data/tracked_codes.tsv), read once.
const TrackedCodeTable& ProjectCodeTable();

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

// The process-wide objects built afresh (Restart picks the platform); every
// test ends with no handle left open.
class SystemTest : public SimTest {
 public:
  // Resource 115 carries version 5.0.2195.1 and resource 112 version 4.20.0.1.
  static const std::vector<uint8_t>& NewPayload();
  static const std::vector<uint8_t>& OldProgram();  // 4.0.1381.0

 protected:
  void SetUp() override;
  void TearDown() override;
  // Builds the process-wide objects now (SetUp builds them on Windows XP).
  void Restart(sim::Platform platform);
  static Codes Failures();
  static Codes Outcomes();
  // Failures, emptying the list for the next step.
  static Codes TakeFailures();
  // PendingFileRenameOperations as one string; "<none>" when it is missing.
  static std::string PendingRenames();
  static void SetPendingRenames(const std::string& data, DWORD type = REG_MULTI_SZ);

  std::unique_ptr<ProcessObjects> process_;
  HMODULE module_ = nullptr;
};
