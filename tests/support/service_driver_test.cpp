#include "support/service_driver_test.h"

#include <memory>

#include "drivers/service_handle.h"
#include "drivers/service_pipe_channel.h"

void ServiceDriverTest::TearDown() {
  for (NtServiceDriver* driver : drivers_) driver->Release();
  drivers_.clear();
  EXPECT_EQ(0u, sim::OpenServiceHandleCount());
  EXPECT_EQ(0u, sim::ManagerHandlesClosedEarly());
  SystemTest::TearDown();
}

NtServiceDriver* ServiceDriverTest::Service(bool stoppable, bool autoStart) {
  return Keep(CreateNtServiceDriver(
      "QELC11BA.EXE", 10001, "%%ntdrivers%%", SERVICE_WIN32_OWN_PROCESS,
      std::make_unique<ServicePipeChannel>(kService, stoppable, autoStart)));
}

NtServiceDriver* ServiceDriverTest::KernelDriver() {
  return Keep(CreateNtServiceDriver("QELC15BA.SYS", 114, "%%ntdrivers%%", SERVICE_KERNEL_DRIVER,
                                     std::make_unique<DeviceChannel>(kKernel, true, true, 0)));
}

NtServiceDriver* ServiceDriverTest::Keep(NtServiceDriver* driver) {
  if (driver) drivers_.push_back(driver);
  if (driver) driver->AddRef();
  return driver;
}

void ServiceDriverTest::AddCurrentService(DWORD state) {
  // Windows starts a service only when its program is there.
  if (!sim::FileExists(kServicePath)) sim::PutFile(kServicePath, std::string("MZ"));
  sim::AddService(kService, ServiceOfType(SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, kServicePath),
                  state);
}

void ServiceDriverTest::MarkForDeletion(const char* name) {
  ServiceHandle scm(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  ServiceHandle service(OpenServiceA(scm.Get(), name, DELETE));
  ASSERT_TRUE(DeleteService(service.Get()));
}

void ServiceDriverTest::ExpectFaults(const std::function<bool()>& operation,
                                     const std::vector<Fault>& faults) {
  for (const Fault& f : faults) {
    FailureList().ClearIfAutoClear();
    sim::FailCall(f.function, f.error, f.nth);
    std::string label = std::string(f.function) + " #" + std::to_string(f.nth) + " error " +
                        std::to_string(f.error);
    EXPECT_EQ(f.result, operation()) << label;
    EXPECT_EQ(f.recorded ? std::vector<uint32_t>{f.recorded} : std::vector<uint32_t>{},
              Failures())
        << label;
    sim::ClearFaults();
  }
  FailureList().ClearIfAutoClear();
}
