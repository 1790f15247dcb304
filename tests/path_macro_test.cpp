#include "platform/path_macro.h"
#include "support/sim_test.h"

namespace {

class PathMacroTest : public SystemTest {
 protected:
  std::string Expand(const char* text) { return PathMacro(text).Expand().CStr(); }
};

TEST_F(PathMacroTest, ExpandsKnownNamesOnceAndDropsBrokenOnes) {
  EXPECT_EQ("C:\\WINDOWS\\system32\\x.sys", Expand("%%System%%x.sys"));
  EXPECT_EQ("C:\\Setup\\C:\\Program Files\\", Expand("%%current%%%%programfiles%%"));
  EXPECT_EQ("50%x", Expand("50%x"));
  EXPECT_EQ("", Expand(nullptr));
  EXPECT_EQ("abc", Expand("abc%%system"));
  EXPECT_EQ("", Expand("%%%"));
  EXPECT_EQ(0u, FailureList().Count());
  EXPECT_EQ("", Expand("%%%%"));
  EXPECT_EQ("x.sys", Expand("%%bogus%%x.sys"));
  EXPECT_EQ((std::vector<uint32_t>{0x0152FFFF, 0x0152FFFF}), Failures());

  PathMacro macro("%%bogus%%a.dll");
  EXPECT_STREQ("a.dll", macro.Expand().CStr());
  EXPECT_STREQ("a.dll", macro.Expand().CStr());
  EXPECT_EQ(3u, FailureList().Count());  // expanded once until assigned again
  macro.Assign("%%win%%b.dll");
  EXPECT_STREQ("C:\\WINDOWS\\b.dll", macro.Expand().CStr());

  // A folder that itself holds "%%" is not expanded again.
  sim::SetWindowsFolders("C:\\%%system%%", "C:\\WINDOWS\\system32");
  Restart(sim::Platform::WinXP);
  EXPECT_EQ("C:\\%%system%%\\a.dll", Expand("%%win%%a.dll"));
}

TEST_F(PathMacroTest, FoldersGainTheirBackslashAndFallBackWhenQueriesFail) {
  // The journeys cover folders that gain their backslash.
  Restart(sim::Platform::NT4);
  EXPECT_EQ(nullptr, GetModuleHandleA("shfolder.dll"));  // freed again after the lookup

  sim::FailCall("GetWindowsDirectoryA", ERROR_INVALID_PARAMETER);
  sim::FailCall("GetSystemDirectoryA", ERROR_INVALID_PARAMETER);
  sim::SetCurrentDirectory("D:\\", true);
  Restart(sim::Platform::NT4);
  const SpecialFolders& f = CurrentSpecialFolders();
  EXPECT_STREQ("c:\\", f.windows.CStr());
  EXPECT_STREQ("c:\\", f.system.CStr());
  EXPECT_STREQ("c:\\drivers\\", f.drivers.CStr());
  EXPECT_STREQ("c:\\", f.current.CStr());
}

TEST_F(PathMacroTest, ProgramFoldersComeFromTheShellElseTheRegistry) {
  const char* key = "Software\\Microsoft\\Windows\\CurrentVersion";
  sim::SetShellFolders("E:\\Apps", "E:\\Apps\\Common");
  sim::SetRegistryString(key, "ProgramFilesDir", "F:\\Programs");
  sim::SetRegistryString(key, "CommonFilesDir", "F:\\Programs\\Shared\\");
  Restart(sim::Platform::Win98);
  EXPECT_STREQ("E:\\Apps\\", CurrentSpecialFolders().programFiles.CStr());
  EXPECT_STREQ("E:\\Apps\\Common\\", CurrentSpecialFolders().commonFiles.CStr());

  sim::FailCall("SHGetFolderPathA", ERROR_ACCESS_DENIED, 2);  // only Common Files fails
  Restart(sim::Platform::Win98);
  EXPECT_STREQ("E:\\Apps\\", CurrentSpecialFolders().programFiles.CStr());
  EXPECT_STREQ("F:\\Programs\\Shared\\", CurrentSpecialFolders().commonFiles.CStr());

  sim::SetModuleExport("shfolder.dll", "SHGetFolderPathA", false);
  sim::SetRegistryString(key, "CommonFilesDir", "F:\\Shared", REG_EXPAND_SZ);
  Restart(sim::Platform::Win98);
  EXPECT_STREQ("F:\\Programs\\", CurrentSpecialFolders().programFiles.CStr());
  EXPECT_STREQ("\\", CurrentSpecialFolders().commonFiles.CStr());
  EXPECT_EQ(0u, FailureList().Count());
}

}  // namespace
