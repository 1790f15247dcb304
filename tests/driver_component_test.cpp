#include "drivers/device_channel.h"
#include "drivers/driver_component.h"
#include "support/service_driver_test.h"

namespace {

using DriverComponentTest = ServiceDriverTest;

// The journeys and the fault sweep pin every decision of a valid one.
TEST_F(DriverComponentTest, ValidationNeedsADriverWithANamedChannel) {
  EXPECT_FALSE(DriverComponent(nullptr).Validate());
  EXPECT_EQ((Codes{0x00C1FFFF}), TakeFailures());
  DriverComponent component(KernelDriver());
  EXPECT_TRUE(component.Validate());
  SystemDriver* driver = component.GetSystemDriver();
  driver->channel->name = "";
  EXPECT_FALSE(component.Validate());
  driver->channel.reset();
  EXPECT_FALSE(component.Validate());
  EXPECT_EQ((Codes{0x00C5FFFF, 0x00CBFFFF}), Failures());
}

}  // namespace
