#include <cstring>

#include "drivers/service_handle.h"
#include "drivers/service_security.h"
#include "support/service_driver_test.h"

namespace {

using NtServiceChecksTest = ServiceDriverTest;

// Marks the service for deletion through handles of its own, closed again.
void MarkForDeletion(const char* name) {
  ServiceHandle scm(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  ServiceHandle service(OpenServiceA(scm.Get(), name, DELETE));
  ASSERT_TRUE(DeleteService(service.Get()));
}

// The rights asked of the SCM and of the service by one operation.
struct Rights {
  std::vector<std::string> scm;
  std::vector<std::string> service;
};
Rights RightsSince(size_t from) {
  Rights rights;
  for (size_t i = from; i < sim::CallLog().size(); ++i) {
    const sim::Call& call = sim::CallLog()[i];
    if (call.function == "OpenSCManagerA") rights.scm.push_back(call.detail);
    if (call.function == "OpenServiceA") rights.service.push_back(call.detail);
  }
  return rights;
}

TEST_F(NtServiceChecksTest, EachOperationAsksOnlyTheRightsItNeeds) {
  NtServiceDriver* driver = Service();
  AddCurrentService(SERVICE_STOPPED);
  const std::string s = std::string(kService) + " ";
  struct Case {
    const char* operation;
    bool (NtServiceDriver::*call)();
    std::vector<std::string> scm;
    std::vector<std::string> service;
  };
  for (const Case& c : {
           Case{"IsRegistered", &NtServiceDriver::IsRegistered, {"1"}, {s + "0"}},
           Case{"IsRegistrationCurrent", &NtServiceDriver::IsRegistrationCurrent, {"1"}, {s + "1"}},
           Case{"CheckRemove", &NtServiceDriver::CheckRemove, {"1"}, {s + "65568"}},
           Case{"CheckUpdate", &NtServiceDriver::CheckUpdate, {"1", "1", "1"},
                {s + "4", s + "1", s + "48"}},
           Case{"CheckInstall", &NtServiceDriver::CheckInstall, {"2", "1", "1", "1"},
                {s + "23", s + "4", s + "1", s + "48"}},
           Case{"UpdateRegistration", &NtServiceDriver::UpdateRegistration, {"1"}, {s + "2"}},
           Case{"Start", &NtServiceDriver::Start, {"1"}, {s + "20"}},
           Case{"Stop", &NtServiceDriver::Stop, {"1"}, {s + "36"}},
       }) {
    size_t from = sim::CallLog().size();
    EXPECT_TRUE((driver->*c.call)()) << c.operation;
    Rights rights = RightsSince(from);
    EXPECT_EQ(c.scm, rights.scm) << c.operation;
    EXPECT_EQ(c.service, rights.service) << c.operation;
  }
  EXPECT_TRUE(driver->CheckStop());
  EXPECT_TRUE(Failures().empty());

  // A stale registration needs the manager's full access before an update.
  sim::AddService(kService, ServiceOfType(16, SERVICE_DEMAND_START, kServicePath));
  size_t from = sim::CallLog().size();
  EXPECT_TRUE(driver->CheckUpdate());
  EXPECT_EQ((std::vector<std::string>{"1", "1", "983103", "1"}), RightsSince(from).scm);

  from = sim::CallLog().size();
  EXPECT_TRUE(driver->Unregister());
  Rights removal = RightsSince(from);
  EXPECT_EQ((std::vector<std::string>{"1"}), removal.scm);
  EXPECT_EQ((std::vector<std::string>{s + "65536", s + "0"}), removal.service);
}

TEST_F(NtServiceChecksTest, ChecksOfAServiceThatIsNotThereSucceed) {
  NtServiceDriver* driver = Service();
  EXPECT_TRUE(driver->CheckInstall());
  EXPECT_TRUE(driver->CheckUpdate());
  EXPECT_TRUE(driver->CheckRemove());
  EXPECT_TRUE(driver->CheckStop());
  EXPECT_FALSE(driver->IsRegistered());
  EXPECT_TRUE(Failures().empty());
  EXPECT_TRUE(Service(false, true)->CheckStop());
  EXPECT_TRUE(Failures().empty());
}

TEST_F(NtServiceChecksTest, RefusedChecksRecordWhere) {
  NtServiceDriver* driver = Service();
  AddCurrentService(SERVICE_STOPPED);
  struct Case {
    const char* label;
    bool (NtServiceDriver::*call)();
    DWORD managerDenied;
    DWORD serviceDenied;
    std::vector<uint32_t> recorded;
  };
  for (const Case& c : {
           Case{"install: create", &NtServiceDriver::CheckInstall, SC_MANAGER_CREATE_SERVICE, 0,
                {0x024603EF}},
           Case{"install: config", &NtServiceDriver::CheckInstall, 0, SERVICE_CHANGE_CONFIG,
                {0x025403EF}},
           Case{"update: stop", &NtServiceDriver::CheckUpdate, 0, SERVICE_STOP, {0x02CC03EF}},
           Case{"update: connect", &NtServiceDriver::CheckUpdate, SC_MANAGER_CONNECT, 0,
                {0x02BB03EF}},
           Case{"remove: delete", &NtServiceDriver::CheckRemove, 0, DELETE, {0x02FF03EF}},
           Case{"remove: connect", &NtServiceDriver::CheckRemove, SC_MANAGER_CONNECT, 0,
                {0x02F103EF}},
           Case{"registered: connect", &NtServiceDriver::IsRegistered, SC_MANAGER_CONNECT, 0,
                {0x033503EF}},
       }) {
    FailureList().ClearIfAutoClear();
    sim::DenyManagerAccess(c.managerDenied);
    sim::DenyServiceAccess(kService, c.serviceDenied);
    EXPECT_FALSE((driver->*c.call)()) << c.label;
    EXPECT_EQ(c.recorded, Failures()) << c.label;
  }
  sim::DenyManagerAccess(0);
  sim::DenyServiceAccess(kService, 0);

  struct Fault {
    const char* label;
    bool (NtServiceDriver::*call)();
    const char* function;
    unsigned nth;
    DWORD error;
    bool result;
    std::vector<uint32_t> recorded;
  };
  for (const Fault& f : {
           Fault{"install: scm", &NtServiceDriver::CheckInstall, "OpenSCManagerA", 1,
                 ERROR_DATABASE_DOES_NOT_EXIST, false, {0x0248FFFF}},
           Fault{"install: service", &NtServiceDriver::CheckInstall, "OpenServiceA", 1,
                 ERROR_INVALID_HANDLE, false, {}},
           Fault{"update: scm", &NtServiceDriver::CheckUpdate, "OpenSCManagerA", 3,
                 ERROR_DATABASE_DOES_NOT_EXIST, false, {0x02BEFFFF}},
           Fault{"update: service", &NtServiceDriver::CheckUpdate, "OpenServiceA", 3,
                 ERROR_SERVICE_DOES_NOT_EXIST, true, {}},
           Fault{"remove: scm", &NtServiceDriver::CheckRemove, "OpenSCManagerA", 1,
                 ERROR_DATABASE_DOES_NOT_EXIST, false, {0x02F3FFFF}},
           Fault{"remove: service", &NtServiceDriver::CheckRemove, "OpenServiceA", 1,
                 ERROR_INVALID_HANDLE, false, {}},
           Fault{"registered: scm", &NtServiceDriver::IsRegistered, "OpenSCManagerA", 1,
                 ERROR_DATABASE_DOES_NOT_EXIST, false, {0x0337FFFF}},
           Fault{"registered: service", &NtServiceDriver::IsRegistered, "OpenServiceA", 1,
                 ERROR_ACCESS_DENIED, false, {0x034303EF}},
       }) {
    FailureList().ClearIfAutoClear();
    sim::FailCall(f.function, f.error, f.nth);
    EXPECT_EQ(f.result, (driver->*f.call)()) << f.label;
    EXPECT_EQ(f.recorded, Failures()) << f.label;
  }

  // The full access a stale registration needs.
  sim::AddService(kService, ServiceOfType(16, SERVICE_DEMAND_START, kServicePath));
  sim::DenyManagerAccess(SC_MANAGER_ALL_ACCESS & ~SC_MANAGER_CONNECT);
  FailureList().ClearIfAutoClear();
  EXPECT_FALSE(driver->CheckUpdate());
  EXPECT_EQ((std::vector<uint32_t>{0x02A503EF}), Failures());
  sim::DenyManagerAccess(0);
  FailureList().ClearIfAutoClear();
  sim::FailCall("OpenSCManagerA", ERROR_DATABASE_DOES_NOT_EXIST, 3);
  EXPECT_FALSE(driver->CheckUpdate());
  EXPECT_EQ((std::vector<uint32_t>{0x02A8FFFF}), Failures());
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
  EXPECT_TRUE(driver->IsServiceDeletePending(kService));
  EXPECT_FALSE(driver->CheckUpdate());
  EXPECT_EQ((std::vector<uint32_t>{0x027903EA}), Failures());
  FailureList().ClearIfAutoClear();
  EXPECT_FALSE(Service(false, true)->CheckInstall());
  EXPECT_EQ((std::vector<uint32_t>{0x008203E9}), Failures());

  // A running dependency that is disabled.
  FailureList().ClearIfAutoClear();
  sim::AddService("Helper", ServiceOfType(16, SERVICE_DISABLED, "h.exe"), SERVICE_RUNNING);
  NtServiceDriver* dependent = KernelDriver();
  static const char kDeps[] = "\0Helper\0";
  dependent->dependencies.reset(new char[sizeof kDeps]);
  std::memcpy(dependent->dependencies.get(), kDeps, sizeof kDeps);
  dependent->dependenciesLength = sizeof kDeps;
  EXPECT_TRUE(dependent->IsServiceDeletePending("Helper"));
  EXPECT_FALSE(dependent->CheckUpdate());
  EXPECT_EQ((std::vector<uint32_t>{0x028F03E9}), Failures());

  struct Fault {
    const char* function;
    unsigned nth;
    DWORD error;
    uint32_t recorded;
  };
  for (Fault f : {Fault{"OpenServiceA", 1, ERROR_ACCESS_DENIED, 0x05A603EF},
                  Fault{"OpenServiceA", 1, ERROR_SERVICE_DOES_NOT_EXIST, 0},
                  Fault{"QueryServiceStatus", 1, ERROR_ACCESS_DENIED, 0x05BA03EF},
                  Fault{"QueryServiceStatus", 1, ERROR_INVALID_HANDLE, 0},
                  Fault{"OpenServiceA", 2, ERROR_SERVICE_DOES_NOT_EXIST, 0x05C403EF}}) {
    FailureList().ClearIfAutoClear();
    sim::FailCall(f.function, f.error, f.nth);
    EXPECT_FALSE(driver->IsServiceDeletePending(kService)) << f.function << " " << f.error;
    EXPECT_EQ(f.recorded ? std::vector<uint32_t>{f.recorded} : std::vector<uint32_t>{},
              Failures())
        << f.function << " " << f.error;
  }
}

// A well-known SID with five sub-authorities: 36 bytes as an access entry.
std::string LongTrustee(int n) { return "S-1-5-21-1000-2000-3000-" + std::to_string(1000 + n); }

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
  for (int i = 0; i < 14; ++i) large.push_back({ACCESS_ALLOWED_ACE_TYPE, 1, LongTrustee(i)});
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

TEST_F(NtServiceChecksTest, ServiceHandleClosesWhatItHolds) {
  AddCurrentService(SERVICE_STOPPED);
  ServiceHandle scm(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  {
    ServiceHandle service(OpenServiceA(scm.Get(), kService, 0));
    SC_HANDLE held = service.Get();
    service = held;  // the same handle stays open
    EXPECT_EQ(2u, sim::OpenServiceHandleCount());
    service = OpenServiceA(scm.Get(), kService, 0);  // another replaces it
    EXPECT_EQ(2u, sim::OpenServiceHandleCount());
    EXPECT_NE(held, service.Get());
    service.Close();
    EXPECT_FALSE(service.IsOpen());
    EXPECT_EQ(1u, sim::OpenServiceHandleCount());
    service = OpenServiceA(scm.Get(), kService, 0);
  }
  EXPECT_EQ(1u, sim::OpenServiceHandleCount());
  EXPECT_EQ(3u, sim::CallCount("CloseServiceHandle"));  // each closed once
}

}  // namespace
