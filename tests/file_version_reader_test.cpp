#include "components/file_version_reader.h"

#include "components/version_text.h"
#include "support/driver_sim.h"
#include "support/sim_test.h"
#include "machine/version_files.h"

namespace {

using testfiles::Utf16;
using FileVersionReaderTest = SystemTest;

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
  return VersionText(reader);
}

TEST_F(FileVersionReaderTest, ParseDottedVersionTakesThreeNumbersAfterAtMostTwoNuls) {
  struct Case { int nuls; const char* text; const char* expected; };
  const Case cases[] = {
      {0, "4.20.0", "4.20.0"},     {1, "4.20.0.1", "4.20.0"},  {2, "5.0.2195.1", "5.0.2195"},
      {3, "5.0.2195", "invalid"},  {2, "4, 20, 0, 1", "invalid"}, {2, "4.20", "invalid"},
      {2, "4.20.", "invalid"},     {2, "1..2.3", "invalid"},    {2, "v1.2.3", "invalid"},
      {2, "", "invalid"},          {0, "7.8.9xyz", "7.8.9"},
      {0, "4294967296.1.2", "0.1.2"},  // no overflow check: the value wraps
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes(2 * c.nuls, 0);
    std::vector<uint8_t> text = Utf16(c.text);
    bytes.insert(bytes.end(), text.begin(), text.end());
    VersionNumber v;
    bool parsed = ParseDottedVersion(bytes.data(), bytes.size(), v);
    EXPECT_EQ(std::string(c.expected) != "invalid", parsed) << c.text;
    EXPECT_EQ(c.expected, VersionText(v)) << c.text;
  }
  // The text is its data only: a size that stops inside it stops the parse,
  // even in the middle of a unit.
  std::vector<uint8_t> text = Utf16("1.2.345");
  VersionNumber v;
  ASSERT_TRUE(ParseDottedVersion(text.data(), 10, v));
  EXPECT_EQ(3u, v.build);
  EXPECT_FALSE(ParseDottedVersion(text.data(), 8, v = VersionNumber()));
  EXPECT_FALSE(ParseDottedVersion(text.data(), 9, v = VersionNumber()));
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
  struct Case { const char* what; std::vector<uint8_t> file; const char* expected; };
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

// The fault sweep pins that a found version is kept and read no more.
TEST_F(FileVersionReaderTest, OneThatFoundNothingTriesAgain) {
  FileVersionReader missing("C:\\raw.bin");
  EXPECT_FALSE(missing.IsValid());
  sim::PutFile("C:\\raw.bin", FileWith(300, 40, KeyAndValue("1.2.3")));
  // Another program writing to it does not hide its version.
  sim::HoldFileElsewhere("C:\\raw.bin", FILE_SHARE_READ | FILE_SHARE_WRITE, GENERIC_WRITE);
  EXPECT_TRUE(missing.IsValid());
  EXPECT_TRUE(Failures().empty());
}

}  // namespace
