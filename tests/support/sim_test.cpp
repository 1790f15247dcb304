#include "support/sim_test.h"

#include "core/module_state.h"
#include "machine/version_files.h"

#include <fstream>
#include <sstream>

namespace {

const char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";

}  // namespace

Codes Entries(const TrackedErrorList& list) {
  Codes entries(list.Count());
  EXPECT_EQ(list.Count(), list.CopyTo(entries.data()));
  return entries;
}

const TrackedCodeTable& ProjectCodeTable() {
  static const TrackedCodeTable table = [] {
    std::ifstream in(QEL_TRACKED_CODES, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    TrackedCodeTable parsed;
    std::string error;
    EXPECT_TRUE(parsed.Parse(text.str(), &error)) << error;
    return parsed;
  }();
  return table;
}

void SimTest::SetUp() {
  sim::Reset();
  simmachine::RegisterLibrary();
}

void SimTest::TearDown() { sim::Reset(); }

void SystemTest::SetUp() {
  SimTest::SetUp();
  sim::SetBinaryResource("QelC14BA.dll", 115, NewPayload());
  sim::SetBinaryResource("QelC14BA.dll", 112, testfiles::ProgramWithVersion({4, 20, 0, 1}));
  // The library's own module, for its string table and file name.
  module_ = LoadLibraryA("QelC14BA.dll");
  ASSERT_NE(nullptr, module_);
  Restart(sim::Platform::WinXP);
}

void SystemTest::TearDown() {
  EXPECT_EQ(0u, sim::OpenHandleCount());
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

Codes SystemTest::Failures() { return Entries(FailureList()); }

Codes SystemTest::Outcomes() { return Entries(OutcomeList()); }

Codes SystemTest::TakeFailures() {
  Codes entries = Failures();
  FailureList().ClearIfAutoClear();
  return entries;
}

std::string SystemTest::PendingRenames() {
  auto value = sim::GetRegistryValue(kSessionManager, "PendingFileRenameOperations");
  if (!value) return "<none>";
  return std::string(value->data.begin(), value->data.end());
}

void SystemTest::SetPendingRenames(const std::string& data, DWORD type) {
  sim::SetRegistryValue(kSessionManager, "PendingFileRenameOperations", type,
                        std::vector<uint8_t>(data.begin(), data.end()));
}

const std::vector<uint8_t>& SystemTest::NewPayload() {
  static const std::vector<uint8_t> bytes = testfiles::ProgramWithVersion({5, 0, 2195, 1});
  return bytes;
}

const std::vector<uint8_t>& SystemTest::OldProgram() {
  static const std::vector<uint8_t> bytes = testfiles::ProgramWithVersion({4, 0, 1381, 0});
  return bytes;
}
