#include "components/item_descriptor.h"

#include <string>

#include "support/sim_test.h"

namespace {

using ItemDescriptorTest = SystemTest;

// Lets a test see when Release destroys the descriptor.
struct WatchedItem : ItemDescriptor {
  explicit WatchedItem(bool* gone) : ItemDescriptor("F.DLL", nullptr, "C:\\A\\", nullptr, 7),
                                     gone_(gone) {}
  ~WatchedItem() override { *gone_ = true; }
  bool* gone_;
};

std::string Text(const String& s) { return s.CStr(); }

TEST_F(ItemDescriptorTest, ResourceItemPathsExpandTheirFolders) {
  ItemDescriptor* item = CreateResourceItem("QELC11BA.EXE", 10001, "%%ntdrivers%%", nullptr);
  ASSERT_NE(nullptr, item);
  EXPECT_EQ("QELC11BA.EXE", Text(item->Name()));
  EXPECT_EQ("C:\\WINDOWS\\system32\\drivers\\QELC11BA.EXE", Text(item->TargetPath()));
  EXPECT_EQ(Text(item->TargetPath()), Text(item->InstallPath()));
  EXPECT_EQ("C:\\WINDOWS\\system32\\drivers\\", Text(item->InstallFolder()));
  EXPECT_EQ("", Text(item->SourcePath()));
  EXPECT_EQ(10001u, item->resourceId);
  EXPECT_EQ(0u, item->refCount);
  EXPECT_FALSE(item->requiredVersion.IsValid());
  item->SetRequiredVersion(4, 20, 0);
  EXPECT_TRUE(item->requiredVersion.IsValid());
  EXPECT_EQ(20u, item->requiredVersion.minor);
  EXPECT_EQ(0u, item->Release());
}

TEST_F(ItemDescriptorTest, SourcePathAppendsTheNameOnlyToAFolder) {
  struct Case {
    const char* source;
    const char* expected;
  };
  for (Case c : {Case{"C:\\Src\\", "C:\\Src\\F.DLL"}, Case{"C:\\Src\\old.dll", "C:\\Src\\old.dll"},
                 Case{"plain", "plain"}, Case{"%%win%%", "C:\\WINDOWS\\F.DLL"},
                 Case{"C:\\a\\b\\x", "C:\\a\\b\\x"}}) {
    ItemDescriptor* item = CreateModuleItem("F.DLL", c.source, "C:\\T\\", nullptr);
    EXPECT_EQ(c.expected, Text(item->SourcePath())) << c.source;
    EXPECT_EQ(0u, item->resourceId);
    item->Release();
  }
}

TEST_F(ItemDescriptorTest, FoldersCanMoveAndAreExpandedAgain) {
  ItemDescriptor* item = CreateResourceItem("F.DLL", 115, "%%system%%", "C:\\Inst\\");
  EXPECT_EQ("C:\\WINDOWS\\system32\\F.DLL", Text(item->TargetPath()));
  EXPECT_EQ("C:\\Inst\\F.DLL", Text(item->InstallPath()));

  item->SetTargetFolder("%%win%%");
  EXPECT_EQ("C:\\WINDOWS\\F.DLL", Text(item->TargetPath()));
  EXPECT_EQ("C:\\Inst\\F.DLL", Text(item->InstallPath()));

  item->SetInstallFolder(nullptr);  // follows the target folder as it is now
  EXPECT_EQ("C:\\WINDOWS\\F.DLL", Text(item->InstallPath()));
  item->SetTargetFolder("C:\\Other\\");
  EXPECT_EQ("C:\\WINDOWS\\F.DLL", Text(item->InstallPath()));

  item->SetInstallFolder("");  // an empty install folder falls back to the target path
  EXPECT_EQ("C:\\Other\\F.DLL", Text(item->InstallPath()));
  item->Release();
}

TEST_F(ItemDescriptorTest, TheLastReleaseDestroys) {
  bool gone = false;
  ItemDescriptor* item = new WatchedItem(&gone);
  EXPECT_EQ(1u, item->AddRef());
  EXPECT_EQ(2u, item->AddRef());
  EXPECT_EQ(1u, item->Release());
  EXPECT_FALSE(gone);
  EXPECT_EQ(0u, item->Release());
  EXPECT_TRUE(gone);

  gone = false;
  item = new WatchedItem(&gone);
  EXPECT_EQ(0u, item->Release());  // never taken: the first Release destroys it
  EXPECT_TRUE(gone);
}

}  // namespace
