// Device manager rules with simulated processors: hot-plug arrival and
// removal, the unsolicited 0x7E report, failed connections, resume, and what
// happens to edits across a disconnection.
#include <gtest/gtest.h>

#include "device/device_session.h"
#include "device_test_support.h"

namespace brisvel {
namespace {

using testing::ManagerFixture;
using Clock = std::chrono::steady_clock;

class DeviceManagerTest : public ManagerFixture {
 protected:
  // Delivers the backend's notifications straight to the manager (the tests
  // plug and unplug on the thread that plays the user-interface thread).
  struct Forwarder final : hid::IHotplugSink {
    CDeviceManager* manager = nullptr;
    void OnHidDeviceChange(hid::HotplugAction action, const hid::HidDeviceInfo& device) override {
      manager->OnHotplug(action, device);
    }
  };
  void Subscribe() {
    forwarder.manager = manager.get();
    ASSERT_TRUE(RegisterHidNotification(&backend, &forwarder));
  }
  void TearDown() override {
    RegisterHidNotification(nullptr, nullptr);
    ManagerFixture::TearDown();
  }
  Forwarder forwarder;
};

TEST_F(DeviceManagerTest, ArrivalConnectsOnlyWhileNothingIsOpen) {
  Subscribe();
  auto first = std::make_shared<sim::SimProcessor>();
  const std::string firstPath = backend.Plug(first);
  EXPECT_TRUE(manager->IsDeviceOpen());
  EXPECT_EQ(manager->GetCurrentPath(), firstPath);
  EXPECT_EQ(pumpWaits, std::vector<int>{2000});
  EXPECT_EQ(sink.refreshRequests, 1);
  EXPECT_EQ(sink.lastRefreshDelay, 2000);
  EXPECT_EQ(output.Count("\nDBT_DEVICEARRIVAL \n"), 1);
  EXPECT_TRUE(store.ConnectedFlag());

  // A second processor while one is connected: nothing happens.
  auto second = std::make_shared<sim::SimProcessor>();
  const std::string secondPath = backend.Plug(second);
  EXPECT_EQ(manager->GetCurrentPath(), firstPath);
  EXPECT_TRUE(second->Requests().empty());
  EXPECT_EQ(pumpWaits.size(), 1u);

  // Unplugging the one that is not connected: nothing happens.
  backend.Unplug(secondPath);
  EXPECT_EQ(manager->GetCurrentPath(), firstPath);
  EXPECT_EQ(sink.disconnected, 0);
}

TEST_F(DeviceManagerTest, RemovalOfTheConnectedProcessorMovesToTheOtherOne) {
  auto first = std::make_shared<sim::SimProcessor>();
  auto second = std::make_shared<sim::SimProcessor>();
  const std::string firstPath = backend.Plug(first);
  const std::string secondPath = backend.Plug(second);
  ASSERT_EQ(manager->RefreshDeviceList(), 2);
  ASSERT_TRUE(manager->ConnectDevice(0));
  ASSERT_EQ(manager->GetCurrentPath(), firstPath);
  Subscribe();

  const auto start = Clock::now();
  backend.Unplug(firstPath);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(200));
  EXPECT_EQ(manager->GetCurrentPath(), secondPath);
  EXPECT_EQ(sink.disconnected, 1);
  EXPECT_EQ(sink.connected, 2);
  EXPECT_EQ(sink.refreshRequests, 1);
  EXPECT_EQ(output.Count("DBT_DEVICEREMOVECOMPLETE \n"), 1);
  EXPECT_FALSE(second->Requests().empty());

  // The last one gone: disconnected, nothing to connect to.
  backend.Unplug(secondPath);
  EXPECT_FALSE(manager->IsDeviceOpen());
  EXPECT_EQ(sink.disconnected, 2);
  EXPECT_EQ(sink.refreshRequests, 1);
}

TEST_F(DeviceManagerTest, RemovalPathIsComparedIgnoringCase) {
  PlugAndConnect();
  manager->OnHotplug(hid::HotplugAction::kRemoval, {"SIM:1", 0x2B53, 0x0019});
  EXPECT_TRUE(manager->IsDeviceOpen());
  manager->OnHotplug(hid::HotplugAction::kRemoval, {"SIM:0", 0x2B53, 0x0019});
  EXPECT_EQ(sink.disconnected, 1);
  // The processor is still plugged, so it is found again and connected.
  EXPECT_EQ(manager->GetCurrentPath(), "sim:0");
}

TEST_F(DeviceManagerTest, ArrivalOfAnotherProductIsIgnored) {
  Subscribe();
  auto other = std::make_shared<sim::SimProcessor>();
  other->SetIds(0x2B53, 0x0018);
  backend.Plug(other);
  EXPECT_FALSE(manager->IsDeviceOpen());
  EXPECT_TRUE(pumpWaits.empty());
  EXPECT_TRUE(other->Requests().empty());
  EXPECT_EQ(manager->RefreshDeviceList(), 0);
  auto foreignVendor = std::make_shared<sim::SimProcessor>();
  foreignVendor->SetIds(0x2B54, 0x0019);
  backend.Plug(foreignVendor);
  EXPECT_FALSE(manager->IsDeviceOpen());
}

TEST_F(DeviceManagerTest, OneUnsolicitedReportPostsExactlyOneNotification) {
  auto processor = PlugAndConnect();
  processor->SendUnsolicited(0x7E);
  ASSERT_TRUE(testing::WaitFor([&] { return sink.reports.load() >= 1; }));
  processor->SendUnsolicited(0x50);  // another code: no notification
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(sink.reports, 1);
  EXPECT_EQ(sink.lastReportParam, 0);
}

TEST_F(DeviceManagerTest, ClearingTheSinkWaitsForAReportInProgress) {
  // The window that receives processor reports is destroyed right after it
  // unsubscribes; the receive thread must not still be inside it then.
  struct SlowSink final : IDeviceNotificationSink {
    void OnDeviceConnected() override {}
    void OnDeviceDisconnected() override {}
    void OnProcessorReport(int) override {
      inside = true;
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
      inside = false;
      done = true;
    }
    std::atomic<bool> inside{false};
    std::atomic<bool> done{false};
  };
  auto processor = PlugAndConnect();
  auto slow = std::make_unique<SlowSink>();
  manager->SetNotificationSink(slow.get());
  processor->SendUnsolicited(0x7E);
  ASSERT_TRUE(testing::WaitFor([&] { return slow->inside.load(); }));
  manager->SetNotificationSink(nullptr);
  EXPECT_TRUE(slow->done);
  EXPECT_FALSE(slow->inside);
  slow.reset();
  processor->SendUnsolicited(0x7E);  // nobody listens now
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  manager->SetNotificationSink(&sink);
}

TEST_F(DeviceManagerTest, FailedOpenReturnsWithoutWaitingForAReceiveLoop) {
  auto processor = std::make_shared<sim::SimProcessor>();
  processor->SetOpenFails(true);
  backend.Plug(processor);
  ASSERT_EQ(manager->RefreshDeviceList(), 1);
  const auto start = Clock::now();
  EXPECT_FALSE(manager->ConnectDevice(0));
  // No receive loop was started, so there is none to wait 3000 ms for.
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1500));
  EXPECT_FALSE(manager->IsDeviceOpen());
  EXPECT_EQ(manager->LastConnectOutcome().step, ConnectStep::kOpenFailed);
  EXPECT_EQ(output.TraceCount("ERROR - OnConnectDevice failed.\n"), 1);
  EXPECT_EQ(sink.disconnected, 1);

  // Opened but silent: the link key fails, and that step is named.
  processor->SetOpenFails(false);
  processor->SetSilent(true);
  EXPECT_FALSE(manager->ConnectDevice(0));
  EXPECT_EQ(manager->LastConnectOutcome().step, ConnectStep::kLinkKeyFailed);
}

TEST_F(DeviceManagerTest, FlakyProcessorStormIsMergedNotNested) {
  // A processor that is found but cannot be opened, plugged and pulled twenty
  // times while the first arrival waits: the notifications that the wait lets
  // through are merged and handled after it, one at a time.
  auto processor = std::make_shared<sim::SimProcessor>();
  processor->SetOpenFails(true);
  path = backend.Plug(processor);
  hid::HidDeviceInfo device{path, CDeviceManager::kVendor, CDeviceManager::kProduct};
  int depth = 0;
  int deepest = 0;
  bool stormSent = false;
  manager->SetPumpWait([&](int ms) {
    pumpWaits.push_back(ms);
    ++depth;
    deepest = std::max(deepest, depth);
    if (!stormSent) {
      stormSent = true;
      for (int i = 0; i < 20; ++i) {
        manager->OnHotplug(hid::HotplugAction::kRemoval, device);
        manager->OnHotplug(hid::HotplugAction::kArrival, device);
      }
    }
    --depth;
  });
  const auto start = Clock::now();
  manager->OnHotplug(hid::HotplugAction::kArrival, device);
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(3000));
  EXPECT_EQ(deepest, 1);
  EXPECT_EQ(pumpWaits, (std::vector<int>{2000, 2000}));  // the first arrival and the merged one
  EXPECT_EQ(output.TraceCount("ERROR - OnConnectDevice failed.\n"), 2);
  EXPECT_EQ(sink.refreshRequests, 2);

  // The processor comes good: the next arrival connects as usual.
  processor->SetOpenFails(false);
  manager->OnHotplug(hid::HotplugAction::kArrival, device);
  EXPECT_TRUE(manager->IsDeviceOpen());
  EXPECT_TRUE(store.ConnectedFlag());
}

TEST_F(DeviceManagerTest, RemovalAndArrivalDuringAWaitAreHandledInTheirOrder) {
  // Processor A is being connected; meanwhile it is pulled out and comes back.
  auto processor = std::make_shared<sim::SimProcessor>();
  path = backend.Plug(processor);
  hid::HidDeviceInfo device{path, CDeviceManager::kVendor, CDeviceManager::kProduct};
  bool sent = false;
  manager->SetPumpWait([&](int ms) {
    pumpWaits.push_back(ms);
    if (sent) return;
    sent = true;
    manager->OnHotplug(hid::HotplugAction::kArrival, device);
    manager->OnHotplug(hid::HotplugAction::kRemoval, device);
    manager->OnHotplug(hid::HotplugAction::kArrival, device);
  });
  manager->OnHotplug(hid::HotplugAction::kArrival, device);
  // Connected after the first wait; the queued removal disconnects and, the
  // processor being listed again, reconnects; the last arrival finds it open.
  EXPECT_TRUE(manager->IsDeviceOpen());
  EXPECT_EQ(pumpWaits.size(), 1u);
  EXPECT_EQ(sink.disconnected, 1);
  EXPECT_EQ(sink.connected, 2);
}

TEST_F(DeviceManagerTest, SessionOpenNamesTheStepItReached) {
  SessionOpenResult none = OpenDeviceSession(*manager);
  EXPECT_EQ(none.step, ConnectStep::kNoProcessor);
  EXPECT_TRUE(none.path.empty());

  auto processor = std::make_shared<sim::SimProcessor>();
  processor->SetOpenFails(true);
  path = backend.Plug(processor);
  SessionOpenResult refused = OpenDeviceSession(*manager);
  EXPECT_EQ(refused.step, ConnectStep::kOpenFailed);
  EXPECT_EQ(refused.path, path);
  EXPECT_FALSE(refused.Opened());

  processor->SetOpenFails(false);
  processor->SetRefuseHandshake(true);
  SessionOpenResult offline = OpenDeviceSession(*manager, path);
  EXPECT_TRUE(offline.Opened());
  EXPECT_EQ(offline.handshake, kHandshakeRefused);
  EXPECT_FALSE(offline.Ready());

  processor->SetRefuseHandshake(false);
  SessionOpenResult ready = OpenDeviceSession(*manager);
  EXPECT_TRUE(ready.Ready());
  EXPECT_EQ(manager->GetCurrentPath(), path);
  EXPECT_TRUE(store.ConnectedFlag());
}

TEST_F(DeviceManagerTest, ListIndexMustNameAListedProcessor) {
  EXPECT_FALSE(manager->ConnectDevice(0));
  EXPECT_FALSE(manager->ConnectDevice(-1));
  EXPECT_EQ(output.TraceCount("ERROR - CDeviceManager::ConnectDevice invalid parameter.\n"), 2);
  EXPECT_FALSE(manager->StartRecvThread());  // one receive thread per manager
  uint8_t byte;
  EXPECT_FALSE(manager->GetDeviceInfo(2, &byte, 1));
  frames::Frame request = frames::CurrentModeRequest();
  frames::Frame reply{};
  EXPECT_FALSE(manager->SendAndReceive(request, reply));
  EXPECT_FALSE(manager->SendNotReceive(request));
}

TEST_F(DeviceManagerTest, ElevenProcessorsAreCountedAsTen) {
  std::vector<std::shared_ptr<sim::SimProcessor>> processors;
  for (int i = 0; i < 11; ++i) {
    processors.push_back(std::make_shared<sim::SimProcessor>());
    backend.Plug(processors.back());
  }
  std::array<std::string, CHidBase::kMaxPaths> paths;
  EXPECT_EQ(CHidBase::EnumDevices(backend, &paths, 0x2B53, 0x0019), 11);
  EXPECT_EQ(CHidBase::EnumDevices(backend, nullptr, 0x2B53, 0x0019), 11);
  EXPECT_EQ(paths[9], "sim:9");
  EXPECT_EQ(manager->RefreshDeviceList(), 10);
  EXPECT_EQ(manager->DevicePaths()[0], "sim:0");
}

TEST_F(DeviceManagerTest, SystemResumeReconnects) {
  auto processor = PlugAndConnect();
  manager->OnSystemResume();
  EXPECT_TRUE(manager->IsDeviceOpen());
  EXPECT_EQ(sink.disconnected, 1);
  EXPECT_EQ(sink.connected, 2);
  EXPECT_EQ(output.TraceCount("休眠唤醒"), 1);
  backend.Unplug(path);
  manager->OnSystemResume();
  EXPECT_FALSE(manager->IsDeviceOpen());
}

TEST_F(DeviceManagerTest, EditsWhileDisconnectedAreNotSentAfterReconnection) {
  auto processor = PlugAndConnect();
  manager->DisconnectDevice();
  EXPECT_FALSE(store.ConnectedFlag());
  EXPECT_EQ(output.Count("RezUriru: ====Disconnect device=====\n"), 1);
  store.SetParam(param::kMainVol, 5);
  EXPECT_TRUE(store.PendingParams().empty());
  ASSERT_TRUE(manager->ConnectDevice(0));
  EXPECT_EQ(store.GetParam(param::kMainVol), 66);  // the processor's block replaced the edit
  EXPECT_EQ(testing::CountCode(processor->Requests(), 0x9C), 0);
}

TEST_F(DeviceManagerTest, PendingParametersAreClearedByTheNextHandshake) {
  auto processor = PlugAndConnect();
  store.SetParam(param::kMainVol, 1);  // sent
  store.SetParam(param::kMainVol, 2);  // pending (no timer)
  ASSERT_EQ(store.PendingParams().size(), 1u);
  manager->DisconnectDevice();
  EXPECT_EQ(store.PendingParams().size(), 1u);  // survive the disconnect
  ASSERT_TRUE(manager->ConnectDevice(0));
  EXPECT_TRUE(store.PendingParams().empty());
}

}  // namespace
}  // namespace brisvel
