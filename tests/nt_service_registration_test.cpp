#include "drivers/device_channel.h"
#include "support/service_driver_test.h"

namespace {

using NtServiceRegistrationTest = ServiceDriverTest;

TEST_F(NtServiceRegistrationTest, FactoryAndStartType) {
  EXPECT_EQ(nullptr, CreateNtServiceDriver("QELC15BA.SYS", 114, "%%ntdrivers%%", 1, nullptr));
  EXPECT_EQ((Codes{0x0111FFFF}), TakeFailures());
  Restart(sim::Platform::Win98);
  EXPECT_EQ(nullptr, Service());
  EXPECT_EQ((Codes{0x0116FFFF}), TakeFailures());

  Restart(sim::Platform::NT4);
  NtServiceDriver* driver = Service();
  ASSERT_NE(nullptr, driver);
  for (DWORD type : {1u, 2u, 16u, 32u}) {
    driver->serviceType = type;
    EXPECT_EQ(DWORD{SERVICE_AUTO_START}, driver->StartType()) << type;
  }
  driver->serviceType = 0x110;  // interactive: not one the SCM starts by itself here
  EXPECT_EQ(DWORD{SERVICE_DEMAND_START}, driver->StartType());
  EXPECT_EQ(DWORD{SERVICE_DEMAND_START}, Service(true, false)->StartType());
}

TEST_F(NtServiceRegistrationTest, APathWithABlankIsQuotedAndStillCurrent) {
  NtServiceDriver* driver = KernelDriver();
  driver->SetTargetFolder("C:\\Program Files\\Lumasett\\");
  EXPECT_TRUE(driver->Register());
  EXPECT_EQ("\"C:\\Program Files\\Lumasett\\QELC15BA.SYS\"",
            sim::GetServiceConfig(kKernel).binaryPath);
  EXPECT_EQ(DWORD{SERVICE_KERNEL_DRIVER}, sim::GetServiceConfig(kKernel).type);
  EXPECT_TRUE(driver->IsRegistrationCurrent());

  // A stale quoted registration is rewritten in place and keeps its access list.
  sim::ServiceConfig stale = sim::GetServiceConfig(kKernel);
  stale.binaryPath = "\"C:\\Old Place\\QELC15BA.SYS\"";
  sim::AddService(kKernel, stale);
  std::vector<sim::ServiceAce> custom = {{ACCESS_ALLOWED_ACE_TYPE, 0x20000, "S-1-5-18"}};
  sim::SetServiceAccessList(kKernel, custom);
  EXPECT_FALSE(driver->IsRegistrationCurrent());
  EXPECT_TRUE(driver->Register());
  EXPECT_EQ(1u, sim::CallCount("ChangeServiceConfigA"));
  EXPECT_EQ("\"C:\\Program Files\\Lumasett\\QELC15BA.SYS\"",
            sim::GetServiceConfig(kKernel).binaryPath);
  EXPECT_EQ(custom, sim::ServiceAccessList(kKernel));
  EXPECT_TRUE(driver->IsRegistrationCurrent());
  EXPECT_TRUE(Failures().empty());
}

TEST_F(NtServiceRegistrationTest, EveryDifferenceMakesARegistrationStale) {
  NtServiceDriver* driver = Service();
  EXPECT_TRUE(driver->IsRegistrationCurrent());  // nothing to open: nothing stale
  // The journeys cover a current registration.
  sim::ServiceConfig current = ServiceOfType(16, SERVICE_AUTO_START, kServicePath);
  auto staleWith = [&](void (*change)(sim::ServiceConfig&)) {
    sim::ServiceConfig config = current;
    change(config);
    sim::AddService(kService, config);
    return !driver->IsRegistrationCurrent();
  };
  EXPECT_TRUE(staleWith([](sim::ServiceConfig& c) { c.type = SERVICE_WIN32_SHARE_PROCESS; }));
  EXPECT_TRUE(staleWith([](sim::ServiceConfig& c) { c.startType = SERVICE_DEMAND_START; }));
  EXPECT_TRUE(staleWith([](sim::ServiceConfig& c) { c.binaryPath = "C:\\QELC11BA.EXE"; }));
  EXPECT_TRUE(staleWith([](sim::ServiceConfig& c) { c.group = "Base"; }));
  EXPECT_TRUE(staleWith([](sim::ServiceConfig& c) { c.dependencies = {"Tcpip"}; }));
  EXPECT_TRUE(staleWith([](sim::ServiceConfig& c) { c.displayName = "Orbanet Helper"; }));
  EXPECT_FALSE(staleWith([](sim::ServiceConfig& c) {
    c.binaryPath = "\"c:\\windows\\SYSTEM32\\drivers\\qelc11ba.exe\" -service";
    c.displayName = "ORBANETQELC11BA";
  }));

  // With a group and dependencies of its own, they must match (in any case).
  driver->loadOrderGroup = "Base";
  SetDependencies(driver, "Tcpip\0Afd\0");
  EXPECT_TRUE(staleWith([](sim::ServiceConfig&) {}));
  EXPECT_FALSE(staleWith([](sim::ServiceConfig& c) {
    c.group = "BASE";
    c.dependencies = {"tcpip", "Other"};
  }));
  EXPECT_TRUE(staleWith([](sim::ServiceConfig& c) {
    c.group = "Base";
    c.dependencies = {"Afd", "Tcpip"};
  }));
  sim::FailCall("QueryServiceConfigA", ERROR_ACCESS_DENIED, 2);  // unreadable: stale
  EXPECT_FALSE(driver->IsRegistrationCurrent());
  EXPECT_TRUE(Failures().empty());
}

// The stale-upgrade sweeps pin an entry the SCM will not change (87) made anew.
TEST_F(NtServiceRegistrationTest, AnEntryThatCannotBeMadeAnew) {
  NtServiceDriver* driver = Service();
  // The old entry lingers while it runs: the new one cannot be made.
  sim::AddService(kService, ServiceOfType(SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, "x.sys"),
                  SERVICE_RUNNING);
  sim::SetServiceBehaviour(kService, sim::ServiceBehaviour{0, sim::StopResponse::Refuses, 0, 0});
  EXPECT_FALSE(driver->UpdateRegistration());
  EXPECT_EQ(0x04BD03EAu, TakeFailures().front());
  EXPECT_EQ(DWORD{SERVICE_KERNEL_DRIVER}, sim::GetServiceConfig(kService).type);

  // Marked for deletion, it cannot be changed at all.
  EXPECT_TRUE(sim::ServiceMarkedForDeletion(kService));
  EXPECT_FALSE(Service()->Register());
  EXPECT_EQ((Codes{0x03E703EA}), TakeFailures());
  EXPECT_FALSE(Service(false, true)->UpdateRegistration());
  EXPECT_EQ((Codes{0x008203E9}), TakeFailures());
}

TEST_F(NtServiceRegistrationTest, FailuresRecordTheirSiteByLastError) {
  NtServiceDriver* driver = Service();
  auto reg = [&] { return driver->Register(); };
  // The first manager opened is IsRegistered's.
  ExpectFaults(reg, {{"CreateServiceA", ERROR_DUP_NAME, true, 0}});
  EXPECT_FALSE(sim::ServiceExists(kService));
  EXPECT_EQ(0u, sim::CallCount("SetServiceObjectSecurity"));  // nothing was created

  sim::FailCall("CreateServiceA", ERROR_SERVICE_MARKED_FOR_DELETE);
  EXPECT_FALSE(Service(false, true)->Register());
  EXPECT_EQ((Codes{0x008203E9}), TakeFailures());
  driver->serviceType = 0;  // no type: nothing is asked of the SCM
  size_t opens = sim::CallCount("OpenSCManagerA");
  EXPECT_FALSE(driver->Register());
  EXPECT_EQ((Codes{0x040CFFFF}), TakeFailures());
  EXPECT_EQ(opens, sim::CallCount("OpenSCManagerA"));

  driver->serviceType = SERVICE_WIN32_OWN_PROCESS;
  AddCurrentService(SERVICE_STOPPED);
  // The fault sweep pins the update's other refusals; it never meets this one.
  ExpectFaults([&] { return driver->UpdateRegistration(); },
               {{"ChangeServiceConfigA", ERROR_DUPLICATE_SERVICE_NAME, true, 0}});
  EXPECT_TRUE(sim::ServiceExists(kService));
}

}  // namespace
