#include "drivers/service_handle.h"
#include "drivers/service_security.h"
#include "support/service_driver_test.h"

namespace {

using NtServiceChecksTest = ServiceDriverTest;

// The rights asked of the SCM and of services since a point in the call log.
std::vector<std::string> RightsSince(size_t from) {
  std::vector<std::string> rights;
  for (size_t i = from; i < sim::CallLog().size(); ++i) {
    const sim::Call& call = sim::CallLog()[i];
    if (call.function == "OpenSCManagerA") rights.push_back("scm " + call.detail);
    if (call.function == "OpenServiceA") rights.push_back(call.detail);
  }
  return rights;
}

TEST_F(NtServiceChecksTest, EachOperationAsksOnlyTheRightsItNeeds) {
  NtServiceDriver* driver = Service();
  // Checks of a service that is not there succeed.
  EXPECT_TRUE(driver->CheckInstall() && driver->CheckRemove() && driver->CheckStop());
  EXPECT_TRUE(Service(false, true)->CheckStop());  // the stop itself answers for it
  // The clean journeys pin the other operations' rights; these they never ask.
  AddCurrentService(SERVICE_STOPPED);
  const std::string s = std::string(kService) + " ";
  size_t from = sim::CallLog().size();
  EXPECT_TRUE(driver->UpdateRegistration());
  EXPECT_EQ((std::vector<std::string>{"scm 1", s + "2"}), RightsSince(from));
  EXPECT_TRUE(Failures().empty());

  // A stale registration needs the manager's full access before an update.
  sim::AddService(kService, ServiceOfType(16, SERVICE_DEMAND_START, kServicePath));
  from = sim::CallLog().size();
  EXPECT_TRUE(driver->CheckUpdate());
  EXPECT_EQ((std::vector<std::string>{"scm 1", s + "4", "scm 1", s + "1", "scm 983103", "scm 1",
                                      s + "48"}),
            RightsSince(from));
}

TEST_F(NtServiceChecksTest, AServiceOnItsWayOutBlocksAnUpdate) {
  NtServiceDriver* driver = Service();
  EXPECT_FALSE(driver->IsServiceDeletePending(nullptr));
  EXPECT_FALSE(driver->IsServiceDeletePending(kService));
  AddCurrentService(SERVICE_STOPPED);
  EXPECT_FALSE(driver->IsServiceDeletePending(kService));
  sim::SetServiceState(kService, SERVICE_RUNNING);
  EXPECT_FALSE(driver->IsServiceDeletePending(kService));
  EXPECT_TRUE(Failures().empty());

  MarkForDeletion(kService);
  EXPECT_TRUE(driver->IsServiceDeletePending(kService));  // the sweeps pin CheckUpdate's 0x279
  EXPECT_FALSE(Service(false, true)->CheckInstall());
  EXPECT_EQ((Codes{0x008203E9}), TakeFailures());

  // A running dependency that is disabled; empty names in the list are skipped.
  sim::AddService("Helper", ServiceOfType(16, SERVICE_DISABLED, "h.exe"), SERVICE_RUNNING);
  NtServiceDriver* dependent = KernelDriver();
  SetDependencies(dependent, "\0Helper\0");
  EXPECT_FALSE(dependent->CheckUpdate());
  EXPECT_EQ((Codes{0x028F03E9}), TakeFailures());
}

TEST_F(NtServiceChecksTest, GrantServiceControlWidensOnlyAllowEntries) {
  EXPECT_FALSE(GrantServiceControl(nullptr));
  AddCurrentService(SERVICE_STOPPED);
  ServiceHandle scm(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  ServiceHandle service(OpenServiceA(scm.Get(), kService, SERVICE_ALL_ACCESS));

  std::vector<sim::ServiceAce> mixed = {{ACCESS_ALLOWED_ACE_TYPE, 0x0002008D, "S-1-5-4"},
                                        {ACCESS_DENIED_ACE_TYPE, 0x00000010, "S-1-5-32-545"},
                                        {ACCESS_ALLOWED_ACE_TYPE, 0x000F01FF, "S-1-5-32-544"}};
  sim::SetServiceAccessList(kService, mixed);
  EXPECT_TRUE(GrantServiceControl(service.Get()));
  std::vector<sim::ServiceAce> widened = mixed;
  widened[0].mask = 0x000200FF;
  EXPECT_EQ(widened, sim::ServiceAccessList(kService));

  // A list that does not fit in 512 bytes, and none at all, are left alone.
  std::vector<sim::ServiceAce> large;
  for (int i = 0; i < 14; ++i)  // 36 bytes each
    large.push_back({ACCESS_ALLOWED_ACE_TYPE, 1, "S-1-5-21-1-2-3-" + std::to_string(1000 + i)});
  sim::SetServiceAccessList(kService, large);
  EXPECT_FALSE(GrantServiceControl(service.Get()));
  EXPECT_EQ(large, sim::ServiceAccessList(kService));
  large.pop_back();  // 20 + 8 + 13 * 36 = 496 bytes: fits
  sim::SetServiceAccessList(kService, large);
  EXPECT_TRUE(GrantServiceControl(service.Get()));
  EXPECT_EQ(0x77u, sim::ServiceAccessList(kService).back().mask);

  SECURITY_DESCRIPTOR open;
  InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION);
  SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE);
  ASSERT_TRUE(SetServiceObjectSecurity(service.Get(), DACL_SECURITY_INFORMATION, &open));
  EXPECT_FALSE(GrantServiceControl(service.Get()));
  EXPECT_TRUE(sim::ServiceHasNullAccessList(kService));

  sim::SetServiceAccessList(kService, mixed);
  for (const char* function : {"QueryServiceObjectSecurity", "GetSecurityDescriptorDacl",
                               "GetAclInformation", "GetAce", "SetServiceObjectSecurity"}) {
    sim::FailCall(function, ERROR_ACCESS_DENIED);
    EXPECT_FALSE(GrantServiceControl(service.Get())) << function;
    EXPECT_EQ(mixed, sim::ServiceAccessList(kService)) << function;
  }
  EXPECT_TRUE(Failures().empty());
}

}  // namespace
