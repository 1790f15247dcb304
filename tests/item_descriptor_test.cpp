#include "components/item_descriptor.h"

#include "support/sim_test.h"

namespace {

using ItemDescriptorTest = SystemTest;

std::string Text(const String& s) { return s.CStr(); }

// No item of the component set changes its install folder afterwards.
TEST_F(ItemDescriptorTest, AnInstallFolderFollowsTheTargetOrFallsBackToIt) {
  ItemDescriptor* item = CreateResourceItem("F.DLL", 115, "%%win%%", "C:\\Inst\\");
  item->SetInstallFolder(nullptr);  // follows the target folder as it is now
  item->SetTargetFolder("C:\\Other\\");
  EXPECT_EQ("C:\\WINDOWS\\F.DLL", Text(item->InstallPath()));
  item->SetInstallFolder("");  // an empty install folder falls back to the target path
  EXPECT_EQ("C:\\Other\\F.DLL", Text(item->InstallPath()));
  EXPECT_EQ(0u, item->Release());  // never taken: the first release destroys it
}

TEST_F(ItemDescriptorTest, SourcePathAppendsTheNameOnlyToAFolder) {
  const std::pair<const char*, const char*> cases[] = {
      {"C:\\Src\\", "C:\\Src\\F.DLL"}, {"C:\\Src\\old.dll", "C:\\Src\\old.dll"},
      {"plain", "plain"},              {"%%win%%", "C:\\WINDOWS\\F.DLL"},
      {"C:\\a\\b\\x", "C:\\a\\b\\x"}};
  for (auto [source, expected] : cases) {
    ItemDescriptor* item = CreateModuleItem("F.DLL", source, "C:\\T\\", nullptr);
    EXPECT_EQ(expected, Text(item->SourcePath())) << source;
    item->Release();
  }
}

}  // namespace
