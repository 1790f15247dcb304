#include "support/library_host.h"
#include "support/sim_test.h"

namespace {

using ExportsTest = SimTest;

std::vector<DWORD> Tracked(LibraryHost& host) {
  std::vector<DWORD> entries(host.GetTrackedErrors(nullptr) + 1, 0xDEADBEEF);
  DWORD written = host.GetTrackedErrors(entries.data());
  EXPECT_EQ(0xDEADBEEF, entries[written]);  // nothing beyond the count is touched
  entries.resize(written);
  return entries;
}

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
    EXPECT_EQ((std::vector<DWORD>{0x01E4044C, 0x01E4044C, 0x01E4044C}), Tracked(host));
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
  EXPECT_EQ((std::vector<DWORD>{0x01E4044C}), Tracked(host));
}

}  // namespace
