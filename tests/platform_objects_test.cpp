#include <cstring>

#include "support/sim_test.h"

namespace {

using PlatformObjectsTest = SystemTest;

TEST_F(PlatformObjectsTest, MutexAttributesGrantEveryAccess) {
  SECURITY_ATTRIBUTES* sa = InstallerMutexAttributes();
  EXPECT_EQ(sizeof(SECURITY_ATTRIBUTES), sa->nLength);
  EXPECT_EQ(TRUE, sa->bInheritHandle);
  auto* sd = static_cast<SECURITY_DESCRIPTOR*>(sa->lpSecurityDescriptor);
  ASSERT_EQ(&ProcessObjects::Current().securityAttributes.descriptor, sd);
  EXPECT_EQ(SECURITY_DESCRIPTOR_REVISION, sd->Revision);
  EXPECT_EQ(SE_DACL_PRESENT, sd->Control);
  EXPECT_EQ(nullptr, sd->Dacl);
}

TEST_F(PlatformObjectsTest, AttributesSurviveAFailedDescriptor) {
  sim::FailCall("InitializeSecurityDescriptor", ERROR_UNKNOWN_REVISION);
  size_t setCalls = sim::CallCount("SetSecurityDescriptorDacl");
  Restart(sim::Platform::WinXP);
  SECURITY_ATTRIBUTES* sa = InstallerMutexAttributes();
  SECURITY_DESCRIPTOR zero;
  std::memset(&zero, 0, sizeof zero);
  EXPECT_EQ(0, std::memcmp(&zero, sa->lpSecurityDescriptor, sizeof zero));
  EXPECT_EQ(setCalls, sim::CallCount("SetSecurityDescriptorDacl"));
  EXPECT_EQ(TRUE, sa->bInheritHandle);
}

TEST_F(PlatformObjectsTest, TheVersionIsAskedOnceAtStart) {
  struct Case {
    sim::Platform platform;
    DWORD id, major;
    bool nt5;
  };
  for (Case c : {Case{sim::Platform::Win95, 1, 4, false}, Case{sim::Platform::WinMe, 1, 4, false},
                 Case{sim::Platform::NT4, 2, 4, false}, Case{sim::Platform::Win2000, 2, 5, true},
                 Case{sim::Platform::WinXP, 2, 5, true}}) {
    Restart(c.platform);
    sim::SetPlatform(sim::Platform::Win32s);  // a later change is not seen
    EXPECT_EQ(c.id, CurrentOsVersion().PlatformId());
    EXPECT_EQ(c.major, CurrentOsVersion().MajorVersion());
    EXPECT_EQ(c.nt5, CurrentOsVersion().IsNt5OrLater());
  }
  sim::FailCall("GetVersionExA", ERROR_INVALID_PARAMETER);
  Restart(sim::Platform::WinXP);
  EXPECT_EQ(0u, CurrentOsVersion().PlatformId());
  EXPECT_EQ(0u, CurrentOsVersion().MajorVersion());
}

}  // namespace
