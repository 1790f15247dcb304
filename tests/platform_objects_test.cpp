#include <cstring>

#include "support/sim_test.h"

namespace {

using PlatformObjectsTest = SystemTest;

TEST_F(PlatformObjectsTest, MutexAttributesGrantEveryAccessAndSurviveAFailedDescriptor) {
  SECURITY_ATTRIBUTES* sa = InstallerMutexAttributes();
  EXPECT_EQ(sizeof(SECURITY_ATTRIBUTES), sa->nLength);
  EXPECT_EQ(TRUE, sa->bInheritHandle);
  auto* sd = static_cast<SECURITY_DESCRIPTOR*>(sa->lpSecurityDescriptor);
  ASSERT_EQ(&ProcessObjects::Current().securityAttributes.descriptor, sd);
  EXPECT_EQ(SECURITY_DESCRIPTOR_REVISION, sd->Revision);
  EXPECT_EQ(SE_DACL_PRESENT, sd->Control);
  EXPECT_EQ(nullptr, sd->Dacl);

  sim::FailCall("InitializeSecurityDescriptor", ERROR_UNKNOWN_REVISION);
  size_t setCalls = sim::CallCount("SetSecurityDescriptorDacl");
  Restart(sim::Platform::WinXP);
  sa = InstallerMutexAttributes();
  SECURITY_DESCRIPTOR zero;
  std::memset(&zero, 0, sizeof zero);
  EXPECT_EQ(0, std::memcmp(&zero, sa->lpSecurityDescriptor, sizeof zero));
  EXPECT_EQ(setCalls, sim::CallCount("SetSecurityDescriptorDacl"));
  EXPECT_EQ(TRUE, sa->bInheritHandle);
}

}  // namespace
