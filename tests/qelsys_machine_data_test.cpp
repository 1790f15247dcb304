// How qelsys reads pending restart-time operations and carried versions.
#include <gtest/gtest.h>

#include <cstring>

#include "image_version.h"
#include "pending_operations.h"

namespace {

std::vector<uint8_t> Bytes(const char* data, size_t size) {
  return std::vector<uint8_t>(data, data + size);
}

TEST(PendingOperations, ReadsPairsOfTheRegistryValue) {
  const char data[] = "\\??\\C:\\A.tmp\0!\\??\\C:\\A.DLL\0\\??\\C:\\B.EXE\0\0";
  std::vector<PendingOperation> ops = ParseRenamePairs(Bytes(data, sizeof data));
  ASSERT_EQ(ops.size(), 2u);
  EXPECT_EQ(ops[0].source, "\\??\\C:\\A.tmp");
  EXPECT_EQ(ops[0].target, "!\\??\\C:\\A.DLL");
  EXPECT_EQ(ops[1].source, "\\??\\C:\\B.EXE");
  EXPECT_EQ(ops[1].target, "");
  // Cut short: a source without its target is no pair.
  EXPECT_TRUE(ParseRenamePairs(Bytes("C:\\A\0", 5)).empty());
  EXPECT_TRUE(ParseRenamePairs({}).empty());
  // Without its final NUL the last target is still read.
  const char cut[] = "\\??\\C:\\A\0!\\??\\C:\\B";
  ops = ParseRenamePairs(Bytes(cut, sizeof cut - 1));
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_EQ(ops[0].target, "!\\??\\C:\\B");
}

TEST(PendingOperations, ReadsOnlyTheRenameSectionOfWininit) {
  std::string ini =
      "NUL=C:\\OUTSIDE.DLL\r\n"
      "[Other]\r\nNUL=C:\\OTHER.DLL\r\n"
      "[Rename]\r\n"
      "C:\\WINDOWS\\SYSTEM\\QELC11BA.VXD=C:\\WINDOWS\\SYSTEM\\C14A.TMP\r\n"
      "  nul= C:\\WINDOWS\\SYSTEM\\OLD.DLL\r\n"
      "novalue=\r\n"
      "[rename]\nNUL=C:\\LATER.DLL\n";
  std::vector<PendingOperation> ops = ParseWininitRenames(ini);
  ASSERT_EQ(ops.size(), 3u);
  EXPECT_EQ(ops[0].source, "C:\\WINDOWS\\SYSTEM\\C14A.TMP");
  EXPECT_EQ(ops[0].target, "C:\\WINDOWS\\SYSTEM\\QELC11BA.VXD");
  EXPECT_EQ(ops[1].source, "C:\\WINDOWS\\SYSTEM\\OLD.DLL");
  EXPECT_EQ(ops[1].target, "");
  EXPECT_EQ(ops[2].source, "C:\\LATER.DLL");
}

TEST(PendingOperations, KeepsThoseThatNameAComponentFileIgnoringCase) {
  std::vector<PendingOperation> ops = {
      {"\\??\\C:\\Install\\C14A.tmp", "!\\??\\C:\\Install\\QELC14BA.DLL"},
      {"\\??\\c:\\install\\qelc13ba.exe", ""},
      {"\\??\\C:\\Install\\OTHER.DLL", ""},
  };
  std::vector<PendingOperation> found =
      ConcerningPaths(ops, {"C:\\Install\\QELC14BA.DLL", "C:\\Install\\QELC13BA.EXE", ""});
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].source, ops[0].source);
  EXPECT_EQ(found[1].source, ops[1].source);
}

TEST(ImageVersion, ReadsTheFirstFixedFileInformationWhereverItLies) {
  uint8_t image[64] = {};
  const uint8_t fixed[] = {0xBD, 0x04, 0xEF, 0xFE, 0x00, 0x00, 0x01, 0x00,  // signature, layout
                           0x14, 0x00, 0x04, 0x00, 0x01, 0x00, 0x07, 0x00};  // 4.20, build 7, rev 1
  std::memcpy(image + 21, fixed, sizeof fixed);
  EXPECT_EQ(ImageVersion(image, sizeof image), "4.20.7");
  EXPECT_EQ(ImageVersion(image, 21 + 15), std::nullopt);  // cut inside the structure
  image[27] = 0x02;  // a signature without the structure's layout version is no match
  EXPECT_EQ(ImageVersion(image, sizeof image), std::nullopt);
  EXPECT_EQ(ImageVersion(nullptr, 100), std::nullopt);
}

}  // namespace
