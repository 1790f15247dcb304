#include "drivers/device_handle.h"
#include "drivers/service_pipe_channel.h"
#include "drivers/version_exchange.h"
#include "drivers/vxd_channel.h"
#include "support/driver_sim.h"
#include "support/sim_test.h"

namespace {

using DeviceChannelTest = SystemTest;

constexpr DWORD kVersionCode = 0x222004;

TEST_F(DeviceChannelTest, TheKernelDriverAnswersWithExactlyTwelveBytes) {
  sim::AddService("QelC15BA", ServiceOfType(SERVICE_KERNEL_DRIVER), SERVICE_RUNNING);
  sim::AddDevice("QelC15BA", sim::DeviceNamespace::Global, "QelC15BA");
  // The journeys' channels have no control code and ask nothing.
  VersionNumber version;
  EXPECT_FALSE(DeviceChannel("QelC15BA", true, true, 0).ReadVersion(nullptr, version));

  DeviceChannel channel("QelC15BA", true, true, kVersionCode);
  sim::SetDeviceReply("QelC15BA", kVersionCode, Words({4, 21, 1234}));
  EXPECT_TRUE(channel.QueryVersion(version));
  EXPECT_EQ("4.21.1234", VersionText(version));
  EXPECT_TRUE(sim::DeviceRequests("QelC15BA").at(0).empty());  // no input buffer
  EXPECT_EQ(std::to_string(kVersionCode), CallDetails("DeviceIoControl").at(0));
  for (auto reply : {Words({4, 21}), Words({4, 21, 1234, 0})}) {
    sim::SetDeviceReply("QelC15BA", kVersionCode, reply);
    VersionNumber odd;
    EXPECT_TRUE(channel.QueryVersion(odd));
    EXPECT_FALSE(odd.IsValid());
  }
  sim::SetServiceState("QelC15BA", SERVICE_STOPPED);  // its device goes with it
  VersionNumber absent;
  EXPECT_TRUE(channel.QueryVersion(absent));
  EXPECT_FALSE(absent.IsValid());
  EXPECT_EQ(3u, sim::CallCount("DeviceIoControl"));
}

TEST_F(DeviceChannelTest, NtOpensTheGlobalNameFirstAndThenTheLocalOne) {
  sim::AddDevice("LocalOnly", sim::DeviceNamespace::Local);
  sim::AddDevice("GlobalOnly", sim::DeviceNamespace::Global);
  DeviceHandle device;
  EXPECT_TRUE(device.Open("LocalOnly"));
  EXPECT_TRUE(device.Open("GlobalOnly"));  // reopening closes the first handle
  EXPECT_EQ(0u, sim::OpenDeviceHandles("LocalOnly"));
}

TEST_F(DeviceChannelTest, Windows9xOpensARegisteredVxdAndExchangesTwentyBytes) {
  Restart(sim::Platform::Win98);
  sim::AddVxd("QELC11BA");
  DeviceHandle device;
  sim::SetRegistryString(kKnownVxDs, "QELC11BA", "C:\\WINDOWS\\SYSTEM\\QELC11BA.VXD");
  ASSERT_TRUE(device.Open("QELC11BA"));

  VxdChannel channel("QELC11BA", false, false);
  sim::SetDeviceReply("QELC11BA", 0x8FF, Words({1, 0, 4, 16, 7}));
  VersionNumber version;
  EXPECT_TRUE(channel.ReadVersion(device.Get(), version));
  EXPECT_EQ("4.16.7", VersionText(version));
  EXPECT_EQ(20u, sim::DeviceRequests("QELC11BA").at(0).size());
  for (auto reply : {Words({2, 0, 4, 16, 7}), Words({1, 0, 4, 16})}) {  // wrong code, short
    sim::SetDeviceReply("QELC11BA", 0x8FF, reply);
    VersionNumber rejected;
    EXPECT_FALSE(channel.ReadVersion(device.Get(), rejected));
    EXPECT_FALSE(rejected.IsValid());
  }
}

TEST_F(DeviceChannelTest, TheServiceAnswersItsVersionOverThePipeOrIsAskedTenTimes) {
  ServicePipeChannel channel("OrbanetQelC11BA", true, true);
  sim::ServePipe(kPipe, {sim::VersionAnswer(4, 20, 31)});
  VersionNumber version;
  EXPECT_TRUE(channel.QueryVersion(version));
  EXPECT_EQ("4.20.31", VersionText(version));
  EXPECT_EQ((std::vector<std::vector<uint8_t>>{Words({1, 0, 0, 0, 0})}), sim::PipeRequests(kPipe));

  // A busy pipe and malformed answers are each followed at once by another try.
  sim::PipeReply busy;
  busy.kind = sim::PipeReply::Busy;
  sim::PipeReply noVersion = sim::VersionAnswer(4, 20, 31);
  noVersion.status = 16;
  sim::ServePipe(kPipe, {busy, noVersion, sim::VersionAnswer(4, 21, 0)});
  uint64_t start = sim::Now();
  VersionNumber later;
  EXPECT_TRUE(channel.QueryVersion(later));
  EXPECT_EQ("4.21.0", VersionText(later));
  EXPECT_EQ(2000u, sim::Now() - start);  // only the busy pipe's time-out
  EXPECT_EQ(4u, sim::CallCount("CallNamedPipeA"));
  EXPECT_EQ(2u, sim::PipeRequests(kPipe).size());  // the busy pipe took no request

  // A malformed or missing answer alone is asked ten times and leaves no version.
  std::vector<sim::PipeReply> replies(5, sim::VersionAnswer(4, 20, 0));
  replies[0].length = 16;
  replies[1].length = 24;
  replies[2].replyCode = 2;
  replies[3].status = 16;  // no version
  replies[4].kind = sim::PipeReply::Broken;
  for (const sim::PipeReply& reply : replies) {
    sim::ServePipe(kPipe, {reply});
    size_t calls = sim::CallCount("CallNamedPipeA");
    VersionNumber version;
    EXPECT_TRUE(channel.QueryVersion(version));
    EXPECT_FALSE(version.IsValid());
    EXPECT_EQ(calls + 10, sim::CallCount("CallNamedPipeA"));
  }
}

}  // namespace
