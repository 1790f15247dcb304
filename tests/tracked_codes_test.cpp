// The tracked-error list and the decoding table's reader (tests/codes/ checks the table).
#include <gtest/gtest.h>

#include "support/sim_test.h"

namespace {

TEST(TrackedErrorList, StoresNewestFirstAndReplacesCodesInPlace) {
  TrackedErrorList list;
  EXPECT_FALSE(list.TrackError(0x0000FFFF, false));  // the generic code without a site
  EXPECT_TRUE(list.TrackError(0x0000FFFF, true));
  EXPECT_EQ(0u, list.Count());
  EXPECT_TRUE(list.TrackError(0x0001FFFF, true));
  EXPECT_FALSE(list.TrackError(TrackedCode(0x115, kRestartNeeded), false));
  list.TrackError(TrackedCode(0x279, kInUse), false);
  list.TrackError(TrackedCode(0x10F, kInUse), false);
  EXPECT_EQ((std::vector<uint32_t>{0x010F03EA, 0x027903EA, 0x011503E9, 0x0001FFFF}), Entries(list));
  EXPECT_EQ(kInUse, list.NewestCode());

  list.ReplaceCode(kInUse, 0);
  EXPECT_EQ((std::vector<uint32_t>{0x010F0000, 0x02790000, 0x011503E9, 0x0001FFFF}), Entries(list));
  EXPECT_FALSE(list.HasCode(kInUse));
  EXPECT_TRUE(list.HasCode(0));
  EXPECT_EQ(kRestartNeeded, list.PublicCode());
  list.ReplaceCode(kRestartNeeded, kRestartPending);
  EXPECT_EQ(0x011503F2u, Entries(list)[2]);
  EXPECT_EQ(kRestartPending, list.PublicCode());

  list.ClearIfAutoClear();
  EXPECT_EQ(0u, list.Count());
  EXPECT_EQ(0u, list.NewestCode());
  EXPECT_EQ(0u, list.PublicCode());
}

TEST(TrackedErrorList, PublicCodeTakesTheHighestPrecedenceWhateverItsAge) {
  struct Case {
    std::vector<uint16_t> codes;  // oldest first
    uint32_t expected;
  };
  const Case cases[] = {
      {{kRestartNeeded, kAccessDenied}, kRestartNeeded},
      {{kInUse, kGenericCode}, kInUse},
      {{kInUse, kGenericCode, kAccessDenied}, kAccessDenied},
      {{kInUse, kAccessDenied, kRestartPending, kRestartNeeded}, kRestartPending},
      {{kNotWritten, kStartFailed}, kStartFailed},
  };
  for (const Case& c : cases) {
    TrackedErrorList list;
    for (uint16_t code : c.codes) list.TrackError(TrackedCode(0x10, code), false);
    EXPECT_EQ(c.expected, list.PublicCode()) << c.expected;
  }
  TrackedErrorList zeroed;
  zeroed.TrackError(TrackedCode(0x279, kInUse), false);
  zeroed.ReplaceCode(kInUse, 0);
  EXPECT_EQ(0u, zeroed.PublicCode());  // an emptied code counts for nothing
}

// What QelSysGetTrackedErrors can return, decoded.
TEST(TrackedCodeTableTest, DecodesTrackedCodesIncludingRewrittenOnes) {
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
    DecodedCode d = ProjectCodeTable().Decode(c.tracked);
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

}  // namespace
