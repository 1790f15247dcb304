#include <memory>
#include <optional>

#include "drivers/vxd_channel.h"
#include "drivers/vxd_driver.h"
#include "support/driver_sim.h"
#include "support/sim_test.h"

namespace {

const char kKnownVxDs[] = "System\\CurrentControlSet\\Control\\SessionManager\\KnownVxDs";
const char kVxd[] = "QELC11BA";
const char kVxdPath[] = "C:\\WINDOWS\\SYSTEM\\QELC11BA.VXD";

class VxdDriverTest : public SystemTest {
 protected:
  void SetUp() override {
    SystemTest::SetUp();
    sim::SetWindowsFolders("C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM");
    Restart(sim::Platform::Win98);
    sim::AddVxd(kVxd);
  }
  void TearDown() override {
    if (driver_) driver_->Release();
    EXPECT_EQ(0u, sim::OpenHandleCount());
    SystemTest::TearDown();
  }
  VxdDriver* Driver(bool stoppable = false, bool autoStart = false) {
    if (driver_) driver_->Release();
    driver_ = CreateVxdDriver("QELC11BA.VXD", 102, "%%system%%",
                              std::make_unique<VxdChannel>(kVxd, stoppable, autoStart));
    return driver_;
  }
  static std::optional<sim::RegistryValue> Registration() {
    return sim::GetRegistryValue(kKnownVxDs, kVxd);
  }

  VxdDriver* driver_ = nullptr;
};

TEST_F(VxdDriverTest, FactoryNeedsAChannelAndWindows9x) {
  EXPECT_EQ(nullptr, CreateVxdDriver("QELC11BA.VXD", 102, "%%system%%", nullptr));
  EXPECT_EQ((std::vector<uint32_t>{0x00D2FFFF}), Failures());
  Restart(sim::Platform::Win2000);
  EXPECT_EQ(nullptr, Driver());
  EXPECT_EQ((std::vector<uint32_t>{0x00D8FFFF}), Failures());
  Restart(sim::Platform::WinMe);
  ASSERT_NE(nullptr, Driver());
  EXPECT_STREQ(kVxdPath, driver_->TargetPath().CStr());
  EXPECT_TRUE(driver_->CheckInstall() && driver_->CheckUpdate() && driver_->CheckRemove() &&
              driver_->CheckStop());
  EXPECT_TRUE(Failures().empty());
}

TEST_F(VxdDriverTest, TheRegistrationIsOneKnownVxDsValue) {
  VxdDriver* driver = Driver();
  EXPECT_FALSE(driver->IsRegistered());
  EXPECT_FALSE(driver->IsRegistrationCurrent());
  EXPECT_TRUE(driver->Register());
  ASSERT_TRUE(Registration());
  EXPECT_EQ(DWORD{REG_SZ}, Registration()->type);
  EXPECT_EQ(sizeof kVxdPath, Registration()->data.size());  // with its NUL
  EXPECT_EQ(kVxdPath, sim::GetRegistryString(kKnownVxDs, kVxd));
  EXPECT_TRUE(driver->IsRegistered());
  EXPECT_TRUE(driver->IsRegistrationCurrent());

  sim::SetRegistryString(kKnownVxDs, kVxd, "c:\\windows\\system\\qelc11ba.vxd");
  EXPECT_TRUE(driver->IsRegistrationCurrent());
  sim::SetRegistryString(kKnownVxDs, kVxd, "C:\\OLD\\QELC11BA.VXD");
  EXPECT_TRUE(driver->IsRegistered());
  EXPECT_FALSE(driver->IsRegistrationCurrent());
  EXPECT_TRUE(driver->UpdateRegistration());
  EXPECT_EQ(kVxdPath, sim::GetRegistryString(kKnownVxDs, kVxd));
  sim::SetRegistryString(kKnownVxDs, kVxd, kVxdPath, REG_EXPAND_SZ);
  EXPECT_FALSE(driver->IsRegistered());
  EXPECT_FALSE(driver->IsRegistrationCurrent());

  EXPECT_TRUE(driver->Unregister());
  EXPECT_FALSE(Registration());
  EXPECT_FALSE(driver->Unregister());
  sim::DenyRegistryAccess(kKnownVxDs, false, true);
  EXPECT_FALSE(driver->Register());
  EXPECT_TRUE(Failures().empty());
}

TEST_F(VxdDriverTest, IsRunningAnswersOnlyForALoadedDriverAndRestoresTheValue) {
  VxdDriver* driver = Driver();
  EXPECT_FALSE(driver->IsRunning());
  EXPECT_FALSE(Registration());  // no value is made up

  // Registered but not loaded: the open cannot load it while the value is hidden.
  ASSERT_TRUE(driver->Register());
  std::optional<sim::RegistryValue> before = Registration();
  EXPECT_FALSE(driver->IsRunning());
  EXPECT_FALSE(sim::VxdLoaded(kVxd));
  ASSERT_TRUE(Registration());
  EXPECT_EQ(before->type, Registration()->type);
  EXPECT_EQ(before->data, Registration()->data);

  sim::HoldVxdElsewhere(kVxd);
  EXPECT_TRUE(driver->IsRunning());
  EXPECT_EQ(kVxdPath, sim::GetRegistryString(kKnownVxDs, kVxd));

  sim::SetRegistryString(kKnownVxDs, kVxd, "");
  EXPECT_TRUE(driver->IsRunning());
  EXPECT_FALSE(Registration());  // an empty value is not written back

  VersionNumber version;
  EXPECT_FALSE(driver->QueryRunningVersion(version));  // running, but nothing to ask
  EXPECT_FALSE(version.IsValid());
  EXPECT_EQ(0u, sim::CallCount("DeviceIoControl"));
  EXPECT_TRUE(Failures().empty());
}

TEST_F(VxdDriverTest, ARestartLoadsTheRegisteredDriver) {
  VxdDriver* driver = Driver();
  ASSERT_TRUE(driver->Register());
  EXPECT_TRUE(driver->Start());  // Windows loads it, not the installer
  EXPECT_EQ(0u, sim::CallCount("CreateFileA"));
  EXPECT_FALSE(sim::VxdLoaded(kVxd));
  sim::SimulateRestart();
  EXPECT_TRUE(sim::VxdLoaded(kVxd));
  EXPECT_TRUE(driver->IsRunning());
  VersionNumber version;
  EXPECT_FALSE(driver->QueryRunningVersion(version));
  ASSERT_TRUE(driver->Unregister());
  sim::SimulateRestart();
  EXPECT_FALSE(sim::VxdLoaded(kVxd));
  EXPECT_TRUE(driver->QueryRunningVersion(version));
  EXPECT_FALSE(version.IsValid());
}

TEST_F(VxdDriverTest, StopOnlyWithAStoppableChannel) {
  VxdDriver* pinned = Driver();
  ASSERT_TRUE(pinned->Register());
  sim::HoldVxdElsewhere(kVxd);
  size_t registryCalls = sim::CallCount("RegOpenKeyExA");
  EXPECT_FALSE(pinned->Stop());
  EXPECT_EQ((std::vector<uint32_t>{0x008203E9}), Failures());
  EXPECT_EQ(0u, sim::CallCount("CreateFileA"));
  EXPECT_EQ(registryCalls, sim::CallCount("RegOpenKeyExA"));

  VxdDriver* driver = Driver(true, false);
  FailureList().ClearIfAutoClear();
  EXPECT_FALSE(driver->Stop());  // another process has it open
  EXPECT_EQ((std::vector<uint32_t>{0x015403EA}), Failures());
  EXPECT_TRUE(Registration());

  // Loaded on this very open, unregistered, and unloaded with the handle.
  sim::SimulateRestart();
  sim::AddVxd(kVxd);
  FailureList().ClearIfAutoClear();
  EXPECT_TRUE(driver->Stop());
  EXPECT_TRUE(Failures().empty());
  EXPECT_FALSE(Registration());
  EXPECT_FALSE(sim::VxdLoaded(kVxd));

  EXPECT_FALSE(driver->Stop());  // nothing left to open
  EXPECT_EQ((std::vector<uint32_t>{0x015903E9}), Failures());
}

TEST_F(VxdDriverTest, StartLoadsTheDriverOnlyWhenItsChannelAsks) {
  VxdDriver* driver = Driver(false, true);
  EXPECT_FALSE(driver->Start());
  EXPECT_EQ((std::vector<uint32_t>{0x023603E9}), Failures());
  FailureList().ClearIfAutoClear();
  ASSERT_TRUE(driver->Register());
  EXPECT_TRUE(driver->Start());
  EXPECT_TRUE(Failures().empty());
  EXPECT_EQ(0u, sim::OpenDeviceHandles(kVxd));
}

}  // namespace
