// The decoding table of tracked codes (data/tracked_codes.tsv) against the
// places in src/ that record them, and the reader of the table.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "codes/recording_scan.h"
#include "public_codes.h"
#include "tracked_code_table.h"

namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<SourceFile> LibrarySources() {
  std::vector<SourceFile> files;
  fs::path root = fs::path(QEL_SOURCE_DIR) / "src";
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    std::string ext = entry.path().extension().string();
    if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
    files.push_back({fs::relative(entry.path(), QEL_SOURCE_DIR).generic_string(), ReadText(entry.path())});
  }
  std::sort(files.begin(), files.end(),
            [](const SourceFile& a, const SourceFile& b) { return a.name < b.name; });
  return files;
}

std::string Pair(uint16_t site, uint16_t code) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%X/%u", site, code);
  return text;
}

class TrackedCodeTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(table.Parse(ReadText(QEL_TRACKED_CODES), &error)) << error;
    sources = LibrarySources();
    ASSERT_GT(sources.size(), 50u) << "the library's sources were not found under " QEL_SOURCE_DIR;
    scan = ScanRecordingPlaces(sources);
  }

  TrackedCodeTable table;
  std::vector<SourceFile> sources;
  ScanResult scan;
};

TEST_F(TrackedCodeTableTest, ListsExactlyThePairsTheSourcesRecord) {
  for (const std::string& problem : scan.problems) ADD_FAILURE() << "not followed: " << problem;
  std::map<std::pair<uint16_t, uint16_t>, const RecordingPlace*> recorded;
  for (const RecordingPlace& place : scan.places) {
    auto [it, inserted] = recorded.emplace(std::make_pair(place.site, place.code), &place);
    EXPECT_TRUE(inserted) << Pair(place.site, place.code) << " is recorded at " << it->second->where
                          << " and again at " << place.where << ": the pair no longer names one place";
    const TrackedCodeRow* row = table.Find(place.site, place.code);
    if (row == nullptr) {
      ADD_FAILURE() << "no row for " << Pair(place.site, place.code) << " recorded at " << place.where;
      continue;
    }
    EXPECT_EQ(row->outcome, place.outcome)
        << Pair(place.site, place.code) << " is in the wrong list; recorded at " << place.where;
  }
  for (const TrackedCodeRow& row : table.Rows())
    EXPECT_TRUE(recorded.count({row.site, row.code}))
        << "row " << Pair(row.site, row.code) << " (" << row.operation << ") is recorded nowhere";
  // The library records well over a hundred pairs; a scan that finds few has lost its way.
  EXPECT_GE(recorded.size(), 100u);
}

TEST_F(TrackedCodeTableTest, EverySiteLikeLiteralIsARecordedSiteOrAKnownConstant) {
  const std::map<uint32_t, const char*> notSites = {
      {0xFF, "the low byte of the uninstall argument"},
      {0x8FF, "the version control code of the Windows 9x channel"},
  };
  std::set<uint32_t> sites;
  for (const RecordingPlace& place : scan.places) sites.insert(place.site);
  std::set<uint32_t> seen;
  for (const HexLiteral& literal : scan.siteLikeLiterals) {
    seen.insert(literal.value);
    if (!sites.count(literal.value) && !notSites.count(literal.value))
      ADD_FAILURE() << "0x" << std::hex << std::uppercase << literal.value << " at " << literal.where
                    << " looks like a site but no recording call was followed to it";
  }
  for (const auto& [value, meaning] : notSites)
    EXPECT_TRUE(seen.count(value)) << "0x" << std::hex << value << " (" << meaning
                                   << ") is gone from the sources; drop it from this list";
}

TEST_F(TrackedCodeTableTest, RowsCarryPublicCodesInTheirListAndOneLineOfAdvice) {
  for (const TrackedCodeRow& row : table.Rows()) {
    SCOPED_TRACE(Pair(row.site, row.code));
    EXPECT_NE(FindPublicCode(row.code), nullptr);
    // 1010 only arises when a transaction rewrites 1001 entries.
    EXPECT_NE(row.code, 1010);
    EXPECT_EQ(row.outcome, row.code >= 2001 && row.code <= 2006);
    EXPECT_EQ(row.advice.back(), '.');
    EXPECT_EQ(row.advice.find('\r'), std::string::npos);
  }
}

// What QelSysGetTrackedErrors can return, decoded.
TEST_F(TrackedCodeTableTest, DecodesTrackedCodesIncludingRewrittenOnes) {
  const struct {
    uint32_t tracked;
    const char* operation;  // nullptr: no row
    uint16_t rowCode;
    bool rewritten;
  } cases[] = {
      {0x010F03EA, "FileComponent.CanProceed", 1002, false},
      // Site 0x22E names two places; the code tells them apart.
      {0x022E03EA, "InstallerContainer.Install", 1002, false},
      {0x022EFFFF, "FileComponent.Remove", 0xFFFF, false},
      // A failed preparation turns 1001 into 1010; the retry turns 1002 into 0.
      {0x028F03F2, "NtServiceDriver.CheckUpdate", 1001, true},
      {0x010F0000, "FileComponent.CanProceed", 1002, true},
      {0x7FFF03EA, nullptr, 0, false},
      {0x010F03F2, nullptr, 0, false},  // 1010 where 1001 is never recorded
  };
  for (const auto& c : cases) {
    DecodedCode d = table.Decode(c.tracked);
    SCOPED_TRACE(c.tracked);
    ASSERT_EQ(c.operation != nullptr, d.row != nullptr);
    if (!d.row) continue;
    EXPECT_EQ(c.operation, d.row->operation);
    EXPECT_EQ(c.rowCode, d.row->code);
    EXPECT_EQ(c.tracked & 0xFFFF, d.code);
    EXPECT_EQ(c.rewritten, d.rewrite != nullptr);
  }
}

const char kHeader[] = "site\tcode\tlist\toperation\taction\tcondition\tadvice\n";

TEST(TrackedCodeTableParse, ReadsRowsSkippingCommentsBlankLinesAndCarriageReturns) {
  TrackedCodeTable table;
  std::string error;
  ASSERT_TRUE(table.Parse(std::string("# about\n\n") + kHeader +
                              "0x10F\t1002\tfailure\tOp.A\tdoing\twhen\tdo this.\r\n"
                              "0x129\t2003\toutcome\tOp.B\tdoing\twhen\tnothing.\n"
                              "0x22E\t0xFFFF\tfailure\tOp.C\tdoing\twhen\tthat.",
                          &error))
      << error;
  ASSERT_EQ(table.Rows().size(), 3u);
  EXPECT_EQ(table.Rows()[0].site, 0x10F);
  EXPECT_EQ(table.Rows()[0].advice, "do this.");
  EXPECT_TRUE(table.Rows()[1].outcome);
  EXPECT_EQ(table.Rows()[2].code, 0xFFFF);
}

TEST(TrackedCodeTableParse, RejectsMalformedRowsNamingTheLine) {
  const struct {
    std::string text;
    const char* reason;
  } cases[] = {
      {"0x10F\t1002\tfailure\ta\tb\tc\td\n", "line 1"},
      {std::string(kHeader) + "0x10F\t1002\tfailure\ta\tb\tc\n", "line 2: expected 7"},
      {std::string(kHeader) + "0x10F\t1002\tfailure\ta\t\tc\td\n", "line 2: a column is empty"},
      {std::string(kHeader) + "271\t1002\tfailure\ta\tb\tc\td\n", "line 2: the site"},
      {std::string(kHeader) + "0x0\t1002\tfailure\ta\tb\tc\td\n", "line 2: the site"},
      {std::string(kHeader) + "0x10F\t70000\tfailure\ta\tb\tc\td\n", "line 2: the code"},
      {std::string(kHeader) + "0x10F\t-3\tfailure\ta\tb\tc\td\n", "line 2: the code"},
      {std::string(kHeader) + "0x10F\t1002\terror\ta\tb\tc\td\n", "line 2: the list"},
      {std::string(kHeader) + "0x10F\t1002\tfailure\ta\tb\tc\td\n0x10f\t1002\tfailure\te\tf\tg\th\n",
       "line 3: the pair"},
      {"", "empty"},
  };
  for (const auto& c : cases) {
    TrackedCodeTable table;
    std::string error;
    EXPECT_FALSE(table.Parse(c.text, &error)) << c.text;
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
  }
}

}  // namespace
