#include "drivers/vxd_channel.h"
#include "drivers/vxd_driver.h"
#include "support/driver_sim.h"
#include "support/sim_test.h"

namespace {

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

TEST_F(VxdDriverTest, TheRegistrationIsOneKnownVxDsValueOnWindows9xOnly) {
  EXPECT_EQ(nullptr, CreateVxdDriver("QELC11BA.VXD", 102, "%%system%%", nullptr));
  EXPECT_EQ((Codes{0x00D2FFFF}), TakeFailures());
  Restart(sim::Platform::Win2000);
  EXPECT_EQ(nullptr, Driver());
  EXPECT_EQ((Codes{0x00D8FFFF}), TakeFailures());

  Restart(sim::Platform::WinMe);
  VxdDriver* driver = Driver();
  ASSERT_NE(nullptr, driver);
  // The journeys cover a fresh and a current registration and its removal.
  sim::SetRegistryString(kKnownVxDs, kVxd, "c:\\windows\\system\\qelc11ba.vxd");
  EXPECT_TRUE(driver->IsRegistrationCurrent());
  sim::SetRegistryString(kKnownVxDs, kVxd, "C:\\OLD\\QELC11BA.VXD");
  EXPECT_TRUE(driver->IsRegistered());
  EXPECT_FALSE(driver->IsRegistrationCurrent());
  EXPECT_TRUE(driver->UpdateRegistration());
  EXPECT_EQ(kVxdPath, sim::GetRegistryString(kKnownVxDs, kVxd));
  sim::SetRegistryString(kKnownVxDs, kVxd, kVxdPath, REG_EXPAND_SZ);
  EXPECT_FALSE(driver->IsRegistered() || driver->IsRegistrationCurrent());
  sim::DeleteRegistryTree(kKnownVxDs);
  EXPECT_FALSE(driver->Unregister());
  EXPECT_TRUE(Failures().empty());
}

// The Windows 98 journeys cover the product's driver, left for Windows to load.
TEST_F(VxdDriverTest, StartOpensTheDriverOnlyWhenItsChannelAsks) {
  VxdDriver* driver = Driver();
  VersionNumber version;
  EXPECT_TRUE(driver->QueryRunningVersion(version));  // not running: nothing to compare
  EXPECT_FALSE(version.IsValid());
  driver = Driver(false, true);
  EXPECT_FALSE(driver->Start());
  EXPECT_EQ((Codes{0x023603E9}), TakeFailures());
  ASSERT_TRUE(driver->Register());
  EXPECT_TRUE(driver->Start());
  EXPECT_TRUE(Failures().empty());
  EXPECT_EQ(0u, sim::OpenDeviceHandles(kVxd));
}

// The journeys cover the product's driver, which may not be stopped.
TEST_F(VxdDriverTest, AStoppableDriverIsStoppedByItsLastHandle) {
  VxdDriver* driver = Driver(true, false);
  ASSERT_TRUE(driver->Register());
  sim::HoldVxdElsewhere(kVxd);
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
