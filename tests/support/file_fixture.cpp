#include "support/file_fixture.h"

#include "machine/version_files.h"

namespace {
const char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";
}

void FileFixture::SetUp() {
  SystemTest::SetUp();
  sim::SetBinaryResource("QelC14BA.dll", 115, NewPayload());
  sim::SetBinaryResource("QelC14BA.dll", 112, testfiles::ProgramWithVersion({4, 20, 0, 1}));
}

void FileFixture::TearDown() {
  EXPECT_EQ(0u, sim::OpenHandleCount());
  SystemTest::TearDown();
}

std::vector<uint32_t> FileFixture::Outcomes() {
  std::vector<uint32_t> entries(OutcomeList().Count());
  OutcomeList().CopyTo(entries.data());
  return entries;
}

std::vector<uint32_t> FileFixture::TakeFailures() {
  std::vector<uint32_t> entries = Failures();
  FailureList().ClearIfAutoClear();
  return entries;
}

std::string FileFixture::PendingRenames() {
  auto value = sim::GetRegistryValue(kSessionManager, "PendingFileRenameOperations");
  if (!value) return "<none>";
  return std::string(value->data.begin(), value->data.end());
}

void FileFixture::SetPendingRenames(const std::string& data, DWORD type) {
  sim::SetRegistryValue(kSessionManager, "PendingFileRenameOperations", type,
                        std::vector<uint8_t>(data.begin(), data.end()));
}

const std::vector<uint8_t>& FileFixture::NewPayload() {
  static const std::vector<uint8_t> bytes = testfiles::ProgramWithVersion({5, 0, 2195, 1});
  return bytes;
}

const std::vector<uint8_t>& FileFixture::OldProgram() {
  static const std::vector<uint8_t> bytes = testfiles::ProgramWithVersion({4, 0, 1381, 0});
  return bytes;
}
