// The hidraw channel over a socket pair standing in for the node: report
// identifiers on the way out and in, a write that does not wait, a failed
// write reported by the next one, and reads released at once.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "hid/hid_base.h"
#include "hid/hidraw_backend.h"

namespace brisvel::hid {
namespace {

using Clock = std::chrono::steady_clock;

// A processor's end and the channel's end of two packet socket pairs.
class HidrawChannelTest : public ::testing::Test {
 protected:
  void Open(ReportLengths lengths) {
    ::signal(SIGPIPE, SIG_IGN);  // a socket, unlike a hidraw node, raises it on a closed peer
    int out[2];
    int in[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET, 0, out), 0);
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET, 0, in), 0);
    deviceIn_ = out[1];
    deviceOut_ = in[1];
    channel = MakeDescriptorChannel(out[0], in[0], lengths);
    ASSERT_TRUE(channel);
  }
  void TearDown() override {
    channel.reset();
    if (deviceIn_ >= 0) ::close(deviceIn_);
    if (deviceOut_ >= 0) ::close(deviceOut_);
  }
  std::vector<uint8_t> DeviceReceives() {
    std::vector<uint8_t> buffer(256);
    const ssize_t n = ::recv(deviceIn_, buffer.data(), buffer.size(), 0);
    buffer.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return buffer;
  }
  void DeviceSends(const std::vector<uint8_t>& report) {
    ASSERT_EQ(::send(deviceOut_, report.data(), report.size(), 0), static_cast<ssize_t>(report.size()));
  }
  void CloseDevice() {
    ::close(deviceIn_);
    ::close(deviceOut_);
    deviceIn_ = deviceOut_ = -1;
  }

  std::unique_ptr<IHidChannel> channel;
  int deviceIn_ = -1;
  int deviceOut_ = -1;
};

TEST_F(HidrawChannelTest, UnnumberedReportsGainTheirIdentifierByte) {
  Open(ReportLengths{65, 65, false});
  std::vector<uint8_t> report(65, 0);
  report[1] = 0x94;
  report[64] = 0x6B;
  int error = 0;
  ASSERT_TRUE(channel->WriteReport(report, &error));
  EXPECT_EQ(DeviceReceives(), report);  // hidraw takes the identifier 0 in front

  std::vector<uint8_t> frame(64, 0);
  frame[0] = 0x95;
  frame[63] = 0x11;
  DeviceSends(frame);  // hidraw delivers unnumbered reports without it
  std::array<uint8_t, 65> buffer{};
  buffer.fill(0xEE);
  ASSERT_EQ(channel->ReadReport(buffer), ReadStatus::kReport);
  EXPECT_EQ(buffer[0], 0);
  EXPECT_EQ(buffer[1], 0x95);
  EXPECT_EQ(buffer[64], 0x11);
}

TEST_F(HidrawChannelTest, NumberedReportsArriveAsTheyAre) {
  Open(ReportLengths{65, 65, true});
  std::vector<uint8_t> report(65, 0);
  report[0] = 3;
  report[1] = 0x95;
  DeviceSends(report);
  std::array<uint8_t, 65> buffer{};
  ASSERT_EQ(channel->ReadReport(buffer), ReadStatus::kReport);
  EXPECT_EQ(buffer[0], 3);
  EXPECT_EQ(buffer[1], 0x95);
}

TEST_F(HidrawChannelTest, ReleaseEndsAWaitingReadAtOnceAndIsKeptWhenEarly) {
  Open(ReportLengths{65, 65, false});
  std::array<uint8_t, 65> buffer{};
  channel->ReleaseRead();  // nobody waits yet: the next read returns
  EXPECT_EQ(channel->ReadReport(buffer), ReadStatus::kReleased);

  std::atomic<int> status{-1};
  Clock::time_point released;
  std::thread reader([&] {
    status = static_cast<int>(channel->ReadReport(buffer));
    released = Clock::now();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(status, -1);
  const auto start = Clock::now();
  channel->ReleaseRead();
  reader.join();
  // A wake-up, not a polling period; the margin covers a loaded machine and sanitizers.
  EXPECT_LT(released - start, std::chrono::milliseconds(50));
  EXPECT_EQ(status, static_cast<int>(ReadStatus::kReleased));
}

TEST_F(HidrawChannelTest, RemovedDeviceFailsReadsAndTheNextWrite) {
  Open(ReportLengths{65, 65, false});
  CloseDevice();
  std::array<uint8_t, 65> buffer{};
  EXPECT_EQ(channel->ReadReport(buffer), ReadStatus::kError);
  std::vector<uint8_t> report(65, 0);
  int error = 0;
  EXPECT_TRUE(channel->WriteReport(report, &error));  // queued; fails on its way out
  bool failed = false;
  for (int i = 0; i < 100 && !failed; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    failed = !channel->WriteReport(report, &error);
  }
  EXPECT_TRUE(failed);
  EXPECT_EQ(error, EPIPE);
}

// CHidBase over the descriptor channel: the 64 data bytes follow identifier 0.
class OneNodeBackend final : public IHidBackend {
 public:
  explicit OneNodeBackend(std::unique_ptr<IHidChannel> channel) : channel_(std::move(channel)) {}
  std::vector<HidDeviceInfo> Enumerate() override { return {{"/dev/hidraw0", 0x2B53, 0x0019}}; }
  OpenResult Open(const std::string&) override { return OpenResult{std::move(channel_), OpenError::kNone, 0}; }
  std::unique_ptr<HotplugSubscription> SubscribeHotplug(IHotplugSink&) override { return nullptr; }
  bool OwnsPath(const std::string&) const override { return true; }

 private:
  std::unique_ptr<IHidChannel> channel_;
};

TEST_F(HidrawChannelTest, HidBaseWritesDataAfterTheIdentifier) {
  Open(ReportLengths{65, 65, false});
  OneNodeBackend backend(std::move(channel));
  CHidBase hid(backend);
  ASSERT_TRUE(hid.OpenDevice("/dev/hidraw0"));
  uint8_t data[64];
  for (int i = 0; i < 64; ++i) data[i] = static_cast<uint8_t>(i + 1);
  ASSERT_TRUE(hid.Write(data, 64));
  const auto received = DeviceReceives();
  ASSERT_EQ(received.size(), 65u);
  EXPECT_EQ(received[0], 0);
  EXPECT_EQ(received[1], 1);
  EXPECT_EQ(received[64], 64);
  ASSERT_TRUE(hid.Write(data, 3));  // short data: the report is still full length, zero-filled
  const auto shortReport = DeviceReceives();
  ASSERT_EQ(shortReport.size(), 65u);
  EXPECT_EQ(shortReport[3], 3);
  EXPECT_EQ(shortReport[4], 0);
}

}  // namespace
}  // namespace brisvel::hid
