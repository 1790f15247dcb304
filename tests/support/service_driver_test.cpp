#include "support/service_driver_test.h"

#include <memory>

#include "drivers/service_pipe_channel.h"

const char* const ServiceDriverTest::kService = "OrbanetQelC11BA";
const char* const ServiceDriverTest::kServicePath = "C:\\WINDOWS\\system32\\drivers\\QELC11BA.EXE";
const char* const ServiceDriverTest::kKernel = "QelC15BA";
const char* const ServiceDriverTest::kKernelPath = "C:\\WINDOWS\\system32\\drivers\\QELC15BA.SYS";

void ServiceDriverTest::TearDown() {
  for (NtServiceDriver* driver : drivers_) driver->Release();
  drivers_.clear();
  EXPECT_EQ(0u, sim::OpenServiceHandleCount());
  EXPECT_EQ(0u, sim::ManagerHandlesClosedEarly());
  EXPECT_EQ(0u, sim::OpenHandleCount());
  SystemTest::TearDown();
}

NtServiceDriver* ServiceDriverTest::Service(bool stoppable, bool autoStart) {
  NtServiceDriver* driver = CreateNtServiceDriver(
      "QELC11BA.EXE", 10001, "%%ntdrivers%%", SERVICE_WIN32_OWN_PROCESS,
      std::make_unique<ServicePipeChannel>(kService, stoppable, autoStart));
  if (driver) drivers_.push_back(driver);
  return driver;
}

NtServiceDriver* ServiceDriverTest::KernelDriver() {
  NtServiceDriver* driver =
      CreateNtServiceDriver("QELC15BA.SYS", 114, "%%ntdrivers%%", SERVICE_KERNEL_DRIVER,
                            std::make_unique<DeviceChannel>(kKernel, true, true, 0));
  if (driver) drivers_.push_back(driver);
  return driver;
}

void ServiceDriverTest::AddCurrentService(DWORD state) {
  sim::AddService(kService, ServiceOfType(SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, kServicePath),
                  state);
}
