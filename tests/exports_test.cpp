// The exports as a host calls them, the branding among them.
#include <cstring>

#include "exports/branding.h"
#include "support/scenario.h"

namespace {

using ExportsTest = SimTest;

TEST_F(ExportsTest, LoadingBuildsTheProcessObjectsOnlyOnce) {
  {
    LibraryHost host;  // binds every export by name
    ASSERT_TRUE(host.Loaded());
    EXPECT_EQ(nullptr, GetProcAddress(host.Module(), "RecordFailure"));
    LibraryHost second;  // already loaded: the same image, nothing rebuilt
    EXPECT_EQ(host.Module(), second.Module());
    EXPECT_EQ(1u, sim::CallCount("GetVersionExA"));
    // The uninstaller's entry point answers 0 whatever the uninstall gave.
    EXPECT_EQ(0u, host.UninstInitialize());
    EXPECT_EQ(2004u, host.GetLastErrorCode());  // nothing there: removed
  }
  EXPECT_EQ(nullptr, GetModuleHandleA("QelC14BA.dll"));
}

TEST_F(ExportsTest, AnUnsupportedPlatformAddsOneEntryPerCall) {
  sim::SetPlatform(sim::Platform::Win32s);
  {
    LibraryHost host;
    ASSERT_TRUE(host.Loaded());
    EXPECT_EQ(0u, host.Install());
    EXPECT_EQ(1100u, host.GetLastErrorCode());
    EXPECT_EQ(0u, host.UnInstall());
    EXPECT_EQ(0u, host.UninstInitialize());
    EXPECT_EQ((std::vector<DWORD>{0x01E4044C, 0x01E4044C, 0x01E4044C}), TrackedOf(host));
    EXPECT_EQ(1100u, host.GetLastErrorCode());
  }
  // A reload starts from nothing: the lists were destroyed with the image.
  {
    LibraryHost again;
    ASSERT_TRUE(again.Loaded());
    EXPECT_EQ(0u, again.GetTrackedErrors(nullptr));
    EXPECT_EQ(0u, again.GetLastErrorCode());
    EXPECT_EQ(0u, again.UninstUnInitialize());
  }
  // A failed version query leaves no platform at all.
  sim::SetPlatform(sim::Platform::WinXP);
  sim::FailCall("GetVersionExA", ERROR_INVALID_PARAMETER);
  LibraryHost host;
  ASSERT_TRUE(host.Loaded());
  EXPECT_EQ(0u, host.Install());
  EXPECT_EQ(1100u, host.GetLastErrorCode());
  EXPECT_EQ((std::vector<DWORD>{0x01E4044C}), TrackedOf(host));
}

// 32-bit files and keys on 64-bit Windows land where its service manager never
// looks; a question that fails counts as WOW64.
TEST_F(ExportsTest, UnderWow64BothCallsAreRefusedBeforeAnyWindowsCall) {
  for (bool queryFails : {false, true}) {
    sim::SetWow64(queryFails ? sim::Wow64::No : sim::Wow64::Yes);
    if (queryFails) sim::FailCall("IsWow64Process", ERROR_ACCESS_DENIED);
    LibraryHost host;
    ASSERT_TRUE(host.Loaded());
    sim::ClearCallLog();
    EXPECT_EQ(0u, host.Install());
    EXPECT_EQ(1100u, host.GetLastErrorCode());
    EXPECT_EQ(0u, host.UnInstall());
    EXPECT_EQ(1100u, host.GetLastErrorCode());
    EXPECT_EQ((std::vector<DWORD>{0x0605044C, 0x0605044C}), TrackedOf(host));
    EXPECT_TRUE(sim::CallLog().empty());  // no file, key or service touched
  }
}

TEST_F(ExportsTest, CodeAndNameFromTheStringTable) {
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

TEST_F(ExportsTest, LoadingStopsAtTheBufferSizesAndAnEmptyTableGivesNothing) {
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
