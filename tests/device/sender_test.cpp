// The effect sender's throttle on a fake clock and timer, and the road of an
// edit from SetParam to the simulated processor.
#include <gtest/gtest.h>

#include "device_test_support.h"

namespace brisvel {
namespace {

// A timer that fires when the test moves the clock past its deadline.
class FakeTimer final : public IOneShotTimer {
 public:
  void Start(int ms) override {
    deadline = now + ms;
    starts.push_back(now);
  }
  void Stop() override { deadline.reset(); }
  std::optional<int64_t> deadline;
  std::vector<int64_t> starts;
  int64_t now = 0;
};

class EffectSenderTest : public ::testing::Test {
 protected:
  EffectSenderTest() : sender([this] {
    transfers.push_back(timer.now);
    return true;
  }) {
    sender.SetTimer(&timer);
    sender.SetTickSource([this] { return timer.now; });
  }
  // Advances the clock in 1 ms steps, firing the timer on time.
  void AdvanceTo(int64_t t) {
    while (timer.now < t) {
      ++timer.now;
      if (timer.deadline && *timer.deadline <= timer.now) {
        timer.deadline.reset();
        sender.OnSendTimer();
      }
    }
  }
  FakeTimer timer;
  std::vector<int64_t> transfers;
  CEffectSender sender;
};

TEST_F(EffectSenderTest, QuietEditAtOnceSecondEditTwoHundredMsAfterIt) {
  AdvanceTo(10000);
  sender.ScheduleSend();
  EXPECT_EQ(transfers, std::vector<int64_t>{10000});
  AdvanceTo(10050);
  sender.ScheduleSend();
  EXPECT_EQ(transfers.size(), 1u);
  EXPECT_EQ(timer.starts, std::vector<int64_t>{10050});
  AdvanceTo(10300);
  EXPECT_EQ(transfers, (std::vector<int64_t>{10000, 10250}));  // 200 ms after the second edit
}

TEST_F(EffectSenderTest, DragEveryFiftyMsSendsAboutFiveTimesASecond) {
  AdvanceTo(5000);
  for (int64_t t = 5000; t <= 5950; t += 50) {
    AdvanceTo(t);
    sender.ScheduleSend();
  }
  AdvanceTo(7000);
  // First change at once; each later arm restarts the full 200 ms, so only a
  // change finding 200 ms elapsed sends; the last comes 200 ms after the last change.
  ASSERT_FALSE(transfers.empty());
  EXPECT_EQ(transfers.front(), 5000);
  EXPECT_EQ(transfers.back(), 6150);  // last change at 5950
  for (size_t i = 1; i < transfers.size(); ++i) EXPECT_GE(transfers[i] - transfers[i - 1], 200);
  EXPECT_LE(transfers.size(), 7u);
}

TEST_F(EffectSenderTest, FlushSendsNowAndCancelsTheTimer) {
  AdvanceTo(1000);
  sender.ScheduleSend();
  AdvanceTo(1010);
  sender.ScheduleSend();
  ASSERT_TRUE(timer.deadline);
  sender.FlushPending();
  EXPECT_FALSE(timer.deadline);
  EXPECT_EQ(transfers, (std::vector<int64_t>{1000, 1010}));
  AdvanceTo(1500);
  EXPECT_EQ(transfers.size(), 2u);
  // The flush counts as the last transfer.
  AdvanceTo(1100);
  sender.ScheduleSend();
  EXPECT_EQ(transfers.size(), 3u);
}

class EffectSenderRoadTest : public testing::ManagerFixture {};

TEST_F(EffectSenderRoadTest, EditsReachTheProcessorThroughTheTimer) {
  FakeTimer timer;
  timer.now = 100000;
  manager->SetSendTimer(&timer);
  manager->Sender().SetTickSource([&] { return timer.now; });
  auto processor = PlugAndConnect();

  store.SetParam(param::Volume(2), 40);
  EXPECT_EQ(ReadParam(processor->State().active, param::Volume(2)), 40);
  timer.now += 50;
  store.SetParam(param::Volume(2), 41);
  store.SetParam(param::Volume(2), 42);
  EXPECT_EQ(ReadParam(processor->State().active, param::Volume(2)), 40);
  ASSERT_TRUE(timer.deadline);
  timer.now = *timer.deadline;
  manager->Sender().OnSendTimer();
  EXPECT_EQ(ReadParam(processor->State().active, param::Volume(2)), 42);
  EXPECT_EQ(testing::CountCode(processor->Requests(), 0x9C), 2);  // one item per transfer
  manager->SetSendTimer(nullptr);
}

TEST_F(EffectSenderRoadTest, SameValueIsNeitherLoggedNorSent) {
  auto processor = PlugAndConnect();
  store.SetParam(param::kMainVol, store.GetParam(param::kMainVol));
  EXPECT_TRUE(store.pendingParams.empty());
  EXPECT_TRUE(processor->Requests().empty());
}

}  // namespace
}  // namespace brisvel
