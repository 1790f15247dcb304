#include <fstream>
#include <set>
#include <string>
#include <vector>

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

TEST_F(ExportsTest, TheImageExportsTheNamesOfTheModuleDefinition) {
  std::ifstream def(QEL_DEF_FILE);
  std::set<std::string> names;
  for (std::string word; def >> word;)
    if (word != "LIBRARY" && word != "EXPORTS" && word.find('.') == std::string::npos)
      names.insert(word);
  EXPECT_EQ((std::set<std::string>{"QelSysInstall", "QelSysUnInstall", "QelSysGetLastError",
                                   "QelSysGetTrackedErrors", "QelSysGetCurrentBranding",
                                   "UninstInitialize", "UninstUnInitialize"}),
            names);

  LibraryHost host;
  ASSERT_TRUE(host.Loaded());
  for (const std::string& name : names) EXPECT_NE(nullptr, GetProcAddress(host.Module(), name.c_str()));
  EXPECT_EQ(nullptr, GetProcAddress(host.Module(), "RecordFailure"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_PROC_NOT_FOUND), GetLastError());
}

TEST_F(ExportsTest, AFreshLoadHasNothingToReport) {
  LibraryHost host;
  ASSERT_TRUE(host.Loaded());
  EXPECT_EQ(0u, host.GetLastErrorCode());
  EXPECT_EQ(0u, host.GetTrackedErrors(nullptr));
  EXPECT_EQ(0u, host.UninstUnInitialize());
}

TEST_F(ExportsTest, LoadingBuildsTheProcessObjectsInOrderAndOnlyOnce) {
  size_t before = sim::CallLog().size();
  {
    LibraryHost host;
    ASSERT_TRUE(host.Loaded());
    long security = sim::FindCall("InitializeSecurityDescriptor", before);
    long version = sim::FindCall("GetVersionExA", before);
    long folders = sim::FindCall("GetWindowsDirectoryA", before);
    ASSERT_GE(security, 0);
    EXPECT_LT(security, version);
    EXPECT_LT(version, folders);

    LibraryHost second;  // already loaded: the same image, nothing rebuilt
    EXPECT_EQ(host.Module(), second.Module());
    EXPECT_EQ(1u, sim::CallCount("GetVersionExA"));
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
  LibraryHost again;
  ASSERT_TRUE(again.Loaded());
  EXPECT_EQ(0u, again.GetTrackedErrors(nullptr));
  EXPECT_EQ(0u, again.GetLastErrorCode());
}

TEST_F(ExportsTest, AFailedVersionQueryLeavesNoPlatform) {
  sim::FailCall("GetVersionExA", ERROR_INVALID_PARAMETER);
  LibraryHost host;
  ASSERT_TRUE(host.Loaded());
  EXPECT_EQ(0u, host.Install());
  EXPECT_EQ(1100u, host.GetLastErrorCode());
  EXPECT_EQ((std::vector<DWORD>{0x01E4044C}), Tracked(host));
}

TEST_F(ExportsTest, TheLibraryIsNotFoundWithoutItsImage) {
  EXPECT_EQ(nullptr, LoadLibraryA("QELC99BA.DLL"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_MOD_NOT_FOUND), GetLastError());
  sim::FailCall("LoadLibraryA", ERROR_NOT_ENOUGH_MEMORY);
  LibraryHost host;
  EXPECT_FALSE(host.Loaded());
  EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY), GetLastError());
}

}  // namespace
