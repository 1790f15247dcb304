#include <cstring>

#include "platform/string.h"
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

}  // namespace
