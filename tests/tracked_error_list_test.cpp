#include <gtest/gtest.h>

#include <vector>

#include "core/tracked_error_list.h"

namespace {

std::vector<uint32_t> Entries(const TrackedErrorList& list) {
  std::vector<uint32_t> out(list.Count());
  EXPECT_EQ(list.Count(), list.CopyTo(out.data()));
  return out;
}

TEST(TrackedErrorList, StoresNewestFirstExceptTheSiteLessGenericCode) {
  TrackedErrorList list;
  EXPECT_FALSE(list.TrackError(0x0000FFFF, false));
  EXPECT_TRUE(list.TrackError(0x0000FFFF, true));
  EXPECT_EQ(0u, list.Count());

  EXPECT_TRUE(list.TrackError(0x0001FFFF, true));
  EXPECT_FALSE(list.TrackError(TrackedCode(0x115, kRestartNeeded), false));
  EXPECT_FALSE(list.TrackError(TrackedCode(0x10C, kAccessDenied), false));
  EXPECT_EQ((std::vector<uint32_t>{0x010C03EF, 0x011503E9, 0x0001FFFF}), Entries(list));

  list.ClearIfAutoClear();
  EXPECT_EQ(0u, list.Count());
  EXPECT_EQ(0u, list.NewestCode());
  EXPECT_EQ(0u, list.PublicCode());
}

TEST(TrackedErrorList, PublicCodeTakesTheHighestPrecedenceWhateverItsAge) {
  TrackedErrorList list;
  list.TrackError(TrackedCode(0x115, kRestartNeeded), false);
  list.TrackError(TrackedCode(0x10C, kAccessDenied), false);
  EXPECT_EQ(kAccessDenied, list.NewestCode());
  EXPECT_EQ(kRestartNeeded, list.PublicCode());

  TrackedErrorList inUse;
  inUse.TrackError(TrackedCode(0x10F, kInUse), false);
  inUse.TrackError(TrackedCode(0xDB, kGenericCode), false);
  EXPECT_EQ(kInUse, inUse.PublicCode());
  inUse.TrackError(TrackedCode(0x186, kAccessDenied), false);
  EXPECT_EQ(kAccessDenied, inUse.PublicCode());
  inUse.TrackError(TrackedCode(0x1, kRestartPending), false);
  inUse.TrackError(TrackedCode(0x115, kRestartNeeded), false);
  EXPECT_EQ(kRestartPending, inUse.PublicCode());

  TrackedErrorList plain;
  plain.TrackError(TrackedCode(0x1F6, kNotWritten), false);
  plain.TrackError(TrackedCode(0x51D, kStartFailed), false);
  EXPECT_EQ(kStartFailed, plain.PublicCode());
}

TEST(TrackedErrorList, ReplaceCodeKeepsTheSiteAndTheEntry) {
  TrackedErrorList list;
  list.TrackError(TrackedCode(0x115, kRestartNeeded), false);
  list.TrackError(TrackedCode(0x279, kInUse), false);
  list.TrackError(TrackedCode(0x10F, kInUse), false);

  list.ReplaceCode(kInUse, 0);
  EXPECT_EQ((std::vector<uint32_t>{0x010F0000, 0x02790000, 0x011503E9}), Entries(list));
  EXPECT_FALSE(list.HasCode(kInUse));
  EXPECT_TRUE(list.HasCode(0));
  EXPECT_EQ(kRestartNeeded, list.PublicCode());

  list.ReplaceCode(kRestartNeeded, kRestartPending);
  EXPECT_EQ(0x0115u, Entries(list)[2] >> 16);
  EXPECT_EQ(kRestartPending, list.PublicCode());

  TrackedErrorList zeroed;
  zeroed.TrackError(TrackedCode(0x279, kInUse), false);
  zeroed.ReplaceCode(kInUse, 0);
  EXPECT_EQ(0u, zeroed.PublicCode());  // an emptied code counts for nothing
  EXPECT_EQ(1u, zeroed.Count());
}

}  // namespace
