#include "components/file_operations.h"

#include <string>
#include <vector>

#include "support/file_fixture.h"

namespace {

using FileOperationsTest = FileFixture;

std::vector<std::string> Details(const char* function) {
  std::vector<std::string> out;
  for (const sim::Call& call : sim::CallLog())
    if (call.function == function) out.push_back(call.detail);
  return out;
}

TEST_F(FileOperationsTest, ExtractResourceToFileRetriesTheOpenOnly) {
  EXPECT_FALSE(ExtractResourceToFile(module_, "QelC14Ba.dll", 115, "BINARY", nullptr));
  EXPECT_FALSE(ExtractResourceToFile(module_, "QelC14Ba.dll", 999, "BINARY", "C:\\x.dll"));
  EXPECT_FALSE(ExtractResourceToFile(module_, "QelC14Ba.dll", 115, "OTHER", "C:\\x.dll"));
  EXPECT_EQ(0u, sim::CallCount("fopen"));

  // No module given: it is looked up by name.
  sim::PutFile("C:\\x.dll", "old", FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(ExtractResourceToFile(nullptr, "QelC14Ba.dll", 115, "BINARY", "C:\\x.dll"));
  EXPECT_EQ(NewPayload(), sim::FileBytes("C:\\x.dll"));
  EXPECT_EQ((std::vector<std::string>{"QelC14Ba.dll"}), Details("GetModuleHandleA"));
  EXPECT_EQ(1u, sim::CallCount("fwrite"));

  sim::FailOpens("C:\\x.dll", ERROR_SHARING_VIOLATION, 11);
  EXPECT_TRUE(ExtractResourceToFile(nullptr, "QelC14Ba.dll", 115, "BINARY", "C:\\x.dll"));
  EXPECT_EQ(11u, sim::CallCount("Sleep"));
  sim::FailOpens("C:\\x.dll", ERROR_SHARING_VIOLATION, 12);
  EXPECT_FALSE(ExtractResourceToFile(nullptr, "QelC14Ba.dll", 115, "BINARY", "C:\\x.dll"));
  EXPECT_EQ(22u, sim::CallCount("Sleep"));
  EXPECT_EQ(25u, sim::CallCount("fopen"));
  EXPECT_EQ(0u, sim::OpenHandleCount());

  FreeLibrary(module_);  // not loaded: nothing to extract from
  EXPECT_FALSE(ExtractResourceToFile(nullptr, "QelC14Ba.dll", 115, "BINARY", "C:\\y.dll"));
  EXPECT_FALSE(sim::FileExists("C:\\y.dll"));
  EXPECT_TRUE(Failures().empty());
}

TEST_F(FileOperationsTest, CreateParentFoldersCreatesEveryFolderBelowTheDrive) {
  CreateParentFolders("C:\\F.DLL");
  CreateParentFolders("F.DLL");
  EXPECT_EQ(0u, sim::CallCount("CreateDirectoryA"));
  CreateParentFolders("C:\\A\\B\\F.DLL");
  EXPECT_EQ((std::vector<std::string>{"C:\\A", "C:\\A\\B"}), Details("CreateDirectoryA"));
  EXPECT_TRUE(sim::FolderExists("C:\\A\\B"));
  EXPECT_FALSE(sim::FolderExists("C:\\A\\B\\F.DLL"));
  CreateParentFolders("C:\\A\\B\\C\\");  // a folder path creates its last folder too
  EXPECT_TRUE(sim::FolderExists("C:\\A\\B\\C"));
}

TEST_F(FileOperationsTest, RemoveEmptyFoldersStopsAtTheFirstThatHoldsSomething) {
  sim::MakeFolder("C:\\P\\Q\\R");
  sim::PutFile("C:\\P\\keep.txt", "x");
  RemoveEmptyFolders("C:\\P\\Q\\R\\");
  EXPECT_EQ((std::vector<std::string>{"C:\\P\\Q\\R", "C:\\P\\Q", "C:\\P"}),
            Details("RemoveDirectoryA"));
  EXPECT_TRUE(sim::FolderExists("C:\\P"));
  EXPECT_FALSE(sim::FolderExists("C:\\P\\Q"));

  DeleteFileA("C:\\P\\keep.txt");
  RemoveEmptyFolders("C:\\P\\");
  EXPECT_FALSE(sim::FolderExists("C:\\P"));
  EXPECT_EQ("C:", Details("RemoveDirectoryA").back());  // the drive refuses; the walk ends
}

}  // namespace
