#include "support/service_driver_test.h"

namespace {

using NtServiceControlTest = ServiceDriverTest;

sim::ServiceBehaviour Behaviour(int startPolls, sim::StopResponse stop, int stopPolls) {
  return sim::ServiceBehaviour{startPolls, stop, stopPolls, 0};
}

// The journeys cover a start or stop that needs no wait.
TEST_F(NtServiceControlTest, StartAndStopWaitForTheirStates) {
  EXPECT_TRUE(Service(true, false)->Start());  // not asked to start: touches nothing
  EXPECT_EQ(0u, sim::CallCount("OpenSCManagerA"));
  NtServiceDriver* driver = Service();
  AddCurrentService(SERVICE_STOPPED);
  sim::SetServiceBehaviour(kService, Behaviour(5, sim::StopResponse::Stops, 3));
  EXPECT_TRUE(driver->Start());
  EXPECT_EQ(DWORD{SERVICE_RUNNING}, sim::ServiceState(kService));
  EXPECT_EQ(1000u, sim::Now());
  EXPECT_TRUE(driver->Stop());
  EXPECT_EQ(DWORD{SERVICE_STOPPED}, sim::ServiceState(kService));
  EXPECT_EQ(1600u, sim::Now());
  EXPECT_TRUE(TakeFailures().empty());

  // Given up after 102 pauses of 200 ms: a start that never gets there, a
  // stop that is ignored or meets a state in between.
  sim::SetServiceBehaviour(kService, Behaviour(-1, sim::StopResponse::Stops, 0));
  EXPECT_FALSE(driver->Start());
  EXPECT_EQ(1600u + 102u * 200u, sim::Now());
  EXPECT_EQ((Codes{0x054403ED}), TakeFailures());
  for (DWORD state : {DWORD{SERVICE_RUNNING}, DWORD{SERVICE_START_PENDING}}) {
    sim::SetServiceState(kService, state);
    sim::SetServiceBehaviour(kService, Behaviour(0, sim::StopResponse::Ignores, 0));
    uint64_t start = sim::Now();
    EXPECT_FALSE(driver->Stop());
    EXPECT_EQ(102u * 200u, sim::Now() - start);
    EXPECT_EQ((Codes{0x022603EE}), TakeFailures());
  }
}

// Start failures the fault sweep cannot provoke.
TEST_F(NtServiceControlTest, StartFailuresRecordTheirSiteByLastError) {
  NtServiceDriver* driver = Service();
  AddCurrentService(SERVICE_STOPPED);
  ExpectFaults([&] { return driver->Start(); },
               {{"StartServiceA", ERROR_MR_MID_NOT_FOUND, false, 0x052503E9},
                {"StartServiceA", ERROR_REVISION_MISMATCH, false, 0x052703E9},
                // The service manager gave up waiting: restart needed.
                {"StartServiceA", ERROR_SERVICE_REQUEST_TIMEOUT, false, 0x052A03E9}});
  // Dependencies that are missing or cannot start.
  sim::AddService("Helper", ServiceOfType(16, SERVICE_DISABLED, "h.exe"));
  for (auto [dependency, recorded] : {std::pair{"Missing", 0x052103E9u}, {"Helper", 0x052303E9u}}) {
    sim::ServiceConfig config = sim::GetServiceConfig(kService);
    config.dependencies = {dependency};
    sim::AddService(kService, config);
    EXPECT_FALSE(driver->Start());
    EXPECT_EQ((Codes{recorded}), TakeFailures());
  }
  // A disabled service of a driver that may not stop waits for the restart.
  sim::AddService(kService, ServiceOfType(16, SERVICE_DISABLED, kServicePath), SERVICE_STOPPED);
  EXPECT_TRUE(Service(false, true)->Start());  // only the channel's record
  EXPECT_EQ((Codes{0x008203E9}), TakeFailures());
}

// The journeys cover a service that answers over its pipe.
TEST_F(NtServiceControlTest, AServiceThatDoesNotAnswerRunsOnlyAsTheScmSays) {
  NtServiceDriver* service = Service();
  AddCurrentService(SERVICE_RUNNING);
  EXPECT_TRUE(service->IsRunning());
  sim::SetServiceState(kService, SERVICE_START_PENDING);
  EXPECT_FALSE(service->IsRunning());
  EXPECT_EQ(0u, sim::CallCount("CreateFileA"));  // never by a device
  EXPECT_TRUE(Failures().empty());
}

// The journeys cover an entry that is gone already or goes at once.
TEST_F(NtServiceControlTest, UnregisterWaitsForTheEntryToVanish) {
  NtServiceDriver* driver = Service();
  // Another process lets go of its handle after a second.
  AddCurrentService(SERVICE_STOPPED);
  sim::HoldServiceHandleElsewhere(kService, 1000);
  EXPECT_TRUE(driver->Unregister());
  EXPECT_FALSE(sim::ServiceExists(kService));
  EXPECT_EQ(1050u, sim::Now());
  EXPECT_TRUE(Failures().empty());

  // A running service lingers: given up after 50 ms and 52 pauses of 100 ms.
  AddCurrentService(SERVICE_RUNNING);
  EXPECT_FALSE(driver->Unregister());
  EXPECT_EQ(1050u + 50u + 52u * 100u, sim::Now());
  EXPECT_EQ((Codes{0x04BD03EA}), TakeFailures());
  EXPECT_TRUE(sim::ServiceMarkedForDeletion(kService));

  // Already marked: a stoppable driver waits again, one that may not stop gives up.
  NtServiceDriver* pinned = Service(false, true);
  EXPECT_FALSE(pinned->Unregister());
  EXPECT_EQ((Codes{0x008203E9}), TakeFailures());
  sim::SetServiceState(kService, SERVICE_STOPPED);
  sim::HoldServiceHandleElsewhere(kService, 300);
  EXPECT_TRUE(driver->Unregister());
  EXPECT_FALSE(sim::ServiceExists(kService));

  AddCurrentService(SERVICE_STOPPED);
  EXPECT_FALSE(pinned->Unregister());  // its entry goes only at the next restart
  EXPECT_EQ((Codes{0x04A803E9}), TakeFailures());
  EXPECT_FALSE(sim::ServiceExists(kService));
}

}  // namespace
