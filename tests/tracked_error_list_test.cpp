#include <gtest/gtest.h>

#include "core/tracked_error_list.h"

namespace {

std::vector<uint32_t> Entries(const TrackedErrorList& list) {
  std::vector<uint32_t> out(list.Count());
  EXPECT_EQ(list.Count(), list.CopyTo(out.data()));
  return out;
}

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

}  // namespace
