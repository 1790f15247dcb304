#include "components/file_component.h"

#include "components/bound_file_component.h"
#include "support/sim_test.h"
#include "machine/version_files.h"

namespace {

using FileComponentTest = SystemTest;

const char kTarget[] = "C:\\WINDOWS\\system32\\ShFolder.dll";

std::unique_ptr<FileComponent> ShFolder(uint32_t major = 0) {
  ItemDescriptor* item = CreateResourceItem("ShFolder.dll", 115, "%%system%%", nullptr);
  if (major != 0) item->SetRequiredVersion(major, 0, 0);
  return std::make_unique<FileComponent>(item);
}

TEST_F(FileComponentTest, ValidationAndExistence) {
  EXPECT_FALSE(FileComponent(nullptr).Validate());
  EXPECT_FALSE(FileComponent(CreateResourceItem("", 115, "", nullptr)).Validate());
  EXPECT_FALSE(BoundFileComponent(nullptr).Validate());
  EXPECT_FALSE(BoundFileComponent(CreateResourceItem("", 114, "", nullptr)).Validate());
  EXPECT_EQ((Codes{TrackedCode(0x94, 0xFFFF), TrackedCode(0x8F, 0xFFFF), TrackedCode(0xE0, 0xFFFF),
                   TrackedCode(0xDB, 0xFFFF)}),
            Failures());
  EXPECT_EQ(nullptr, FileComponent(nullptr).ComponentName());

  FailureList().ClearIfAutoClear();
  auto component = ShFolder();
  sim::PutFile(kTarget, OldProgram(), FILE_ATTRIBUTE_HIDDEN);
  EXPECT_TRUE(component->Exists());
  sim::MakeFolder("C:\\WINDOWS\\system32\\Dir.dll");
  EXPECT_TRUE(FileComponent(CreateResourceItem("Dir.dll", 115, "%%system%%", nullptr)).Exists());
  EXPECT_TRUE(Failures().empty());
  EXPECT_FALSE(FileComponent(CreateResourceItem("", 115, "", nullptr)).Exists());
  EXPECT_EQ((Codes{TrackedCode(0x13A, 0xFFFF)}), Failures());
}

TEST_F(FileComponentTest, VersionsDecideUpdatesAndTheRequiredVersion) {
  auto component = ShFolder();
  EXPECT_FALSE(ShFolder(5)->MeetsRequiredVersion());
  struct Case { std::vector<uint8_t> installed; bool needsUpdate, meets4, meets5; };
  const Case cases[] = {
      {OldProgram(), true, true, false},
      {NewPayload(), false, true, true},
      {testfiles::ProgramWithVersion({5, 0, 2196, 0}), false, true, true},  // newer stays
      {std::vector<uint8_t>(40, 'x'), true, false, false},                  // no version at all
  };
  for (const Case& c : cases) {
    sim::PutFile(kTarget, c.installed);
    EXPECT_EQ(c.needsUpdate, component->NeedsUpdate());
    EXPECT_EQ(c.meets4, ShFolder(4)->MeetsRequiredVersion());
    EXPECT_EQ(c.meets5, ShFolder(5)->MeetsRequiredVersion());
  }

  // Current, but its deletion is pending: looking does not cancel it.
  sim::PutFile(kTarget, NewPayload());
  const char pending[] = "\\??\\C:\\WINDOWS\\system32\\ShFolder.dll\0\0";
  SetPendingRenames(std::string(pending, sizeof pending));
  EXPECT_TRUE(component->NeedsUpdate());
  EXPECT_EQ(std::string(pending, sizeof pending), PendingRenames());

  // A payload without a readable version.
  SetPendingRenames(std::string(2, '\0'));
  sim::SetBinaryResource("QelC14BA.dll", 115, testfiles::ProgramWithVersionText("5, 0, 2195, 1"));
  EXPECT_TRUE(component->NeedsUpdate());
}

}  // namespace
