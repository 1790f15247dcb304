// The platform layer: strings, version numbers and path macros.
#include <cstring>
#include <set>

#include "platform/path_macro.h"
#include "platform/string.h"
#include "platform/version_number.h"
#include "support/driver_sim.h"
#include "support/sim_test.h"

namespace {

using StringTest = SystemTest;

TEST_F(StringTest, AppendsCopiesAndComparesWithoutRegardToCase) {
  String path(nullptr);
  path.Append("C:\\WINDOWS").Append('\\').Append(String("x"));
  EXPECT_STREQ("C:\\WINDOWS\\x", path.CStr());
  EXPECT_EQ(std::strlen(path.CStr()), path.Length());
  String twice("ab");
  twice.Append(twice);
  twice.Append(twice.CStr() + 1);  // text from inside the string itself
  EXPECT_STREQ("ababbab", twice.CStr());
  String copy = twice;
  copy.Append('!');
  EXPECT_STREQ("ababbab", twice.CStr());
  copy = copy.CStr() + 2;
  EXPECT_STREQ("abbab!", copy.CStr());

  EXPECT_FALSE(EqualNoCase("QELC14BA.DLL", "QELC14BA.DL"));
  EXPECT_FALSE(EqualAsciiNoCase("KV00220+", "KV00220"));
  EXPECT_TRUE(EqualAsciiNoCase("KV00220+", "kv00220+"));
  EXPECT_TRUE(EqualAsciiNoCase(nullptr, ""));
}

TEST_F(StringTest, OneBufferAtATime) {
  String text("abc");
  char* buffer = text.GetBuffer(300);
  ASSERT_NE(nullptr, buffer);
  EXPECT_STREQ("abc", buffer);
  std::memset(buffer, 'x', 300);  // the whole requested size is writable
  buffer[300] = '\0';

  EXPECT_EQ(nullptr, text.GetBuffer(10));
  EXPECT_EQ(nullptr, text.GetBuffer());
  EXPECT_EQ((std::vector<uint32_t>{0x00BBFFFF, 0x00A1FFFF}), Failures());

  std::strcpy(buffer, "C:\\WINNT");
  text.ReleaseBuffer();
  EXPECT_STREQ("C:\\WINNT", text.CStr());
  EXPECT_EQ(8u, text.Length());
  EXPECT_NE(nullptr, text.GetBuffer());
  text.ReleaseBuffer();
}

using VersionNumberTest = SystemTest;

VersionNumber V(uint32_t a, uint32_t b, uint32_t c) {
  VersionNumber v;
  v.Set(a, b, c);
  return v;
}

// A version that counts how often it is asked and is never found.
struct UnreadableVersion : VersionNumber {
  int asked = 0;
  bool IsValid() override {
    ++asked;
    return VersionNumber::IsValid();
  }
};

TEST_F(VersionNumberTest, ComparesPartsAsUnsignedNumbers) {
  VersionNumber x = V(2, 20, 0), y = V(2, 20, 0), z = V(2, 19, 0xFFFFFFFF), w = V(2, 20, 1);
  EXPECT_TRUE(x <= y && x == y && z <= x && x < w);
  EXPECT_FALSE(x <= z);
  VersionNumber high = V(0x80000000, 0, 0), one = V(1, 0, 0);
  EXPECT_FALSE(high < one);
  EXPECT_TRUE(one < high);
  EXPECT_TRUE(!(x < x) && x == x && x <= x);
  EXPECT_EQ(0u, FailureList().Count());
}

TEST_F(VersionNumberTest, InvalidOperandsAreRecordedAndAskedAgainEachTime) {
  VersionNumber unset, other;
  EXPECT_FALSE(unset == other);
  EXPECT_FALSE(unset == unset);  // not even equal to itself
  EXPECT_EQ((std::vector<uint32_t>{0x00B7FFFF, 0x00B7FFFF}), Failures());

  UnreadableVersion reader;
  VersionNumber set = V(1, 0, 0);
  EXPECT_FALSE(reader < set);
  EXPECT_FALSE(set < reader);
  EXPECT_EQ(2, reader.asked);
  FailureList().ClearIfAutoClear();
  reader.asked = 0;
  EXPECT_FALSE(set <= reader);
  EXPECT_EQ(2, reader.asked);  // each comparison asks again
  EXPECT_EQ((std::vector<uint32_t>{0x0085FFFF, 0x00B7FFFF}), Failures());

  // An invalid left operand leaves the right one unasked.
  FailureList().ClearIfAutoClear();
  UnreadableVersion right;
  right.Set(1, 0, 0);
  EXPECT_FALSE(unset < right);
  EXPECT_FALSE(unset == right);
  EXPECT_EQ(0, right.asked);
  EXPECT_EQ(2u, FailureList().Count());
}

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
  // The journeys cover folders that gain their backslash and shfolder.dll freed again.
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
  sim::FailCall("SHGetFolderPathA", ERROR_ACCESS_DENIED, 2);  // only Common Files fails
  Restart(sim::Platform::Win98);
  EXPECT_STREQ("E:\\Apps\\", CurrentSpecialFolders().programFiles.CStr());
  EXPECT_STREQ("F:\\Programs\\Shared\\", CurrentSpecialFolders().commonFiles.CStr());
  // Both asked with CSIDL_FLAG_CREATE: the library writes into them.
  const std::vector<std::string> asked = CallDetails("SHGetFolderPathA");
  EXPECT_EQ((std::set<std::string>{"32806", "32811"}), std::set<std::string>(asked.begin(), asked.end()));

  sim::SetModuleExport("shfolder.dll", "SHGetFolderPathA", false);
  sim::SetRegistryString(key, "CommonFilesDir", "F:\\Shared", REG_EXPAND_SZ);
  Restart(sim::Platform::Win98);
  EXPECT_STREQ("F:\\Programs\\", CurrentSpecialFolders().programFiles.CStr());
  EXPECT_STREQ("\\", CurrentSpecialFolders().commonFiles.CStr());
  EXPECT_EQ(0u, FailureList().Count());
}

}  // namespace
