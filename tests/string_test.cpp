#include <cstring>

#include "platform/string.h"
#include "support/sim_test.h"

namespace {

using StringTest = SystemTest;

TEST_F(StringTest, BuildsAndAppendsText) {
  String empty(nullptr);
  EXPECT_STREQ("", empty.CStr());
  EXPECT_EQ(0u, empty.Length());

  String path("C:\\WINDOWS");
  path.Append('\\').Append("System32").Append(String("\\x"));
  EXPECT_STREQ("C:\\WINDOWS\\System32\\x", path.CStr());
  EXPECT_EQ(std::strlen(path.CStr()), path.Length());

  String twice("ab");
  twice.Append(twice);
  twice.Append(twice.CStr() + 1);  // text from inside the string itself
  EXPECT_STREQ("ababbab", twice.CStr());

  String chars;
  for (int i = 0; i < 25; ++i) chars.Append(static_cast<char>('a' + i));
  EXPECT_STREQ("abcdefghijklmnopqrstuvwxy", chars.CStr());

  String joined = String("%%system%%") + String("QELC11BA.VXD");
  EXPECT_STREQ("%%system%%QELC11BA.VXD", joined.CStr());
  String copy = joined;
  copy.Append('!');
  EXPECT_STREQ("%%system%%QELC11BA.VXD", joined.CStr());
  copy = copy.CStr() + 2;
  EXPECT_STREQ("system%%QELC11BA.VXD!", copy.CStr());
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

TEST_F(StringTest, ComparesWithoutRegardToCase) {
  String name("ShFolder.DLL");
  name.MakeLower();
  EXPECT_STREQ("shfolder.dll", name.CStr());
  EXPECT_TRUE(EqualNoCase("C:\\Windows\\QELC14BA.DLL", "c:\\windows\\qelc14ba.dll"));
  EXPECT_FALSE(EqualNoCase("QELC14BA.DLL", "QELC14BA.DL"));
  EXPECT_FALSE(EqualNoCase("QELC14BA.DLL", "QELC15BA.DLL"));
  EXPECT_TRUE(EqualAsciiNoCase("KV00220+", "kv00220+"));
  EXPECT_FALSE(EqualAsciiNoCase("KV00220+", "KV00220"));
  EXPECT_TRUE(EqualAsciiNoCase(nullptr, ""));
}

}  // namespace
