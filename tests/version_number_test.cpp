#include "platform/version_number.h"
#include "support/sim_test.h"

namespace {

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
  VersionNumber a = V(1, 2, 3), b = V(1, 10, 0);
  EXPECT_TRUE(a < b);
  EXPECT_FALSE(b < a);
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

}  // namespace
