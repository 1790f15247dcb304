#include "support/service_driver_test.h"

namespace {

using NtServiceControlTest = ServiceDriverTest;
using Codes = std::vector<uint32_t>;

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
  EXPECT_TRUE(driver->Start());  // already running
  EXPECT_EQ(1u, sim::ServiceStartCount(kService));
  EXPECT_TRUE(Failures().empty());

  // One that never gets there is given up after 102 pauses of 200 ms.
  sim::SetServiceState(kService, SERVICE_STOPPED);
  sim::SetServiceBehaviour(kService, Behaviour(-1, sim::StopResponse::Stops, 0));
  EXPECT_FALSE(driver->Start());
  EXPECT_EQ(1000u + 102u * 200u, sim::Now());
  EXPECT_EQ((Codes{0x054403ED}), Failures());
}

TEST_F(NtServiceControlTest, StartFailuresByLastError) {
  NtServiceDriver* driver = Service();
  AddCurrentService(SERVICE_STOPPED);
  auto start = [&] { return driver->Start(); };
  ExpectFaults(start, {{"StartServiceA", ERROR_FILE_NOT_FOUND, false, 0x051F03ED},
                       {"StartServiceA", ERROR_PATH_NOT_FOUND, false, 0x051D03ED},
                       {"StartServiceA", ERROR_ACCESS_DENIED, false, 0x051B03EF},
                       {"StartServiceA", ERROR_MR_MID_NOT_FOUND, false, 0x052503E9},
                       {"StartServiceA", ERROR_REVISION_MISMATCH, false, 0x052703E9},
                       {"StartServiceA", ERROR_SERVICE_REQUEST_TIMEOUT, false, 0x052A03E9},
                       {"OpenSCManagerA", ERROR_ACCESS_DENIED, false, 0x04E203EF},
                       {"OpenSCManagerA", ERROR_DATABASE_DOES_NOT_EXIST, false, 0x04E4FFFF},
                       {"OpenServiceA", ERROR_ACCESS_DENIED, false, 0x04F203EF},
                       {"OpenServiceA", ERROR_SERVICE_DOES_NOT_EXIST, false, 0x04F703EA}});

  // Dependencies that are missing or cannot start.
  sim::ServiceConfig config = sim::GetServiceConfig(kService);
  config.dependencies = {"Missing"};
  sim::AddService(kService, config);
  EXPECT_FALSE(driver->Start());
  EXPECT_EQ((Codes{0x052103E9}), Failures());
  FailureList().ClearIfAutoClear();
  sim::AddService("Helper", ServiceOfType(16, SERVICE_DISABLED, "h.exe"));
  config.dependencies = {"Helper"};
  sim::AddService(kService, config);
  EXPECT_FALSE(driver->Start());
  EXPECT_EQ((Codes{0x052303E9}), Failures());
  EXPECT_EQ(DWORD{SERVICE_STOPPED}, sim::ServiceState(kService));
}

TEST_F(NtServiceControlTest, ADisabledOrDeletedServiceWaitsForTheRestart) {
  sim::AddService(kService, ServiceOfType(16, SERVICE_DISABLED, kServicePath));
  EXPECT_FALSE(Service()->Start());
  EXPECT_EQ((Codes{0x050C03EA}), Failures());

  AddCurrentService(SERVICE_STOPPED);
  sim::HoldServiceHandleElsewhere(kService);
  MarkForDeletion(kService);
  FailureList().ClearIfAutoClear();
  EXPECT_FALSE(Service()->Start());
  EXPECT_EQ((Codes{0x050C03EA}), Failures());
  FailureList().ClearIfAutoClear();
  EXPECT_TRUE(Service(false, true)->Start());  // only the channel's record
  EXPECT_EQ((Codes{0x008203E9}), Failures());
}

TEST_F(NtServiceControlTest, StopWaitsForTheStoppedState) {
  NtServiceDriver* driver = Service();
  EXPECT_TRUE(driver->Stop());  // no such service
  AddCurrentService(SERVICE_STOPPED);
  EXPECT_TRUE(driver->Stop());  // not active
  EXPECT_TRUE(Failures().empty());

  sim::SetServiceState(kService, SERVICE_RUNNING);
  EXPECT_TRUE(driver->Stop());
  EXPECT_EQ(0u, sim::CallCount("QueryServiceStatus"));  // the control's answer sufficed

  sim::SetServiceState(kService, SERVICE_RUNNING);
  sim::SetServiceBehaviour(kService, Behaviour(0, sim::StopResponse::Stops, 3));
  EXPECT_TRUE(driver->Stop());
  EXPECT_EQ(DWORD{SERVICE_STOPPED}, sim::ServiceState(kService));
  EXPECT_EQ(600u, sim::Now());
  EXPECT_TRUE(Failures().empty());

  // Ignored, or between states: given up after 102 pauses of 200 ms.
  for (DWORD state : {DWORD{SERVICE_RUNNING}, DWORD{SERVICE_START_PENDING}}) {
    FailureList().ClearIfAutoClear();
    sim::SetServiceState(kService, state);
    sim::SetServiceBehaviour(kService, Behaviour(0, sim::StopResponse::Ignores, 0));
    uint64_t start = sim::Now();
    EXPECT_FALSE(driver->Stop());
    EXPECT_EQ(102u * 200u, sim::Now() - start);
    EXPECT_EQ((Codes{0x022603EE}), Failures());
  }
}

TEST_F(NtServiceControlTest, StopFailuresByLastError) {
  NtServiceDriver* driver = Service();
  AddCurrentService(SERVICE_RUNNING);
  sim::SetServiceBehaviour(kService, Behaviour(0, sim::StopResponse::Refuses, 0));
  EXPECT_FALSE(driver->Stop());  // refused by the service
  EXPECT_EQ((Codes{0x01FD03EE}), Failures());
  auto stop = [&] { return driver->Stop(); };
  ExpectFaults(stop, {{"OpenSCManagerA", ERROR_ACCESS_DENIED, false, 0x01D303EF},
                      {"OpenSCManagerA", ERROR_DATABASE_DOES_NOT_EXIST, false, 0x01D5FFFF},
                      {"OpenServiceA", ERROR_ACCESS_DENIED, false, 0x01E003EF},
                      {"OpenServiceA", ERROR_INVALID_HANDLE, false, 0x01E603EE},
                      {"OpenServiceA", ERROR_INVALID_NAME, true, 0},
                      {"ControlService", ERROR_ACCESS_DENIED, false, 0x01F703EF},
                      {"ControlService", ERROR_INVALID_HANDLE, false, 0x01FFFFFF}});
  EXPECT_EQ(DWORD{SERVICE_RUNNING}, sim::ServiceState(kService));
  size_t opens = sim::CallCount("OpenSCManagerA");
  EXPECT_FALSE(Service(false, true)->Stop());
  EXPECT_EQ((Codes{0x008203E9}), Failures());
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
  sim::SetServiceState(kService, SERVICE_START_PENDING);
  EXPECT_FALSE(service->IsRunning());
  EXPECT_EQ(0u, sim::CallCount("CreateFileA"));

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
  sim::SetServiceState(kKernel, SERVICE_STOPPED);
  EXPECT_FALSE(kernel->IsRunning());
  EXPECT_TRUE(kernel->QueryRunningVersion(version));
  EXPECT_FALSE(version.IsValid());
  EXPECT_TRUE(Failures().empty());

  sim::SetServiceState(kService, SERVICE_RUNNING);
  auto running = [&] { return service->IsRunning(); };
  ExpectFaults(running, {{"OpenSCManagerA", ERROR_ACCESS_DENIED, false, 0x018B03EF},
                         {"OpenSCManagerA", ERROR_DATABASE_DOES_NOT_EXIST, false, 0x018DFFFF},
                         {"OpenServiceA", ERROR_ACCESS_DENIED, false, 0x019903EF},
                         {"OpenServiceA", ERROR_SERVICE_DOES_NOT_EXIST, false, 0},
                         {"QueryServiceStatus", ERROR_ACCESS_DENIED, false, 0x01A703EF},
                         {"QueryServiceStatus", ERROR_INVALID_HANDLE, false, 0}});
}

TEST_F(NtServiceControlTest, UnregisterWaitsForTheEntryToVanish) {
  NtServiceDriver* driver = Service();
  EXPECT_TRUE(driver->Unregister());  // nothing registered
  AddCurrentService(SERVICE_STOPPED);
  EXPECT_TRUE(driver->Unregister());
  EXPECT_FALSE(sim::ServiceExists(kService));
  EXPECT_EQ(50u, sim::Now());

  // Another process lets go of its handle after a second.
  AddCurrentService(SERVICE_STOPPED);
  sim::HoldServiceHandleElsewhere(kService, 1000);
  EXPECT_TRUE(driver->Unregister());
  EXPECT_FALSE(sim::ServiceExists(kService));
  EXPECT_EQ(50u + 1050u, sim::Now());
  EXPECT_TRUE(Failures().empty());

  // A running service lingers: given up after 50 ms and 52 pauses of 100 ms.
  AddCurrentService(SERVICE_RUNNING);
  EXPECT_FALSE(driver->Unregister());
  EXPECT_EQ(1100u + 50u + 52u * 100u, sim::Now());
  EXPECT_EQ((Codes{0x04BD03EA}), Failures());
  EXPECT_TRUE(sim::ServiceMarkedForDeletion(kService));

  // Already marked: a stoppable driver waits again, one that may not stop gives up.
  FailureList().ClearIfAutoClear();
  NtServiceDriver* pinned = Service(false, true);
  EXPECT_FALSE(pinned->Unregister());
  EXPECT_EQ((Codes{0x008203E9}), Failures());
  sim::SetServiceState(kService, SERVICE_STOPPED);
  sim::HoldServiceHandleElsewhere(kService, 300);
  EXPECT_TRUE(driver->Unregister());
  EXPECT_FALSE(sim::ServiceExists(kService));

  AddCurrentService(SERVICE_STOPPED);
  FailureList().ClearIfAutoClear();
  EXPECT_FALSE(pinned->Unregister());  // its entry goes only at the next restart
  EXPECT_EQ((Codes{0x04A803E9}), Failures());
  EXPECT_FALSE(sim::ServiceExists(kService));
}

TEST_F(NtServiceControlTest, UnregisterFailuresByLastError) {
  NtServiceDriver* driver = Service();
  AddCurrentService(SERVICE_RUNNING);
  auto unregister = [&] { return driver->Unregister(); };
  ExpectFaults(unregister, {{"OpenSCManagerA", ERROR_ACCESS_DENIED, false, 0x047403EF},
                            {"OpenSCManagerA", ERROR_DATABASE_DOES_NOT_EXIST, false, 0x0476FFFF},
                            {"OpenServiceA", ERROR_ACCESS_DENIED, false, 0x048203EF},
                            {"OpenServiceA", ERROR_INVALID_HANDLE, false, 0},
                            {"DeleteService", ERROR_ACCESS_DENIED, false, 0x049D03EF},
                            {"DeleteService", ERROR_INVALID_PARAMETER, false, 0x049FFFFF},
                            // taken as deleted; the running entry is then waited for
                            {"DeleteService", ERROR_INVALID_HANDLE, false, 0x04BD03EA}});
  EXPECT_FALSE(sim::ServiceMarkedForDeletion(kService));
}

TEST_F(NtServiceControlTest, ARestartStartsWhatStartsByItselfAndDropsWhatWasDeleted) {
  NtServiceDriver* driver = Service();
  ASSERT_TRUE(driver->Register());
  sim::AddService("Manual", ServiceOfType(16, SERVICE_DEMAND_START, "m.exe"), SERVICE_RUNNING);
  sim::AddService("Leaving", ServiceOfType(16, SERVICE_AUTO_START, "l.exe"), SERVICE_RUNNING);
  MarkForDeletion("Leaving");
  sim::SimulateRestart();
  EXPECT_EQ(DWORD{SERVICE_RUNNING}, sim::ServiceState(kService));
  EXPECT_EQ(DWORD{SERVICE_STOPPED}, sim::ServiceState("Manual"));
  EXPECT_FALSE(sim::ServiceExists("Leaving"));
  EXPECT_TRUE(driver->IsRunning());
}

}  // namespace
