// Request/reply rules against simulated and scripted processors: tries and
// time limits, retries of bad replies, the late-reply rule, the unsolicited
// path, the modulo-256 reply code and the disconnect waits.
#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>

#include "device/protocol_dev.h"
#include "device_test_support.h"

namespace brisvel {
namespace {

using frames::Frame;
using testing::OutputCapture;
using Clock = std::chrono::steady_clock;

int ElapsedMs(Clock::time_point since) {
  return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

// A HID backend whose single device answers each written frame with whatever
// the test's responder returns (any number of reports, in order).
class ScriptedBackend final : public hid::IHidBackend {
 public:
  using Responder = std::function<std::vector<Frame>(const Frame& request)>;
  explicit ScriptedBackend(Responder responder) : responder_(std::move(responder)) {}

  std::vector<hid::HidDeviceInfo> Enumerate() override { return {{"scripted", 0x2B53, 0x0019}}; }
  hid::OpenResult Open(const std::string&) override {
    hid::OpenResult r;
    r.channel = std::make_unique<Channel>(*this);
    return r;
  }
  std::unique_ptr<hid::HotplugSubscription> SubscribeHotplug(hid::IHotplugSink&) override { return nullptr; }
  bool OwnsPath(const std::string&) const override { return true; }
  int writes = 0;

 private:
  class Channel final : public hid::IHidChannel {
   public:
    explicit Channel(ScriptedBackend& owner) : owner_(owner) {}
    int InputReportLength() const override { return 65; }
    int OutputReportLength() const override { return 65; }
    bool WriteReport(std::span<const uint8_t> report, int*) override {
      Frame request{};
      std::copy_n(report.begin() + 1, 64, request.begin());
      auto replies = owner_.responder_(request);
      {
        std::lock_guard lock(mutex_);
        owner_.writes++;
        for (auto& r : replies) queue_.push_back(r);
      }
      cv_.notify_all();
      return true;
    }
    hid::ReadStatus ReadReport(std::span<uint8_t> buffer) override {
      std::unique_lock lock(mutex_);
      cv_.wait(lock, [&] { return released_ || !queue_.empty(); });
      if (released_) {
        released_ = false;
        return hid::ReadStatus::kReleased;
      }
      buffer[0] = 0;
      std::copy(queue_.front().begin(), queue_.front().end(), buffer.begin() + 1);
      queue_.pop_front();
      return hid::ReadStatus::kReport;
    }
    void ReleaseRead() override {
      {
        std::lock_guard lock(mutex_);
        released_ = true;
      }
      cv_.notify_all();
    }

   private:
    ScriptedBackend& owner_;
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<Frame> queue_;
    bool released_ = false;
  };
  Responder responder_;
};

Frame Accepted(uint8_t replyCode) {
  Frame f{};
  f[0] = replyCode;
  f[3] = 0xFF;
  frames::SealFrame(f);
  return f;
}

// Owns a receive thread and records what reaches the unsolicited path.
class TestOwner final : public IProtocolOwner {
 public:
  TestOwner() { thread.Start(); }
  CHidRecvThread* RecvThread() override { return &thread; }
  void OnDeviceNotify(CProtocol&, const uint8_t* report) override {
    std::lock_guard lock(mutex);
    unsolicited.push_back(report[0]);
  }
  std::vector<uint8_t> Unsolicited() {
    std::lock_guard lock(mutex);
    return unsolicited;
  }
  CHidRecvThread thread;
  std::mutex mutex;
  std::vector<uint8_t> unsolicited;
};

class ProtocolTest : public ::testing::Test {
 protected:
  void Connect(hid::IHidBackend& backend, const std::string& path) {
    protocol = std::make_unique<CProtocolDev>(backend);
    protocol->SetOwner(&owner);
    ASSERT_TRUE(protocol->Init(0x2B53, 0x0019, path));
    ASSERT_TRUE(protocol->OnConnectDevice(0));
  }
  void TearDown() override {
    if (protocol) {
      protocol->OnDisconnectDevice();
      owner.thread.Detach(protocol.get());
    }
  }
  OutputCapture output;
  sim::SimHidBackend backend;  // outlives the protocol, as a plugged processor would
  TestOwner owner;
  std::unique_ptr<CProtocolDev> protocol;
};

TEST_F(ProtocolTest, ConnectExchangesTheLinkKey) {
  auto processor = std::make_shared<sim::SimProcessor>();
  Connect(backend, backend.Plug(processor));
  const auto requests = processor->Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0][0], 0x0E);
  // Four values of at most 32766 at bytes 6, 12, 24, 32; the rest zero apart from the checksum.
  for (size_t at : {6u, 12u, 24u, 32u}) {
    const uint32_t v = requests[0][at] | requests[0][at + 1] << 8 | requests[0][at + 2] << 16 | requests[0][at + 3] << 24;
    EXPECT_LE(v, 32766u);
  }
  EXPECT_EQ(requests[0][63], frames::FrameChecksum(requests[0]));
}

TEST_F(ProtocolTest, SilentDeviceFailsAfterFiveTriesOfTwoHundredMs) {
  auto processor = std::make_shared<sim::SimProcessor>();
  Connect(backend, backend.Plug(processor));
  processor->SetSilent(true);
  processor->ClearRequests();
  Frame request = frames::CurrentModeRequest();
  Frame reply{};
  const auto start = Clock::now();
  EXPECT_FALSE(protocol->SendAndReceive(request, reply, 5, 200));
  const int elapsed = ElapsedMs(start);
  EXPECT_GE(elapsed, 990);
  EXPECT_LT(elapsed, 1500);
  EXPECT_EQ(processor->Requests().size(), 5u);
  EXPECT_EQ(output.Count("WaitTimeout. cmd=0x94"), 5);
}

TEST_F(ProtocolTest, BadChecksumAndStatusZeroAreRetried) {
  auto processor = std::make_shared<sim::SimProcessor>();
  Connect(backend, backend.Plug(processor));
  processor->ClearRequests();
  processor->CorruptReplies(1);
  Frame request = frames::CurrentModeRequest();
  Frame reply{};
  EXPECT_TRUE(protocol->SendAndReceive(request, reply, 5, 200));
  processor->StatusZeroReplies(1);
  request = frames::CurrentModeRequest();
  EXPECT_TRUE(protocol->SendAndReceive(request, reply, 5, 200));
  EXPECT_EQ(processor->Requests().size(), 4u);
  EXPECT_EQ(reply[0], 0x95);
  EXPECT_EQ(output.Count("CheckReply error: reply crc"), 1);
  EXPECT_EQ(output.Count("CheckReply error: reply falg 0x00 != 0xff  cmd=0x95"), 1);
  EXPECT_EQ(output.Count("WaitTimeout. cmd=0x94"), 2);
}

TEST_F(ProtocolTest, RequestWithBadChecksumGetsAnErrorStatus) {
  sim::SimProcessor processor;
  Frame request = frames::CurrentModeRequest();
  frames::SealFrame(request);
  request[63] ^= 0xFF;
  const auto answer = processor.Receive(request);
  ASSERT_TRUE(answer.reply);
  EXPECT_EQ((*answer.reply)[0], 0x95);
  EXPECT_NE((*answer.reply)[3], 0xFF);
  Frame unknown{};
  unknown[0] = 0x40;
  frames::SealFrame(unknown);
  const auto unknownAnswer = processor.Receive(unknown);
  ASSERT_TRUE(unknownAnswer.reply);
  EXPECT_EQ((*unknownAnswer.reply)[0], 0x41);
  EXPECT_EQ((*unknownAnswer.reply)[3], sim::kStatusUnknownCommand);
}

TEST_F(ProtocolTest, LateReplyToAnEarlierTrySatisfiesALaterOne) {
  auto processor = std::make_shared<sim::SimProcessor>();
  Connect(backend, backend.Plug(processor));
  processor->ClearRequests();
  processor->SetLatency(std::chrono::milliseconds(130));  // reply after 260 ms
  Frame request = frames::CurrentModeRequest();
  Frame reply{};
  const auto start = Clock::now();
  EXPECT_TRUE(protocol->SendAndReceive(request, reply, 5, 200));
  const int elapsed = ElapsedMs(start);
  EXPECT_EQ(processor->Requests().size(), 2u);
  EXPECT_GE(elapsed, 250);
  EXPECT_LT(elapsed, 400);  // not the second try's own reply at 460 ms
  processor->SetLatency(std::chrono::milliseconds(0));
}

TEST_F(ProtocolTest, TriesZeroSendsNothing) {
  auto processor = std::make_shared<sim::SimProcessor>();
  Connect(backend, backend.Plug(processor));
  processor->ClearRequests();
  Frame request = frames::CurrentModeRequest();
  Frame reply{};
  EXPECT_FALSE(protocol->SendAndReceive(request, reply, 0, 200));
  EXPECT_TRUE(processor->Requests().empty());
}

TEST_F(ProtocolTest, ForeignReportGoesToTheUnsolicitedPathWhileTheRequestWaits) {
  ScriptedBackend scripted([](const Frame& request) -> std::vector<Frame> {
    if (request[0] == 0x94) return {Accepted(0x7E), Accepted(0x95)};
    return {Accepted(frames::ReplyCode(request[0]))};
  });
  Connect(scripted, "scripted");
  Frame request = frames::CurrentModeRequest();
  Frame reply{};
  EXPECT_TRUE(protocol->SendAndReceive(request, reply, 5, 200));
  EXPECT_EQ(reply[0], 0x95);
  ASSERT_TRUE(testing::WaitFor([&] { return owner.Unsolicited().size() == 1; }));
  EXPECT_EQ(owner.Unsolicited()[0], 0x7E);
  EXPECT_EQ(scripted.writes, 2);  // link key + one request: the foreign report cost no retry
}

TEST_F(ProtocolTest, ReplyCodeIsModulo256) {
  ScriptedBackend scripted([](const Frame& request) -> std::vector<Frame> {
    return {Accepted(frames::ReplyCode(request[0]))};
  });
  Connect(scripted, "scripted");
  Frame request{};
  request[0] = 0xFF;
  Frame reply{};
  EXPECT_TRUE(protocol->SendAndReceive(request, reply, 1, 200));
  EXPECT_EQ(reply[0], 0x00);
}

TEST_F(ProtocolTest, SendNotReceiveWritesOnceAndWaitsForNothing) {
  auto processor = std::make_shared<sim::SimProcessor>();
  Connect(backend, backend.Plug(processor));
  processor->ClearRequests();
  Frame request = frames::CurrentModeRequest();
  EXPECT_TRUE(protocol->SendNotReceive(request));
  EXPECT_EQ(request[63], 0x6B);
  EXPECT_EQ(processor->Requests().size(), 1u);
  // The reply nobody waits for goes the unsolicited way.
  ASSERT_TRUE(testing::WaitFor([&] { return owner.Unsolicited().size() == 1; }));
}

TEST_F(ProtocolTest, DisconnectReturnsAtOnceWhenNoLoopWasStarted) {
  auto processor = std::make_shared<sim::SimProcessor>();
  processor->SetOpenFails(true);
  const std::string path = backend.Plug(processor);
  CProtocolDev failed(backend);
  failed.SetOwner(&owner);
  ASSERT_TRUE(failed.Init(0x2B53, 0x0019, path));
  EXPECT_FALSE(failed.OnConnectDevice(0));
  EXPECT_FALSE(failed.DeviceOpened());
  EXPECT_EQ(output.TraceCount("ERROR - CProtocolDev::OnConnectDevice OpenDevice failed.\n"), 1);
  const auto start = Clock::now();
  failed.OnDisconnectDevice();
  // Formerly the full 3000 ms wait for a loop that never ran.
  EXPECT_LT(ElapsedMs(start), 1000);
  EXPECT_FALSE(failed.IsReceiving());
}

TEST_F(ProtocolTest, DisconnectOfARunningLoopIsPrompt) {
  auto processor = std::make_shared<sim::SimProcessor>();
  Connect(backend, backend.Plug(processor));
  const auto start = Clock::now();
  protocol->OnDisconnectDevice();
  EXPECT_LT(ElapsedMs(start), 100);
  EXPECT_FALSE(protocol->IsReceiving());
  owner.thread.Detach(protocol.get());
  protocol.reset();
}

TEST_F(ProtocolTest, ReceiveThreadServesOneProtocolAfterAnother) {
  auto processor = std::make_shared<sim::SimProcessor>();
  const std::string path = backend.Plug(processor);
  for (int round = 0; round < 3; ++round) {
    Connect(backend, path);
    Frame request = frames::CurrentModeRequest();
    Frame reply{};
    EXPECT_TRUE(protocol->SendAndReceive(request, reply, 5, 200)) << "round " << round;
    protocol->OnDisconnectDevice();
    owner.thread.Detach(protocol.get());
    protocol.reset();
  }
  EXPECT_TRUE(testing::WaitFor(
      [&] { return output.TraceCount("CEffectSender::Run m_pProtocol->DoRecvThreadProc return.\n") == 3; }));
}

TEST_F(ProtocolTest, DeviceRemovedDuringAReadIsLoggedAndTheLoopPauses) {
  auto processor = std::make_shared<sim::SimProcessor>();
  const std::string path = backend.Plug(processor);
  Connect(backend, path);
  backend.Unplug(path);
  ASSERT_TRUE(testing::WaitFor([&] { return output.Count("CProtocol::DoRecvThreadProc() -- read return 0") >= 1; }));
  // About one record per 200 ms, not a busy loop.
  std::this_thread::sleep_for(std::chrono::milliseconds(450));
  EXPECT_LE(output.Count("CProtocol::DoRecvThreadProc() -- read return 0"), 4);
  Frame request = frames::CurrentModeRequest();
  Frame reply{};
  EXPECT_FALSE(protocol->SendAndReceive(request, reply, 1, 50));
  EXPECT_EQ(output.Count("Send failed. cmd=0x94"), 1);
}

}  // namespace
}  // namespace brisvel
