// The effect sender's throttle on a fake clock and timer, and the road of an
// edit from SetParam to the simulated processor.
#include <gtest/gtest.h>

#include <thread>

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
    return transferSucceeds;
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
  bool transferSucceeds = true;
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


TEST_F(EffectSenderTest, FailedTransferIsTriedAgainUntilOneSucceeds) {
  std::vector<bool> told;
  sender.SetStateListener([&](bool behind) { told.push_back(behind); });
  bool pendingLeft = true;
  sender.SetRetryCheck([&] { return pendingLeft; });
  AdvanceTo(1000);
  transferSucceeds = false;
  sender.ScheduleSend();
  EXPECT_TRUE(sender.Behind());
  ASSERT_TRUE(timer.deadline);
  EXPECT_EQ(*timer.deadline, 1000 + CEffectSender::kRetryInterval);
  AdvanceTo(1000 + CEffectSender::kRetryInterval);  // the retry fails too and re-arms
  EXPECT_EQ(transfers.size(), 2u);
  ASSERT_TRUE(timer.deadline);
  transferSucceeds = true;
  AdvanceTo(1000 + 2 * CEffectSender::kRetryInterval);
  EXPECT_EQ(transfers.size(), 3u);
  EXPECT_FALSE(sender.Behind());
  EXPECT_FALSE(timer.deadline);
  EXPECT_EQ(told, (std::vector<bool>{true, true, false}));
  EXPECT_EQ(sender.FailedTransfers(), 2);

  // Nothing left to send (or nobody to take it): no retry.
  transferSucceeds = false;
  pendingLeft = false;
  AdvanceTo(5000);
  sender.ScheduleSend();
  EXPECT_FALSE(timer.deadline);
}

TEST_F(EffectSenderTest, PauseFlushesFirstAndResumeSendsWhatCameMeanwhile) {
  AdvanceTo(1000);
  sender.ScheduleSend();
  AdvanceTo(1050);
  sender.ScheduleSend();  // armed for 1250
  {
    CEffectSender::ScopedPause pause(sender);
    EXPECT_EQ(transfers, (std::vector<int64_t>{1000, 1050}));  // flushed at the pause
    EXPECT_FALSE(timer.deadline);
    EXPECT_TRUE(sender.IsPaused());
    {
      CEffectSender::ScopedPause nested(sender);
      AdvanceTo(2000);
      sender.ScheduleSend();
      sender.FlushPending();
      sender.OnSendTimer();
    }
    EXPECT_TRUE(sender.IsPaused());
    EXPECT_EQ(transfers.size(), 2u);
    EXPECT_FALSE(timer.deadline);
  }
  EXPECT_FALSE(sender.IsPaused());
  EXPECT_EQ(transfers, (std::vector<int64_t>{1000, 1050, 2000}));

  // A pause with no edits in it sends nothing at its end.
  AdvanceTo(3000);
  { CEffectSender::ScopedPause pause(sender); }
  EXPECT_EQ(transfers.size(), 4u);  // only the flush that begins a pause
}

TEST_F(EffectSenderTest, TimerIsNeverTouchedOffItsThread) {
  AdvanceTo(1000);
  sender.ScheduleSend();
  const size_t startsBefore = timer.starts.size();
  std::thread other([&] {
    sender.ScheduleSend();  // within 200 ms: would arm the timer on the UI thread
  });
  other.join();
  EXPECT_EQ(sender.ForeignThreadCalls(), 1);
  EXPECT_EQ(timer.starts.size(), startsBefore);
  EXPECT_EQ(transfers.size(), 2u);  // sent at once instead of being lost

  // While paused a worker's edit is only noted, and the pause's end sends it.
  sender.Pause();
  std::thread worker([&] { sender.ScheduleSend(); });
  worker.join();
  EXPECT_EQ(sender.ForeignThreadCalls(), 1);
  EXPECT_EQ(transfers.size(), 3u);
  sender.Resume();
  EXPECT_EQ(transfers.size(), 4u);
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

TEST_F(EffectSenderRoadTest, EditsMadeWhileTheProcessorHearsNothingReachItLater) {
  FakeTimer timer;
  timer.now = 100000;
  manager->SetSendTimer(&timer);
  manager->Sender().SetTickSource([&] { return timer.now; });
  auto processor = PlugAndConnect();
  const auto fire = [&] {
    ASSERT_TRUE(timer.deadline);
    timer.now = *timer.deadline;
    timer.deadline.reset();
    manager->Sender().OnSendTimer();
  };

  processor->SetRequestsLost(true);
  store.SetParam(param::kMainVol, 30);  // sent at once, lost
  EXPECT_TRUE(manager->Sender().Behind());
  // A drag and a burst of band gains meanwhile: more than one frame's worth.
  timer.now += 50;
  for (int k = 0; k < 14; ++k) store.SetParam(param::EqGain(2, k), static_cast<uint16_t>(100 + k));
  store.SetParam(param::Volume(3), 41);
  fire();  // the throttled transfer, lost
  timer.now += 50;
  store.SetParam(param::Volume(3), 44);
  fire();  // lost again
  EXPECT_EQ(store.PendingParams().size(), 16u);
  EXPECT_GE(sink.behindReports.load(), 1);
  EXPECT_TRUE(sink.lastBehind.load());

  // The processor hears again: the retry the sender armed brings everything.
  processor->SetRequestsLost(false);
  processor->ClearRequests();
  fire();
  const sim::SimState state = processor->State();
  EXPECT_EQ(ReadParam(state.active, param::kMainVol), 30);
  EXPECT_EQ(ReadParam(state.active, param::Volume(3)), 44);
  for (int k = 0; k < 14; ++k) EXPECT_EQ(ReadParam(state.active, param::EqGain(2, k)), 100 + k) << k;
  EXPECT_EQ(testing::CountCode(processor->Requests(), 0x9C), 2);  // 16 items: 11 + 5
  EXPECT_TRUE(store.PendingParams().empty());
  EXPECT_FALSE(manager->Sender().Behind());
  EXPECT_FALSE(sink.lastBehind.load());
  EXPECT_FALSE(timer.deadline);
  manager->SetSendTimer(nullptr);
}

TEST_F(EffectSenderRoadTest, SameValueIsNeitherLoggedNorSent) {
  auto processor = PlugAndConnect();
  store.SetParam(param::kMainVol, store.GetParam(param::kMainVol));
  EXPECT_TRUE(store.PendingParams().empty());
  EXPECT_TRUE(processor->Requests().empty());
}

}  // namespace
}  // namespace brisvel
