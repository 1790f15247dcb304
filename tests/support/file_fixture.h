// A machine with the library loaded and payloads of known versions, for
// tests of the file components.
#pragma once

#include <string>
#include <vector>

#include "support/sim_test.h"

// Tracked codes, newest first.
using Codes = std::vector<uint32_t>;

class FileFixture : public SystemTest {
 public:
  // Resource 115 carries version 5.0.2195.1 and resource 112 version 4.20.0.1.
  static const std::vector<uint8_t>& NewPayload();
  static const std::vector<uint8_t>& OldProgram();  // 4.0.1381.0

 protected:
  void SetUp() override;
  // Every test ends with no handle left open.
  void TearDown() override;
  static std::vector<uint32_t> Outcomes();
  // FailureList's codes, newest first, emptying it for the next step.
  static std::vector<uint32_t> TakeFailures();
  // PendingFileRenameOperations as one string; "<none>" when it is missing.
  static std::string PendingRenames();
  static void SetPendingRenames(const std::string& data, DWORD type = REG_MULTI_SZ);
};
