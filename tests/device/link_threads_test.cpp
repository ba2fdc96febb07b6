// The device link used from two threads at once, as a batch worker and the
// user-interface thread do: requests are serialised, an operation's frames
// stay together on the wire, and the effect sender pauses for the worker.
// Run under ThreadSanitizer by the sanitizer build.
#include <gtest/gtest.h>

#include <thread>

#include "device_test_support.h"

namespace brisvel {
namespace {

using frames::Frame;

class DeviceLinkThreadsTest : public testing::ManagerFixture {
 protected:
  // Every multi-frame operation's frames are adjacent in what the processor received.
  static void ExpectNoInterleaving(const std::vector<Frame>& requests) {
    for (size_t i = 0; i < requests.size(); ++i) {
      const Frame& f = requests[i];
      if (f[0] == frames::cmd::kWriteChunk && f[2] > 0) {
        ASSERT_GT(i, 0u);
        EXPECT_EQ(requests[i - 1][0], frames::cmd::kWriteChunk) << "frame " << i;
        EXPECT_EQ(requests[i - 1][2], f[2] - 1) << "frame " << i;
      }
      if (f[0] == frames::cmd::kWriteParams && f[2] > 0) {
        ASSERT_GT(i, 0u);
        EXPECT_EQ(requests[i - 1][0], frames::cmd::kWriteParams) << "frame " << i;
        EXPECT_EQ(requests[i - 1][2], f[2] - 1) << "frame " << i;
      }
    }
  }
};

TEST_F(DeviceLinkThreadsTest, WorkerAndSenderAtOnceNeverInterleaveFrames) {
  auto processor = PlugAndConnect();
  processor->SetLatency(std::chrono::microseconds(200));
  // The worker has its own scratch store: the store has no lock, so two
  // threads never share one.
  CEffectStore workerStore;
  workerStore.SetConnectedFlag(true);
  EffectBlock workerBlock = FactoryBlock();
  WriteParam(workerBlock, param::Delay(5), 77);

  constexpr int kWorkerBlocks = 6;
  int workerOk = 0;
  std::thread worker([&] {
    for (int i = 0; i < kWorkerBlocks; ++i) workerOk += WriteAllParam(workerStore, *manager, workerBlock) ? 1 : 0;
  });
  // Meanwhile the "user-interface" side sends batches of two frames each.
  int uiOk = 0;
  for (int round = 0; round < 12; ++round) {
    for (int k = 0; k < 13; ++k) store.SetParam(param::EqGain(1, k), static_cast<uint16_t>(round * 20 + k));
    manager->Sender().FlushPending();
    uiOk += manager->Sender().Behind() ? 0 : 1;
  }
  worker.join();

  EXPECT_EQ(workerOk, kWorkerBlocks);
  EXPECT_EQ(uiOk, 12);
  const auto requests = processor->Requests();
  EXPECT_EQ(testing::CountCode(requests, frames::cmd::kWriteChunk), kWorkerBlocks * frames::kBlockChunks);
  EXPECT_EQ(testing::CountCode(requests, frames::cmd::kWriteParams), 24);
  ExpectNoInterleaving(requests);
  EXPECT_EQ(output.Count("WaitTimeout"), 0);
  EXPECT_EQ(ReadParam(processor->State().active, param::Delay(5)), 77);
}

TEST_F(DeviceLinkThreadsTest, BatchWorkerRunsWithTheSenderFlushedAndPaused) {
  auto processor = PlugAndConnect();
  store.SetParam(param::kMainVol, 20);                // sent at once
  store.SetParam(param::Volume(0), 21);               // within 200 ms: waits
  ASSERT_EQ(store.PendingParams().size(), 1u);
  int paramFramesDuringWorker = -1;
  {
    CEffectSender::ScopedPause pause(manager->Sender());
    EXPECT_TRUE(store.PendingParams().empty());  // flushed before the worker starts
    EXPECT_EQ(ReadParam(processor->State().active, param::Volume(0)), 21);
    processor->ClearRequests();
    std::thread worker([&] {
      // The worker changes the store (the user-interface thread waits in a
      // modal window meanwhile) and sends with the store operations.
      EffectBlock block = store.Block();
      WriteParam(block, param::kMainVol, 33);
      EXPECT_TRUE(WriteAllParam(store, *manager, block));
      store.SetParam(param::Volume(1), 22);  // noted, not sent while paused
      paramFramesDuringWorker = testing::CountCode(processor->Requests(), frames::cmd::kWriteParams);
    });
    worker.join();
    EXPECT_EQ(manager->Sender().ForeignThreadCalls(), 0);
  }
  EXPECT_EQ(paramFramesDuringWorker, 0);
  EXPECT_EQ(ReadParam(processor->State().active, param::kMainVol), 33);
  EXPECT_EQ(ReadParam(processor->State().active, param::Volume(1)), 22);  // sent when the pause ended
  EXPECT_TRUE(store.PendingParams().empty());
}

TEST_F(DeviceLinkThreadsTest, RequestsFromManyThreadsGetTheirOwnReplies) {
  auto processor = PlugAndConnect();
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 3; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 20; ++i) {
        Frame request = frames::CurrentModeRequest();
        Frame reply{};
        if (!manager->SendAndReceive(request, reply) || reply[0] != 0x95) failures++;
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(output.Count("WaitTimeout"), 0);
}

}  // namespace
}  // namespace brisvel
