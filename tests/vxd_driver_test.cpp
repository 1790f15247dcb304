#include <memory>
#include <optional>

#include "drivers/vxd_channel.h"
#include "drivers/vxd_driver.h"
#include "support/driver_sim.h"
#include "support/file_fixture.h"

namespace {

class VxdDriverTest : public FileFixture {
 protected:
  void SetUp() override {
    FileFixture::SetUp();
    sim::SetWindowsFolders("C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM");
    Restart(sim::Platform::Win98);
    sim::AddVxd(kVxd);
  }
  void TearDown() override {
    if (driver_) driver_->Release();
    FileFixture::TearDown();
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

TEST_F(VxdDriverTest, TheRegistrationIsOneKnownVxDsValueOnWindows9xOnly) {
  EXPECT_EQ(nullptr, CreateVxdDriver("QELC11BA.VXD", 102, "%%system%%", nullptr));
  EXPECT_EQ((Codes{0x00D2FFFF}), TakeFailures());
  Restart(sim::Platform::Win2000);
  EXPECT_EQ(nullptr, Driver());
  EXPECT_EQ((Codes{0x00D8FFFF}), TakeFailures());

  Restart(sim::Platform::WinMe);
  VxdDriver* driver = Driver();
  ASSERT_NE(nullptr, driver);
  EXPECT_FALSE(driver->IsRegistered());
  EXPECT_FALSE(driver->IsRegistrationCurrent());
  EXPECT_TRUE(driver->Register());  // the fault sweep checks the value it writes
  EXPECT_EQ(kVxdPath, sim::GetRegistryString(kKnownVxDs, kVxd));
  EXPECT_TRUE(driver->IsRegistered() && driver->IsRegistrationCurrent());

  sim::SetRegistryString(kKnownVxDs, kVxd, "c:\\windows\\system\\qelc11ba.vxd");
  EXPECT_TRUE(driver->IsRegistrationCurrent());
  sim::SetRegistryString(kKnownVxDs, kVxd, "C:\\OLD\\QELC11BA.VXD");
  EXPECT_TRUE(driver->IsRegistered());
  EXPECT_FALSE(driver->IsRegistrationCurrent());
  EXPECT_TRUE(driver->UpdateRegistration());
  EXPECT_EQ(kVxdPath, sim::GetRegistryString(kKnownVxDs, kVxd));
  sim::SetRegistryString(kKnownVxDs, kVxd, kVxdPath, REG_EXPAND_SZ);
  EXPECT_FALSE(driver->IsRegistered() || driver->IsRegistrationCurrent());

  EXPECT_TRUE(driver->Unregister());
  EXPECT_FALSE(Registration());
  EXPECT_FALSE(driver->Unregister());
  sim::FailCall("RegSetValueExA", ERROR_CANTWRITE);  // Windows 9x denies nothing
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

TEST_F(VxdDriverTest, StartLeavesTheLoadingToWindowsUnlessItsChannelAsks) {
  VxdDriver* driver = Driver();
  ASSERT_TRUE(driver->Register());
  EXPECT_TRUE(driver->Start());
  EXPECT_EQ(0u, sim::CallCount("CreateFileA"));
  EXPECT_FALSE(sim::VxdLoaded(kVxd));
  sim::SimulateRestart();
  EXPECT_TRUE(sim::VxdLoaded(kVxd));
  EXPECT_TRUE(driver->IsRunning());
  ASSERT_TRUE(driver->Unregister());
  sim::SimulateRestart();
  VersionNumber version;
  EXPECT_TRUE(driver->QueryRunningVersion(version));  // not running: nothing to compare
  EXPECT_FALSE(version.IsValid());

  sim::AddVxd(kVxd);
  driver = Driver(false, true);
  EXPECT_FALSE(driver->Start());
  EXPECT_EQ((Codes{0x023603E9}), TakeFailures());
  ASSERT_TRUE(driver->Register());
  EXPECT_TRUE(driver->Start());
  EXPECT_TRUE(Failures().empty());
  EXPECT_EQ(0u, sim::OpenDeviceHandles(kVxd));
}

TEST_F(VxdDriverTest, StopOnlyWithAStoppableChannel) {
  VxdDriver* pinned = Driver();
  ASSERT_TRUE(pinned->Register());
  sim::HoldVxdElsewhere(kVxd);
  size_t registryCalls = sim::CallCount("RegOpenKeyExA");
  EXPECT_FALSE(pinned->Stop());
  EXPECT_EQ((Codes{0x008203E9}), TakeFailures());
  EXPECT_EQ(0u, sim::CallCount("CreateFileA"));
  EXPECT_EQ(registryCalls, sim::CallCount("RegOpenKeyExA"));

  VxdDriver* driver = Driver(true, false);
  EXPECT_FALSE(driver->Stop());  // another process has it open
  EXPECT_EQ((Codes{0x015403EA}), TakeFailures());
  EXPECT_TRUE(Registration());

  // Loaded on this very open, unregistered, and unloaded with the handle.
  sim::SimulateRestart();
  sim::AddVxd(kVxd);
  EXPECT_TRUE(driver->Stop());
  EXPECT_TRUE(Failures().empty());
  EXPECT_FALSE(Registration());
  EXPECT_FALSE(sim::VxdLoaded(kVxd));
  EXPECT_FALSE(driver->Stop());  // nothing left to open
  EXPECT_EQ((Codes{0x015903E9}), Failures());
}

}  // namespace
