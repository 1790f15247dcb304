#include <memory>

#include "drivers/device_handle.h"
#include "drivers/service_pipe_channel.h"
#include "drivers/version_exchange.h"
#include "drivers/vxd_channel.h"
#include "support/driver_sim.h"
#include "support/sim_test.h"

namespace {

using DeviceChannelTest = SystemTest;

const char kKnownVxDs[] = "System\\CurrentControlSet\\Control\\SessionManager\\KnownVxDs";
const char kPipe[] = "D2FAF60C-A24E-11d3-B7F1-005004393C73";
constexpr DWORD kVersionCode = 0x222004;

TEST_F(DeviceChannelTest, TheKernelDriverAnswersWithExactlyTwelveBytes) {
  sim::AddService("QelC15BA", ServiceOfType(SERVICE_KERNEL_DRIVER), SERVICE_RUNNING);
  sim::AddDevice("QelC15BA", sim::DeviceNamespace::Global, "QelC15BA");
  sim::SetDeviceReply("QelC15BA", 0, Words({9, 9, 9}));
  DeviceChannel silent("QelC15BA", true, true, 0);
  VxdChannel vxd("QELC11BA", false, false);
  for (DeviceChannel* channel : {&silent, static_cast<DeviceChannel*>(&vxd)}) {
    VersionNumber version;  // without a control code nothing is asked
    EXPECT_FALSE(channel->QueryVersion(version));
    EXPECT_FALSE(version.IsValid());
  }
  VersionNumber unasked;
  EXPECT_FALSE(silent.ReadVersion(nullptr, unasked));
  EXPECT_EQ(0u, sim::CallCount("CreateFileA"));
  EXPECT_EQ(0u, sim::CallCount("DeviceIoControl"));

  DeviceChannel channel("QelC15BA", true, true, kVersionCode);

  sim::SetDeviceReply("QelC15BA", kVersionCode, Words({4, 21, 1234}));
  VersionNumber version;
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
  size_t ioctls = sim::CallCount("DeviceIoControl");
  VersionNumber absent;
  EXPECT_TRUE(channel.QueryVersion(absent));
  EXPECT_FALSE(absent.IsValid());
  EXPECT_EQ(ioctls, sim::CallCount("DeviceIoControl"));
  EXPECT_EQ(0u, sim::OpenHandleCount());
}

TEST_F(DeviceChannelTest, NtOpensTheGlobalNameFirstAndThenTheLocalOne) {
  sim::AddDevice("LocalOnly", sim::DeviceNamespace::Local);
  sim::AddDevice("GlobalOnly", sim::DeviceNamespace::Global);
  {
    DeviceHandle device;
    EXPECT_TRUE(device.Open("LocalOnly"));
    EXPECT_EQ((std::vector<std::string>{"\\\\.\\Global\\LocalOnly", "\\\\.\\LocalOnly"}),
              CallDetails("CreateFileA"));
    EXPECT_EQ(1u, sim::OpenDeviceHandles("LocalOnly"));

    EXPECT_TRUE(device.Open("GlobalOnly"));  // reopening closes the first handle
    EXPECT_EQ(0u, sim::OpenDeviceHandles("LocalOnly"));
    EXPECT_EQ(3u, sim::CallCount("CreateFileA"));
    EXPECT_FALSE(device.Open("Missing"));
    EXPECT_EQ(INVALID_HANDLE_VALUE, device.Get());
    EXPECT_EQ(0u, sim::OpenDeviceHandles("GlobalOnly"));
  }
  {
    DeviceHandle device;
    EXPECT_TRUE(device.Open("GlobalOnly"));
  }
  EXPECT_EQ(0u, sim::OpenHandleCount());

  Restart(sim::Platform::NT4);  // no "Global\" prefix: the second attempt finds it
  size_t before = sim::CallCount("CreateFileA");
  DeviceHandle nt4;
  EXPECT_TRUE(nt4.Open("GlobalOnly"));
  EXPECT_EQ(before + 2, sim::CallCount("CreateFileA"));
}

TEST_F(DeviceChannelTest, Windows9xLoadsARegisteredVxdOnOpenAndUnloadsItOnClose) {
  Restart(sim::Platform::Win98);
  sim::AddVxd("QELC11BA");
  DeviceHandle device;
  EXPECT_FALSE(device.Open("QELC11BA"));  // not registered: nothing tells Windows its file
  sim::SetRegistryString(kKnownVxDs, "QELC11BA", "C:\\WINDOWS\\SYSTEM\\QELC11BA.VXD");
  ASSERT_TRUE(device.Open("QELC11BA"));
  EXPECT_EQ("\\\\.\\QELC11BA", CallDetails("CreateFileA").back());
  EXPECT_TRUE(sim::VxdLoaded("QELC11BA"));

  // The 9x exchange: 20 bytes each way, reply code 1.
  VxdChannel channel("QELC11BA", false, false);
  sim::SetDeviceReply("QELC11BA", 0x8FF, Words({1, 0, 4, 16, 7}));
  VersionNumber version;
  EXPECT_TRUE(channel.ReadVersion(device.Get(), version));
  EXPECT_EQ("4.16.7", VersionText(version));
  EXPECT_EQ(20u, sim::DeviceRequests("QELC11BA").at(0).size());
  for (auto reply : {Words({2, 0, 4, 16, 7}), Words({1, 0, 4, 16})}) {
    sim::SetDeviceReply("QELC11BA", 0x8FF, reply);
    VersionNumber rejected;
    EXPECT_FALSE(channel.ReadVersion(device.Get(), rejected));
    EXPECT_FALSE(rejected.IsValid());
  }

  device.Close();
  EXPECT_FALSE(sim::VxdLoaded("QELC11BA"));
}

TEST_F(DeviceChannelTest, OnlyAStoppableChannelLetsADriverStop) {
  std::unique_ptr<DeviceChannel> channels[] = {
      std::make_unique<DeviceChannel>("QelC15BA", true, true, 0),
      std::make_unique<VxdChannel>("QELC11BA", false, false),
      std::make_unique<ServicePipeChannel>("OrbanetQelC11BA", true, true)};
  EXPECT_TRUE(channels[0]->CheckStoppable());
  EXPECT_TRUE(channels[2]->CheckStoppable());
  EXPECT_TRUE(Failures().empty());
  EXPECT_FALSE(channels[1]->CheckStoppable());
  EXPECT_EQ((std::vector<uint32_t>{0x008203E9}), Failures());
  for (auto& channel : channels) EXPECT_TRUE(channel->NotifyStopping(nullptr));
  EXPECT_FALSE(channels[1]->autoStart);
  EXPECT_TRUE(channels[2]->autoStart);
}

TEST_F(DeviceChannelTest, TheServiceAnswersItsVersionOverThePipe) {
  ServicePipeChannel channel("OrbanetQelC11BA", true, true);
  sim::ServePipe(kPipe, {sim::VersionAnswer(4, 20, 31)});
  VersionNumber version;
  EXPECT_TRUE(channel.QueryVersion(version));
  EXPECT_EQ("4.20.31", VersionText(version));
  EXPECT_EQ((std::vector<std::string>{std::string("\\\\.\\pipe\\") + kPipe + " 2000"}),
            CallDetails("CallNamedPipeA"));
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
}

TEST_F(DeviceChannelTest, AMalformedOrMissingAnswerIsAskedTenTimesAndLeavesNoVersion) {
  ServicePipeChannel channel("OrbanetQelC11BA", true, true);
  sim::PipeReply shortReply = sim::VersionAnswer(4, 20, 0);
  shortReply.length = 16;
  sim::PipeReply longReply = sim::VersionAnswer(4, 20, 0);
  longReply.length = 24;
  sim::PipeReply wrongCode = sim::VersionAnswer(4, 20, 0);
  wrongCode.replyCode = 2;
  sim::PipeReply noVersion = sim::VersionAnswer(4, 20, 0);
  noVersion.status = 16;
  sim::PipeReply broken;
  broken.kind = sim::PipeReply::Broken;
  for (const sim::PipeReply& reply : {shortReply, longReply, wrongCode, noVersion, broken}) {
    sim::ServePipe(kPipe, {reply});
    size_t calls = sim::CallCount("CallNamedPipeA");
    VersionNumber version;
    EXPECT_TRUE(channel.QueryVersion(version));
    EXPECT_FALSE(version.IsValid());
    EXPECT_EQ(calls + 10, sim::CallCount("CallNamedPipeA"));
  }

  // The pipe exists only while its service runs.
  sim::AddService("OrbanetQelC11BA", sim::ServiceConfig{}, SERVICE_STOPPED);
  sim::ServePipe(kPipe, {sim::VersionAnswer(4, 20, 0)}, "OrbanetQelC11BA");
  VersionNumber stopped;
  EXPECT_TRUE(channel.QueryVersion(stopped));
  EXPECT_FALSE(stopped.IsValid());
  EXPECT_TRUE(sim::PipeRequests(kPipe).empty());
  EXPECT_EQ(0u, sim::Now());  // a missing pipe answers at once
}

}  // namespace
