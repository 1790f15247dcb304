#include "components/file_version_reader.h"

#include <string>
#include <vector>

#include "components/version_text.h"
#include "support/sim_test.h"
#include "support/version_files.h"

namespace {

using testfiles::Utf16;
using FileVersionReaderTest = SystemTest;
using Codes = std::vector<uint32_t>;

// "FileVersion", `nuls` NUL units and the value, as a string table holds them.
std::vector<uint8_t> KeyAndValue(const std::string& value, int nuls = 2) {
  std::vector<uint8_t> out = Utf16("FileVersion");
  out.insert(out.end(), 2 * nuls, 0);
  std::vector<uint8_t> text = Utf16(value);
  out.insert(out.end(), text.begin(), text.end());
  return out;
}

// `size` bytes of filler with `text` at `offset` (growing the file if needed).
std::vector<uint8_t> FileWith(size_t size, size_t offset, const std::vector<uint8_t>& text) {
  std::vector<uint8_t> out(std::max(size, offset + text.size()), 0xCC);
  std::copy(text.begin(), text.end(), out.begin() + offset);
  return out;
}

std::string Read(const char* path) {
  FileVersionReader reader(path);
  if (!reader.IsValid()) return "invalid";
  return std::to_string(reader.major) + "." + std::to_string(reader.minor) + "." +
         std::to_string(reader.build);
}

TEST_F(FileVersionReaderTest, ParseDottedVersionTakesThreeNumbersAfterAtMostTwoNuls) {
  struct Case {
    std::vector<uint8_t> text;
    const char* expected;
  };
  auto nuls = [](int n, const std::string& value) {
    std::vector<uint8_t> out(2 * n, 0);
    std::vector<uint8_t> text = Utf16(value);
    out.insert(out.end(), text.begin(), text.end());
    return out;
  };
  std::vector<uint8_t> oddTail = Utf16("1.2.3");
  oddTail.pop_back();  // the last unit is cut in half
  const Case cases[] = {
      {nuls(0, "4.20.0"), "4.20.0"},
      {nuls(1, "4.20.0.1"), "4.20.0"},
      {nuls(2, "5.0.2195.1"), "5.0.2195"},
      {nuls(3, "5.0.2195"), "invalid"},
      {nuls(2, "4, 20, 0, 1"), "invalid"},
      {nuls(2, "4.20"), "invalid"},
      {nuls(2, "4.20."), "invalid"},
      {nuls(2, "1..2.3"), "invalid"},
      {nuls(2, "v1.2.3"), "invalid"},
      {nuls(2, ""), "invalid"},
      {nuls(0, "4294967296.1.2"), "0.1.2"},  // no overflow check: the value wraps
      {nuls(0, "7.8.9xyz"), "7.8.9"},
      {oddTail, "invalid"},
  };
  for (const Case& c : cases) {
    VersionNumber v;
    bool parsed = ParseDottedVersion(c.text.data(), c.text.size(), v);
    std::string got = parsed ? std::to_string(v.major) + "." + std::to_string(v.minor) + "." +
                                   std::to_string(v.build)
                             : "invalid";
    EXPECT_EQ(c.expected, got);
    EXPECT_EQ(parsed, v.valid);
  }
  // The text is its data only: a size that stops inside it stops the parse.
  std::vector<uint8_t> text = Utf16("1.2.345");
  VersionNumber v;
  ASSERT_TRUE(ParseDottedVersion(text.data(), 10, v));
  EXPECT_EQ(3u, v.build);
  EXPECT_FALSE(ParseDottedVersion(text.data(), 8, v = VersionNumber()));
}

TEST_F(FileVersionReaderTest, TheVersionResourceWinsOverTheText) {
  testfiles::Version fixed{4, 20, 7, 1};
  sim::PutFile("C:\\both.dll",
               testfiles::ProgramImage(testfiles::VersionResource(&fixed, "9.9.9.9")));
  EXPECT_EQ("4.20.7", Read("C:\\both.dll"));
  sim::PutFile("C:\\nofixed.dll",
               testfiles::ProgramImage(testfiles::VersionResource(nullptr, "3.1.4.1")));
  EXPECT_EQ("3.1.4", Read("C:\\nofixed.dll"));  // the version functions give nothing: the scan
  sim::PutFile("C:\\text.dll", testfiles::ProgramWithVersionText("1.16.0.2"));
  EXPECT_EQ("1.16.0", Read("C:\\text.dll"));
}

TEST_F(FileVersionReaderTest, TheRawScanFindsTheKeyWhereverItLies) {
  struct Case {
    const char* what;
    std::vector<uint8_t> file;
    const char* expected;
  };
  std::vector<uint8_t> commasThenGood = FileWith(700, 10, KeyAndValue("4, 20, 0, 1"));
  std::vector<uint8_t> good = KeyAndValue("4.20.3.0");
  std::copy(good.begin(), good.end(), commasThenGood.begin() + 450);
  std::vector<uint8_t> tiny = Utf16("FileVersio");  // 20 bytes
  const Case cases[] = {
      {"two NULs, four parts", FileWith(300, 40, KeyAndValue("5.0.2195.1")), "5.0.2195"},
      {"key straddling the first block", FileWith(600, 250, KeyAndValue("5.0.2195.1")),
       "5.0.2195"},
      {"odd offset", FileWith(600, 251, KeyAndValue("1.2.3")), "1.2.3"},
      {"value past the block", FileWith(600, 230, KeyAndValue("6.1.7601.17514")), "6.1.7601"},
      {"far into the file", FileWith(5000, 4321, KeyAndValue("2.0.1")), "2.0.1"},
      {"commas, then a good one", commasThenGood, "4.20.3"},
      {"commas only", FileWith(700, 10, KeyAndValue("4, 20, 0, 1")), "invalid"},
      {"no digits", FileWith(300, 10, KeyAndValue("abc")), "invalid"},
      {"text at the very end", FileWith(0, 0, KeyAndValue("7.0.1")), "7.0.1"},
      {"end cuts the third number", FileWith(100, 60, KeyAndValue("7.0.")), "invalid"},
      {"key at the very end", FileWith(100, 78, Utf16("FileVersion")), "invalid"},
      {"shorter than the key", tiny, "invalid"},
      {"empty file", {}, "invalid"},
  };
  for (const Case& c : cases) {
    sim::PutFile("C:\\raw.bin", c.file);
    EXPECT_EQ(c.expected, Read("C:\\raw.bin")) << c.what;
  }
  EXPECT_TRUE(Failures().empty());
}

TEST_F(FileVersionReaderTest, FilesThatCannotBeReadHaveNoVersion) {
  EXPECT_EQ("invalid", Read(""));
  EXPECT_EQ((Codes{TrackedCode(0x9A, 0xFFFF)}), Failures());

  FailureList().ClearIfAutoClear();
  EXPECT_EQ("invalid", Read("C:\\missing.dll"));
  EXPECT_TRUE(Failures().empty());

  sim::PutFile("C:\\held.dll", FileWith(300, 0, KeyAndValue("1.2.3")));
  sim::HoldFileElsewhere("C:\\held.dll", 0);
  EXPECT_EQ("invalid", Read("C:\\held.dll"));
  EXPECT_EQ((Codes{TrackedCode(0xC9, 1002)}), Failures());

  FailureList().ClearIfAutoClear();
  sim::PutFile("C:\\denied.dll", testfiles::ProgramWithVersion({1, 2, 3, 4}));
  sim::DenyAccess("C:\\denied.dll");
  EXPECT_EQ("invalid", Read("C:\\denied.dll"));
  EXPECT_EQ((Codes{TrackedCode(0xC6, 1007)}), Failures());
}

TEST_F(FileVersionReaderTest, AFoundVersionIsNotReadAgain) {
  sim::PutFile("C:\\raw.bin", FileWith(300, 40, KeyAndValue("1.2.3")));
  FileVersionReader reader(String("C:\\raw.bin"));
  ASSERT_TRUE(reader.IsValid());
  size_t opens = sim::CallCount("CreateFileA");
  size_t queries = sim::CallCount("GetFileVersionInfoSizeA");
  sim::PutFile("C:\\raw.bin", FileWith(300, 40, KeyAndValue("9.9.9")));
  EXPECT_TRUE(reader.IsValid());
  EXPECT_EQ(1u, reader.major);
  EXPECT_EQ(opens, sim::CallCount("CreateFileA"));
  EXPECT_EQ(queries, sim::CallCount("GetFileVersionInfoSizeA"));
  EXPECT_EQ(0u, sim::OpenHandleCount());

  // One that found nothing tries again.
  FileVersionReader missing("C:\\later.bin");
  EXPECT_FALSE(missing.IsValid());
  sim::PutFile("C:\\later.bin", FileWith(300, 40, KeyAndValue("2.3.4")));
  EXPECT_TRUE(missing.IsValid());
  EXPECT_EQ(4u, missing.build);
}

}  // namespace
