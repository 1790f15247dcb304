#include <cstring>

#include "exports/branding.h"
#include "support/library_host.h"
#include "support/sim_test.h"

namespace {

using BrandingTest = SimTest;

TEST_F(BrandingTest, CodeAndNameFromTheStringTable) {
  LibraryHost host;
  ASSERT_TRUE(host.Loaded());
  DWORD code = 0;
  const DWORD needed = static_cast<DWORD>(std::strlen(kProductName) + 1);
  EXPECT_EQ(needed, host.GetCurrentBranding(&code, nullptr, 0));
  EXPECT_EQ(0xB241A000u, code);  // above the largest signed value, unclipped

  char name[80];
  std::memset(name, '#', sizeof name);
  EXPECT_EQ(needed, host.GetCurrentBranding(nullptr, name, needed - 1));
  EXPECT_EQ('#', name[0]);  // no truncated copy
  EXPECT_EQ(needed, host.GetCurrentBranding(nullptr, name, needed));
  EXPECT_STREQ(kProductName, name);
  EXPECT_EQ('#', name[needed]);
  EXPECT_EQ(needed, host.GetCurrentBranding(nullptr, nullptr, 100));

  // The entry point keeps the module handle through thread notifications.
  sim::NotifyThread(true);
  sim::NotifyThread(false);
  EXPECT_EQ(needed, host.GetCurrentBranding(&code, nullptr, 0));
}

TEST_F(BrandingTest, LoadingStopsAtTheBufferSizesAndAnEmptyTableGivesNothing) {
  sim::SetStringResource("QelC14BA.dll", 1, "0012G4FF");
  sim::SetStringResource("QelC14BA.dll", 2, std::string(70, 'N'));
  {
    LibraryHost host;
    ASSERT_TRUE(host.Loaded());
    DWORD code = 0;
    char name[80] = {};
    EXPECT_EQ(64u, host.GetCurrentBranding(&code, name, sizeof name));
    EXPECT_EQ(0x12u, code);
    EXPECT_EQ(std::string(63, 'N'), name);
    sim::SetStringResource("QelC14BA.dll", 1, "B241A000F");  // only 8 characters fit
    EXPECT_EQ(64u, host.GetCurrentBranding(&code, nullptr, 0));
    EXPECT_EQ(0xB241A000u, code);
  }
  sim::Reset();
  sim::RegisterImage("QelC14BA.dll", QEL_IMAGE_PATH, kLibraryPath);
  LibraryHost host;
  ASSERT_TRUE(host.Loaded());
  DWORD code = 7;
  char name[4] = "abc";
  EXPECT_EQ(1u, host.GetCurrentBranding(&code, name, sizeof name));
  EXPECT_EQ(0u, code);
  EXPECT_STREQ("", name);
}

TEST(ParseHexCode, ReadsLikeAnUnsignedBase16Conversion) {
  const std::pair<const char*, uint32_t> cases[] = {
      {"0XB241A000", 0xB241A000u}, {"0xb241a000", 0xb241a000u}, {"0X123456789", 0xFFFFFFFFu},
      {"0XFFFFFFFF", 0xFFFFFFFFu}, {"0X12G4", 0x12u}, {"0X", 0u}, {"0XZZ", 0u}, {"", 0u}};
  for (auto [text, value] : cases)
    EXPECT_EQ(value, ParseHexCode(text)) << text;
}

}  // namespace
