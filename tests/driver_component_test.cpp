#include "drivers/device_channel.h"
#include "drivers/driver_component.h"
#include "drivers/service_pipe_channel.h"
#include "drivers/vxd_channel.h"
#include "drivers/vxd_driver.h"
#include "support/service_driver_test.h"
#include "machine/version_files.h"

namespace {

std::vector<uint8_t> Program(uint16_t major, uint16_t minor) {
  return testfiles::ProgramWithVersion({major, minor, 0, 0});
}

class DriverComponentTest : public ServiceDriverTest {
 protected:
  void SetUp() override {
    ServiceDriverTest::SetUp();
    for (WORD id : {10001, 114, 102}) sim::SetBinaryResource("QelC14BA.dll", id, Program(4, 21));
  }
  void TearDown() override {
    component_.reset();
    ServiceDriverTest::TearDown();
  }
  DriverComponent& Wrap(SystemDriver* driver) {
    component_ = std::make_unique<DriverComponent>(driver);
    return *component_;
  }
  DriverComponent& ServiceComponent() {
    NtServiceDriver* driver = Service();
    driver->SetRequiredVersion(4, 20, 0);
    return Wrap(driver);
  }
  DriverComponent& VxdComponent() {
    sim::SetWindowsFolders("C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM");
    Restart(sim::Platform::Win98);
    VxdDriver* driver = CreateVxdDriver("QELC11BA.VXD", 102, "%%system%%",
                                        std::make_unique<VxdChannel>(kVxd, false, false));
    driver->SetRequiredVersion(4, 16, 0);
    return Wrap(driver);
  }
  // The service as Register writes it, with its file of the given version.
  static void InstalledService(DWORD state, uint16_t minor) {
    AddCurrentService(state);
    sim::PutFile(kServicePath, Program(4, minor));
  }

  std::unique_ptr<DriverComponent> component_;
};

TEST_F(DriverComponentTest, ValidationNeedsADriverWithANamedChannel) {
  EXPECT_FALSE(DriverComponent(nullptr).Validate());
  EXPECT_EQ((Codes{0x00C1FFFF}), TakeFailures());
  DriverComponent& component = Wrap(KernelDriver());
  EXPECT_TRUE(component.Validate());
  SystemDriver* driver = component.GetSystemDriver();
  driver->channel->name = "";
  EXPECT_FALSE(component.Validate());
  driver->channel.reset();
  EXPECT_FALSE(component.Validate());
  EXPECT_EQ((Codes{0x00C5FFFF, 0x00CBFFFF}), Failures());
}

TEST_F(DriverComponentTest, OnlyAnAnsweringCurrentServiceCountsAsUpToDate) {
  DriverComponent& component = ServiceComponent();
  InstalledService(SERVICE_RUNNING, 21);
  EXPECT_TRUE(component.NeedsUpdate());  // it runs but does not answer
  sim::ServePipe(kPipe, {sim::VersionAnswer(4, 21, 0)}, kService);
  EXPECT_FALSE(component.NeedsUpdate());
  sim::AddService(kService, ServiceOfType(16, SERVICE_DEMAND_START, kServicePath),
                  SERVICE_RUNNING);
  EXPECT_TRUE(component.NeedsUpdate());  // stale registration
  sim::SetServiceState(kService, SERVICE_STOPPED);
  EXPECT_TRUE(component.Exists());  // registered
  sim::SetBinaryResource("QelC14BA.dll", 10001, std::vector<uint8_t>(64, 'x'));
  InstalledService(SERVICE_RUNNING, 21);
  EXPECT_TRUE(component.NeedsUpdate());  // the payload's version cannot be read
  EXPECT_EQ((Codes{TrackedCode(0x9A, kGenericCode)}), Failures());  // the reader says why
}

// The upgrade journey covers a loaded VxD recent enough: accepted, replaced at
// the restart. Below its required version it is scheduled and registered, but fails.
TEST_F(DriverComponentTest, AHeldVxdBelowItsRequiredVersionIsRegisteredButFails) {
  DriverComponent& component = VxdComponent();
  sim::AddVxd(kVxd, true);
  sim::PutFile(kVxdPath, Program(4, 15));
  sim::HoldFileElsewhere(kVxdPath, FILE_SHARE_READ);  // Windows has it loaded
  EXPECT_FALSE(component.Install(false));
  EXPECT_EQ(0x011503E9u, TakeFailures().at(0));
  EXPECT_EQ(kVxdPath, sim::GetRegistryString(kKnownVxDs, kVxd));
  sim::SimulateRestart();
  EXPECT_EQ(Program(4, 21), sim::FileBytes(kVxdPath));
}

TEST_F(DriverComponentTest, MeetsRequiredVersionStartsAStoppedDriver) {
  DriverComponent& kernel = Wrap(KernelDriver());
  sim::AddService(kKernel, ServiceOfType(SERVICE_KERNEL_DRIVER, SERVICE_AUTO_START, kKernelPath));
  sim::AddDevice(kKernel, sim::DeviceNamespace::Local, kKernel);
  sim::PutFile(kKernelPath, Program(4, 21));
  EXPECT_TRUE(kernel.MeetsRequiredVersion());
  EXPECT_EQ(DWORD{SERVICE_RUNNING}, sim::ServiceState(kKernel));
  EXPECT_EQ(1u, sim::ServiceStartCount(kKernel));

  // The service must answer at its required version once it runs.
  DriverComponent& service = ServiceComponent();
  InstalledService(SERVICE_STOPPED, 20);
  sim::ServePipe(kPipe, {sim::VersionAnswer(4, 19, 0)}, kService);
  EXPECT_TRUE(service.MeetsRequiredVersion());  // started; its file is 4.20
  EXPECT_EQ(DWORD{SERVICE_RUNNING}, sim::ServiceState(kService));
  EXPECT_FALSE(service.MeetsRequiredVersion());  // running, answering 4.19
  sim::ServePipe(kPipe, {sim::VersionAnswer(4, 20, 0)}, kService);
  EXPECT_TRUE(service.MeetsRequiredVersion());
  sim::PutFile(kServicePath, Program(4, 19));
  EXPECT_FALSE(service.MeetsRequiredVersion());
  EXPECT_TRUE(Failures().empty());
}

// The fault sweep covers the driver's refused checks; a current file held by
// the running service is not in the way of a registration that needs an update.
TEST_F(DriverComponentTest, AHeldCurrentFileLetsAStaleRegistrationBeUpdated) {
  DriverComponent& component = ServiceComponent();
  InstalledService(SERVICE_RUNNING, 21);
  sim::HoldFileElsewhere(kServicePath, FILE_SHARE_READ);
  sim::ServiceConfig config = sim::GetServiceConfig(kService);
  config.binaryPath = "C:\\Elsewhere\\QELC11BA.EXE";
  sim::AddService(kService, config, SERVICE_RUNNING);
  ASSERT_TRUE(component.NeedsUpdate());
  EXPECT_TRUE(component.CanProceed(0));
  EXPECT_EQ(Codes{}, Failures());
}

}  // namespace
