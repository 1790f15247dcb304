
#include "components/file_component.h"
#include "support/sim_test.h"
#include "machine/version_files.h"

namespace {

using FileDeployTest = SystemTest;

// A component copying C:\Media\F.DLL (the new payload) to C:\T\F.DLL.
std::unique_ptr<FileComponent> FromMedia() {
  sim::PutFile("C:\\Media\\F.DLL", SystemTest::NewPayload());
  return std::make_unique<FileComponent>(CreateModuleItem("F.DLL", "C:\\Media\\", "C:\\T\\", nullptr));
}

// A component writing resource 115 to C:\T\F.DLL.
std::unique_ptr<FileComponent> FromResource(const char* install = nullptr) {
  return std::make_unique<FileComponent>(CreateResourceItem("F.DLL", 115, "C:\\T\\", install));
}

// The reinstall journey covers a current file left alone.
TEST_F(FileDeployTest, AProtectedOldFileIsOverwritten) {
  for (bool media : {false, true}) {
    sim::PutFile("C:\\T\\F.DLL", OldProgram(),
                 FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    EXPECT_TRUE((media ? FromMedia() : FromResource())->Deploy(false));
    EXPECT_EQ(NewPayload(), sim::FileBytes("C:\\T\\F.DLL"));
  }
  EXPECT_EQ(0u, sim::CallCount("Sleep"));  // the attributes went before the first attempt
  EXPECT_TRUE(Failures().empty());
}

// The in-use scenarios cover a held copied file, written later or at the restart.
TEST_F(FileDeployTest, AResourcePayloadHeldForEveryOpenIsNotWrittenWithoutDeferral) {
  sim::PutFile("C:\\T\\F.DLL", OldProgram());
  sim::HoldFileElsewhere("C:\\T\\F.DLL", FILE_SHARE_READ);
  EXPECT_FALSE(FromResource()->Deploy(false));
  EXPECT_EQ((Codes{TrackedCode(0x1F6, 1003)}), Failures());
  EXPECT_EQ(12u, sim::CallCount("fopen"));
  EXPECT_EQ(11u, sim::CallCount("Sleep"));
  EXPECT_EQ(1100u, sim::Now());
  EXPECT_EQ(OldProgram(), sim::FileBytes("C:\\T\\F.DLL"));
  EXPECT_EQ((std::vector<std::string>{"F.DLL"}), sim::FolderEntries("C:\\T"));
  EXPECT_EQ("<none>", PendingRenames());
}

TEST_F(FileDeployTest, AFileLetGoSoonIsWrittenOnALaterAttempt) {
  sim::PutFile("C:\\T\\F.DLL", OldProgram());
  sim::HoldFileElsewhere("C:\\T\\F.DLL", FILE_SHARE_READ, GENERIC_READ, 350);
  EXPECT_TRUE(FromMedia()->Deploy(false));
  EXPECT_EQ(5u, sim::CallCount("CopyFileA"));
  EXPECT_EQ(4u, sim::CallCount("Sleep"));
  EXPECT_EQ(NewPayload(), sim::FileBytes("C:\\T\\F.DLL"));

  sim::FailOpens("C:\\T\\New.dll", ERROR_SHARING_VIOLATION, 11);
  FileComponent fresh(CreateResourceItem("New.dll", 115, "C:\\T\\", nullptr));
  EXPECT_TRUE(fresh.Deploy(false));  // the twelfth open
  EXPECT_EQ(4u + 11u, sim::CallCount("Sleep"));
  EXPECT_EQ(NewPayload(), sim::FileBytes("C:\\T\\New.dll"));
  EXPECT_TRUE(Failures().empty());
}

// The fault sweep pins an empty source path (GetModuleFileNameA failing).
TEST_F(FileDeployTest, AnEmptyInstallPathIsRefused) {
  EXPECT_FALSE(FileComponent(CreateResourceItem("", 115, "", nullptr)).Deploy(true));
  EXPECT_EQ((Codes{TrackedCode(0x1D7, 1008)}), Failures());
  EXPECT_EQ(0u, sim::CallCount("GetTempFileNameA"));
}

TEST_F(FileDeployTest, AReplacementThatCannotBeStagedOrScheduled) {
  // No install folder: no staged file, nothing recorded.
  EXPECT_FALSE(FromResource("C:\\Missing\\")->ScheduleReplacement());
  EXPECT_TRUE(Failures().empty());
  // The fault sweep pins a payload that cannot be staged.
  Restart(sim::Platform::Win32s);
  sim::PutFile("C:\\T\\F.DLL", OldProgram());
  std::vector<std::string> before = sim::FolderEntries("C:\\T");
  EXPECT_FALSE(FromResource()->ScheduleReplacement());
  EXPECT_EQ((Codes{TrackedCode(0x2F7, 0xFFFF)}), Failures());
  EXPECT_EQ(before, sim::FolderEntries("C:\\T"));  // the staged file went again
}

TEST_F(FileDeployTest, RemoveDeletesAProtectedFileAndTheFoldersItLeavesEmpty) {
  sim::PutFile("C:\\P\\Q\\R\\F.DLL", OldProgram(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  sim::PutFile("C:\\P\\keep.txt", "x");
  FileComponent component(CreateResourceItem("F.DLL", 115, "C:\\P\\Q\\R\\", nullptr));
  EXPECT_TRUE(component.Remove(0));
  EXPECT_FALSE(sim::FolderExists("C:\\P\\Q"));
  EXPECT_TRUE(sim::FileExists("C:\\P\\keep.txt"));
  EXPECT_EQ(1u, sim::CallCount("DeleteFileA"));

  sim::MakeFolder("C:\\P\\Q\\R");
  EXPECT_TRUE(component.Remove(0));  // already gone: its empty folders still go
  EXPECT_FALSE(sim::FolderExists("C:\\P\\Q"));
  EXPECT_EQ(1u, sim::CallCount("DeleteFileA"));

  EXPECT_TRUE(FileComponent(CreateResourceItem("", 115, "", nullptr)).Remove(0));
  EXPECT_EQ((Codes{TrackedCode(0x22E, 0xFFFF)}), Failures());
}

TEST_F(FileDeployTest, RemoveRetriesThirteenTimesAndThenDefersTheDeletion) {
  sim::PutFile("C:\\T\\F.DLL", OldProgram());
  sim::FailOpens("C:\\T\\F.DLL", ERROR_SHARING_VIOLATION, 12);
  EXPECT_TRUE(FromResource()->Remove(0));
  EXPECT_EQ(13u, sim::CallCount("DeleteFileA"));
  EXPECT_EQ(11u, sim::CallCount("Sleep"));
  EXPECT_FALSE(sim::FileExists("C:\\T\\F.DLL"));

  sim::PutFile("C:\\T\\F.DLL", OldProgram());
  sim::HoldFileElsewhere("C:\\T\\F.DLL", FILE_SHARE_READ);
  EXPECT_FALSE(FromResource()->Remove(0));
  EXPECT_EQ((Codes{TrackedCode(0x253, 1001)}), Failures());
  EXPECT_EQ(26u, sim::CallCount("DeleteFileA"));
  const char pending[] = "\\??\\C:\\T\\F.DLL\0\0";
  EXPECT_EQ(std::string(pending, sizeof pending), PendingRenames());
  sim::SimulateRestart();
  EXPECT_FALSE(sim::FileExists("C:\\T\\F.DLL"));
}

TEST_F(FileDeployTest, RemoveTakesAMissingFileFolderOrDriveAsGoneAndRetriesWritable) {
  for (DWORD error : {ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_INVALID_DRIVE}) {
    sim::PutFile("C:\\T\\F.DLL", OldProgram());
    sim::FailCall("DeleteFileA", error);
    EXPECT_TRUE(FromResource()->Remove(0)) << error;
    EXPECT_TRUE(sim::FileExists("C:\\T\\F.DLL")) << error << " was retried";
  }
  // Another program may set the read-only flag again between two tries.
  sim::PutFile("C:\\T\\F.DLL", OldProgram(), FILE_ATTRIBUTE_READONLY);
  sim::FailCall("SetFileAttributesA", ERROR_SHARING_VIOLATION);
  EXPECT_TRUE(FromResource()->Remove(0));
  EXPECT_FALSE(sim::FileExists("C:\\T\\F.DLL"));
}

}  // namespace
