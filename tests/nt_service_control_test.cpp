#include "drivers/device_channel.h"
#include "support/service_driver_test.h"

namespace {

using NtServiceControlTest = ServiceDriverTest;

const char kPipe[] = "D2FAF60C-A24E-11d3-B7F1-005004393C73";

sim::ServiceBehaviour Behaviour(int startPolls, sim::StopResponse stop, int stopPolls,
                                DWORD startError = 0) {
  return sim::ServiceBehaviour{startPolls, stop, stopPolls, startError};
}

TEST_F(NtServiceControlTest, StartWaitsForTheRunningState) {
  EXPECT_TRUE(Service(true, false)->Start());  // not asked to start: touches nothing
  EXPECT_EQ(0u, sim::CallCount("OpenSCManagerA"));

  NtServiceDriver* driver = Service();
  AddCurrentService(SERVICE_STOPPED);
  sim::SetServiceBehaviour(kService, Behaviour(5, sim::StopResponse::Stops, 0));
  EXPECT_TRUE(driver->Start());
  EXPECT_EQ(DWORD{SERVICE_RUNNING}, sim::ServiceState(kService));
  EXPECT_EQ(1000u, sim::Now());
  EXPECT_EQ(std::string(kService) + " 20", CallDetails("OpenServiceA").back());  // start, query
  EXPECT_EQ(1u, sim::ServiceStartCount(kService));

  EXPECT_TRUE(driver->Start());  // already running
  EXPECT_EQ(1u, sim::ServiceStartCount(kService));
  EXPECT_TRUE(Failures().empty());

  // A service that never gets there is given up after 102 pauses of 200 ms.
  sim::SetServiceState(kService, SERVICE_STOPPED);
  sim::SetServiceBehaviour(kService, Behaviour(-1, sim::StopResponse::Stops, 0));
  uint64_t start = sim::Now();
  EXPECT_FALSE(driver->Start());
  EXPECT_EQ(102u * 200u, sim::Now() - start);
  EXPECT_EQ((std::vector<uint32_t>{0x054403ED}), Failures());
}

TEST_F(NtServiceControlTest, StartFailuresByLastError) {
  NtServiceDriver* driver = Service();
  AddCurrentService(SERVICE_STOPPED);
  struct Case {
    DWORD error;
    uint32_t recorded;
  };
  for (Case c : {Case{ERROR_FILE_NOT_FOUND, 0x051F03ED}, Case{ERROR_PATH_NOT_FOUND, 0x051D03ED},
                 Case{ERROR_ACCESS_DENIED, 0x051B03EF}, Case{ERROR_MR_MID_NOT_FOUND, 0x052503E9},
                 Case{ERROR_REVISION_MISMATCH, 0x052703E9},
                 Case{ERROR_SERVICE_REQUEST_TIMEOUT, 0x052A03E9}}) {
    FailureList().ClearIfAutoClear();
    sim::SetServiceBehaviour(kService, Behaviour(0, sim::StopResponse::Stops, 0, c.error));
    EXPECT_FALSE(driver->Start()) << c.error;
    EXPECT_EQ(std::vector<uint32_t>{c.recorded}, Failures()) << c.error;
  }
  sim::SetServiceBehaviour(kService, sim::ServiceBehaviour{});

  // Dependencies that are missing or cannot start.
  sim::ServiceConfig config = sim::GetServiceConfig(kService);
  config.dependencies = {"Missing"};
  sim::AddService(kService, config);
  FailureList().ClearIfAutoClear();
  EXPECT_FALSE(driver->Start());
  EXPECT_EQ((std::vector<uint32_t>{0x052103E9}), Failures());
  sim::AddService("Helper", ServiceOfType(16, SERVICE_DISABLED, "h.exe"));
  config.dependencies = {"Helper"};
  sim::AddService(kService, config);
  FailureList().ClearIfAutoClear();
  EXPECT_FALSE(driver->Start());
  EXPECT_EQ((std::vector<uint32_t>{0x052303E9}), Failures());
  sim::AddService(kService, ServiceOfType(16, SERVICE_AUTO_START, kServicePath));

  // Disabled: in use while the driver may be stopped, left to the restart when it may not.
  sim::AddService(kService, ServiceOfType(16, SERVICE_DISABLED, kServicePath));
  FailureList().ClearIfAutoClear();
  EXPECT_FALSE(driver->Start());
  EXPECT_EQ((std::vector<uint32_t>{0x050C03EA}), Failures());
  FailureList().ClearIfAutoClear();
  EXPECT_TRUE(Service(false, true)->Start());
  EXPECT_EQ((std::vector<uint32_t>{0x008203E9}), Failures());

  struct OpenCase {
    const char* function;
    DWORD error;
    uint32_t recorded;
  };
  for (OpenCase c : {OpenCase{"OpenSCManagerA", ERROR_ACCESS_DENIED, 0x04E203EF},
                     OpenCase{"OpenSCManagerA", ERROR_DATABASE_DOES_NOT_EXIST, 0x04E4FFFF},
                     OpenCase{"OpenServiceA", ERROR_ACCESS_DENIED, 0x04F203EF},
                     OpenCase{"OpenServiceA", ERROR_SERVICE_DOES_NOT_EXIST, 0x04F703EA}}) {
    FailureList().ClearIfAutoClear();
    sim::FailCall(c.function, c.error);
    EXPECT_FALSE(driver->Start());
    EXPECT_EQ(std::vector<uint32_t>{c.recorded}, Failures()) << c.function << " " << c.error;
  }
}

TEST_F(NtServiceControlTest, AServiceMarkedForDeletionDoesNotStartAgain) {
  AddCurrentService(SERVICE_STOPPED);
  SC_HANDLE scm = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  SC_HANDLE held = OpenServiceA(scm, kService, DELETE);
  ASSERT_TRUE(DeleteService(held));
  EXPECT_FALSE(Service()->Start());
  EXPECT_EQ((std::vector<uint32_t>{0x050C03EA}), Failures());
  FailureList().ClearIfAutoClear();
  EXPECT_TRUE(Service(false, true)->Start());
  EXPECT_EQ((std::vector<uint32_t>{0x008203E9}), Failures());
  CloseServiceHandle(held);
  CloseServiceHandle(scm);
  EXPECT_FALSE(sim::ServiceExists(kService));  // stopped and no handle left
}

TEST_F(NtServiceControlTest, StopWaitsForTheStoppedState) {
  NtServiceDriver* driver = Service();
  EXPECT_TRUE(driver->Stop());  // no such service: nothing to stop
  AddCurrentService(SERVICE_STOPPED);
  EXPECT_TRUE(driver->Stop());  // not active
  EXPECT_TRUE(Failures().empty());

  sim::SetServiceState(kService, SERVICE_RUNNING);
  sim::SetServiceBehaviour(kService, Behaviour(0, sim::StopResponse::Stops, 0));
  size_t queries = sim::CallCount("QueryServiceStatus");
  EXPECT_TRUE(driver->Stop());
  EXPECT_EQ(queries, sim::CallCount("QueryServiceStatus"));  // the control's answer sufficed
  EXPECT_EQ(std::string(kService) + " 36", CallDetails("OpenServiceA").back());

  sim::SetServiceState(kService, SERVICE_RUNNING);
  sim::SetServiceBehaviour(kService, Behaviour(0, sim::StopResponse::Stops, 3));
  uint64_t start = sim::Now();
  EXPECT_TRUE(driver->Stop());
  EXPECT_EQ(DWORD{SERVICE_STOPPED}, sim::ServiceState(kService));
  EXPECT_EQ(600u, sim::Now() - start);
  EXPECT_TRUE(Failures().empty());

  // Ignored, and between states: given up after 102 pauses of 200 ms.
  for (DWORD state : {DWORD{SERVICE_RUNNING}, DWORD{SERVICE_START_PENDING}}) {
    FailureList().ClearIfAutoClear();
    sim::SetServiceState(kService, state);
    sim::SetServiceBehaviour(kService, Behaviour(0, sim::StopResponse::Ignores, 0));
    start = sim::Now();
    EXPECT_FALSE(driver->Stop());
    EXPECT_EQ(102u * 200u, sim::Now() - start);
    EXPECT_EQ((std::vector<uint32_t>{0x022603EE}), Failures());
  }
}

TEST_F(NtServiceControlTest, StopFailuresByLastError) {
  NtServiceDriver* driver = Service();
  AddCurrentService(SERVICE_RUNNING);
  sim::SetServiceBehaviour(kService, Behaviour(0, sim::StopResponse::Refuses, 0));
  EXPECT_FALSE(driver->Stop());
  EXPECT_EQ((std::vector<uint32_t>{0x01FD03EE}), Failures());
  sim::SetServiceBehaviour(kService, sim::ServiceBehaviour{});

  struct Case {
    const char* function;
    DWORD error;
    bool result;
    uint32_t recorded;
  };
  for (Case c : {Case{"OpenSCManagerA", ERROR_ACCESS_DENIED, false, 0x01D303EF},
                 Case{"OpenSCManagerA", ERROR_DATABASE_DOES_NOT_EXIST, false, 0x01D5FFFF},
                 Case{"OpenServiceA", ERROR_ACCESS_DENIED, false, 0x01E003EF},
                 Case{"OpenServiceA", ERROR_INVALID_HANDLE, false, 0x01E603EE},
                 Case{"OpenServiceA", ERROR_INVALID_NAME, true, 0},
                 Case{"ControlService", ERROR_ACCESS_DENIED, false, 0x01F703EF},
                 Case{"ControlService", ERROR_INVALID_HANDLE, false, 0x01FFFFFF}}) {
    FailureList().ClearIfAutoClear();
    sim::FailCall(c.function, c.error);
    EXPECT_EQ(c.result, driver->Stop()) << c.function << " " << c.error;
    EXPECT_EQ(c.recorded ? std::vector<uint32_t>{c.recorded} : std::vector<uint32_t>{},
              Failures())
        << c.function << " " << c.error;
  }
  EXPECT_EQ(DWORD{SERVICE_RUNNING}, sim::ServiceState(kService));

  FailureList().ClearIfAutoClear();
  size_t opens = sim::CallCount("OpenSCManagerA");
  EXPECT_FALSE(Service(false, true)->Stop());
  EXPECT_EQ((std::vector<uint32_t>{0x008203E9}), Failures());
  EXPECT_EQ(opens, sim::CallCount("OpenSCManagerA"));
}

TEST_F(NtServiceControlTest, IsRunningAsksTheChannelThenTheDeviceThenTheScm) {
  NtServiceDriver* service = Service();
  AddCurrentService(SERVICE_RUNNING);
  sim::ServePipe(kPipe, {sim::VersionAnswer(4, 20, 0)}, kService);
  EXPECT_TRUE(service->IsRunning());
  EXPECT_EQ(0u, sim::CallCount("OpenSCManagerA"));

  // A service that does not answer is asked about by the SCM, never by device.
  sim::StopServingPipe(kPipe);
  EXPECT_TRUE(service->IsRunning());
  EXPECT_EQ(0u, sim::CallCount("CreateFileA"));
  sim::SetServiceState(kService, SERVICE_START_PENDING);
  EXPECT_FALSE(service->IsRunning());
  EXPECT_TRUE(Failures().empty());

  // The kernel driver's device opens on the second attempt from the local namespace.
  NtServiceDriver* kernel = KernelDriver();
  sim::AddService(kKernel, ServiceOfType(SERVICE_KERNEL_DRIVER, SERVICE_AUTO_START, kKernelPath),
                  SERVICE_RUNNING);
  sim::AddDevice(kKernel, sim::DeviceNamespace::Local, kKernel);
  size_t scmOpens = sim::CallCount("OpenSCManagerA");
  EXPECT_TRUE(kernel->IsRunning());
  EXPECT_EQ((std::vector<std::string>{"\\\\.\\Global\\QelC15BA", "\\\\.\\QelC15BA"}),
            CallDetails("CreateFileA"));
  EXPECT_EQ(scmOpens, sim::CallCount("OpenSCManagerA"));
  VersionNumber version;
  EXPECT_FALSE(kernel->QueryRunningVersion(version));  // its channel asks nothing
  EXPECT_FALSE(version.IsValid());
  sim::SetServiceState(kKernel, SERVICE_STOPPED);
  EXPECT_FALSE(kernel->IsRunning());
  EXPECT_TRUE(kernel->QueryRunningVersion(version));
  EXPECT_EQ(0u, sim::OpenDeviceHandles(kKernel));

  struct Case {
    const char* function;
    DWORD error;
    std::vector<uint32_t> recorded;
  };
  sim::SetServiceState(kService, SERVICE_RUNNING);
  for (const Case& c : {Case{"OpenSCManagerA", ERROR_ACCESS_DENIED, {0x018B03EF}},
                        Case{"OpenSCManagerA", ERROR_DATABASE_DOES_NOT_EXIST, {0x018DFFFF}},
                        Case{"OpenServiceA", ERROR_ACCESS_DENIED, {0x019903EF}},
                        Case{"OpenServiceA", ERROR_SERVICE_DOES_NOT_EXIST, {}},
                        Case{"QueryServiceStatus", ERROR_ACCESS_DENIED, {0x01A703EF}},
                        Case{"QueryServiceStatus", ERROR_INVALID_HANDLE, {}}}) {
    FailureList().ClearIfAutoClear();
    sim::FailCall(c.function, c.error);
    EXPECT_FALSE(service->IsRunning()) << c.function << " " << c.error;
    EXPECT_EQ(c.recorded, Failures()) << c.function << " " << c.error;
  }
}

TEST_F(NtServiceControlTest, UnregisterWaitsForTheEntryToVanish) {
  NtServiceDriver* driver = Service();
  EXPECT_TRUE(driver->Unregister());  // nothing registered
  AddCurrentService(SERVICE_STOPPED);
  EXPECT_TRUE(driver->Unregister());
  EXPECT_FALSE(sim::ServiceExists(kService));
  EXPECT_EQ(50u, sim::Now());
  EXPECT_TRUE(Failures().empty());

  // Another process lets go of its handle after a second.
  AddCurrentService(SERVICE_STOPPED);
  sim::HoldServiceHandleElsewhere(kService, 1000);
  uint64_t start = sim::Now();
  EXPECT_TRUE(driver->Unregister());
  EXPECT_FALSE(sim::ServiceExists(kService));
  EXPECT_EQ(1050u, sim::Now() - start);

  // A running service lingers: given up after 50 ms and 52 pauses of 100 ms.
  AddCurrentService(SERVICE_RUNNING);
  start = sim::Now();
  EXPECT_FALSE(driver->Unregister());
  EXPECT_EQ(50u + 52u * 100u, sim::Now() - start);
  EXPECT_EQ((std::vector<uint32_t>{0x04BD03EA}), Failures());
  EXPECT_TRUE(sim::ServiceMarkedForDeletion(kService));

  // Already marked: a stoppable driver waits again, one that may not stop gives up.
  FailureList().ClearIfAutoClear();
  sim::SetServiceState(kService, SERVICE_STOPPED);
  sim::HoldServiceHandleElsewhere(kService, 300);
  EXPECT_TRUE(driver->Unregister());
  EXPECT_FALSE(sim::ServiceExists(kService));
  EXPECT_TRUE(Failures().empty());

  AddCurrentService(SERVICE_RUNNING);
  NtServiceDriver* pinned = Service(false, true);
  EXPECT_FALSE(pinned->Unregister());
  EXPECT_EQ((std::vector<uint32_t>{0x04A803E9}), Failures());
  FailureList().ClearIfAutoClear();
  EXPECT_FALSE(pinned->Unregister());
  EXPECT_EQ((std::vector<uint32_t>{0x008203E9}), Failures());
}

TEST_F(NtServiceControlTest, UnregisterFailuresByLastError) {
  NtServiceDriver* driver = Service();
  AddCurrentService(SERVICE_STOPPED);
  struct Case {
    const char* function;
    DWORD error;
    uint32_t recorded;
  };
  for (Case c : {Case{"OpenSCManagerA", ERROR_ACCESS_DENIED, 0x047403EF},
                 Case{"OpenSCManagerA", ERROR_DATABASE_DOES_NOT_EXIST, 0x0476FFFF},
                 Case{"OpenServiceA", ERROR_ACCESS_DENIED, 0x048203EF},
                 Case{"OpenServiceA", ERROR_INVALID_HANDLE, 0},
                 Case{"DeleteService", ERROR_ACCESS_DENIED, 0x049D03EF},
                 Case{"DeleteService", ERROR_INVALID_PARAMETER, 0x049FFFFF}}) {
    FailureList().ClearIfAutoClear();
    sim::FailCall(c.function, c.error);
    EXPECT_FALSE(driver->Unregister()) << c.function << " " << c.error;
    EXPECT_EQ(c.recorded ? std::vector<uint32_t>{c.recorded} : std::vector<uint32_t>{},
              Failures())
        << c.function << " " << c.error;
    EXPECT_TRUE(sim::ServiceExists(kService));
  }
  // An invalid handle from the deletion is taken as done; the entry is then waited for.
  FailureList().ClearIfAutoClear();
  sim::FailCall("DeleteService", ERROR_INVALID_HANDLE);
  EXPECT_FALSE(driver->Unregister());
  EXPECT_EQ((std::vector<uint32_t>{0x04BD03EA}), Failures());
}

TEST_F(NtServiceControlTest, ARestartStartsWhatStartsByItselfAndDropsWhatWasDeleted) {
  NtServiceDriver* driver = Service();
  ASSERT_TRUE(driver->Register());
  sim::AddService("Manual", ServiceOfType(16, SERVICE_DEMAND_START, "m.exe"), SERVICE_RUNNING);
  sim::AddService("Leaving", ServiceOfType(16, SERVICE_AUTO_START, "l.exe"), SERVICE_RUNNING);
  SC_HANDLE scm = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  SC_HANDLE leaving = OpenServiceA(scm, "Leaving", DELETE);
  ASSERT_TRUE(DeleteService(leaving));
  sim::SimulateRestart();  // this process's handles end with it
  EXPECT_EQ(0u, sim::OpenServiceHandleCount());
  EXPECT_EQ(DWORD{SERVICE_RUNNING}, sim::ServiceState(kService));
  EXPECT_EQ(DWORD{SERVICE_STOPPED}, sim::ServiceState("Manual"));
  EXPECT_FALSE(sim::ServiceExists("Leaving"));
  EXPECT_TRUE(driver->IsRunning());
}

}  // namespace
