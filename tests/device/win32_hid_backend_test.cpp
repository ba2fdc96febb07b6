// The Windows HID backend against a fake of the Win32 calls: enumeration of
// the HID interface class, opening with its failures and log texts, reports
// both ways, a device that disappears while a read waits, a write that never
// completes, the release of a waiting read, a whole connection to a
// simulated processor, and the arrival and removal notifications of the
// hidden window. Then the same backend over the system's own calls.
#include <gtest/gtest.h>

#include <thread>

#include "device_test_support.h"
#include "hid/hid_base.h"
#include "hid/win32_hid_backend.h"
#include "win32_fake_hid_api.h"

namespace brisvel {
namespace {

using testing::FakeWin32HidApi;
using testing::OutputCapture;
using testing::WaitFor;
using Device = FakeWin32HidApi::Device;

// How long a test waits for the reading thread to get going: a bound on a hang, not a timing.
constexpr int kPatienceMs = 30000;

std::wstring ProcessorPath(int n) {
  return L"\\\\?\\hid#vid_2b53&pid_0019#7&2a4c&0&000" + std::to_wstring(n) +
         L"#{4d1e55b2-f16f-11cf-88cb-001111000030}";
}

Device Processor(int n) {
  Device d;
  d.path = ProcessorPath(n);
  return d;
}

class WinHidBackendTest : public ::testing::Test {
 protected:
  void TearDown() override {
    const auto tally = api.Tally();
    EXPECT_EQ(tally.openHandles, 0) << "every handle is closed";
    EXPECT_EQ(tally.openSets, 0) << "every device set is destroyed";
    EXPECT_EQ(tally.preparsedHeld, 0);
    EXPECT_EQ(tally.reusedInFlight, 0) << "no overlapped record is started while in flight";
  }
  std::string OpenOne(const Device& device = Processor(0)) {
    index = api.Add(device);
    return hid::WideToUtf8(device.path);
  }

  OutputCapture output;
  FakeWin32HidApi api;
  hid::WinHidBackend backend{api};
  size_t index = 0;
};

TEST_F(WinHidBackendTest, EnumerationCountsEveryMatchAndKeepsTheFirstTen) {
  Device keyboard;
  keyboard.path = L"\\\\?\\hid#vid_046d&pid_c31c&mi_00#8&1#{4d1e55b2-f16f-11cf-88cb-001111000030}";
  keyboard.vendor = 0x046D;
  keyboard.product = 0xC31C;
  api.Add(keyboard);
  Device held = Processor(99);
  held.openFails = true;  // open elsewhere without sharing: skipped
  api.Add(held);
  for (int i = 0; i < 11; ++i) api.Add(Processor(i));
  Device named = Processor(11);
  named.path += L"\u00e4";  // paths reach the layers above as UTF-8
  api.Add(named);

  std::array<std::string, CHidBase::kMaxPaths> paths;
  EXPECT_EQ(CHidBase::EnumDevices(backend, &paths, 0x2B53, 0x0019), 12);
  for (int i = 0; i < CHidBase::kMaxPaths; ++i) EXPECT_EQ(paths[i], hid::WideToUtf8(ProcessorPath(i)));
  EXPECT_EQ(CHidBase::EnumDevices(backend, nullptr, 0x2B53, 0x0019), 12);
  const auto all = backend.Enumerate();
  ASSERT_EQ(all.size(), 13u);
  EXPECT_EQ(all[0].vendor, 0x046D);
  EXPECT_EQ(all.back().path.substr(all.back().path.size() - 2), "\xc3\xa4");
  // Every interface is looked at through a handle opened both ways, overlapped.
  for (const auto& [access, flags] : api.Opens()) {
    EXPECT_EQ(access, static_cast<DWORD>(GENERIC_READ | GENERIC_WRITE));
    EXPECT_EQ(flags, static_cast<DWORD>(FILE_FLAG_OVERLAPPED));
  }
}

TEST_F(WinHidBackendTest, AnInterfaceWhoseDetailFailsEndsTheEnumeration) {
  api.Add(Processor(0));
  Device broken = Processor(1);
  broken.detailFails = true;
  api.Add(broken);
  api.Add(Processor(2));
  EXPECT_EQ(CHidBase::EnumDevices(backend, nullptr, 0x2B53, 0x0019), 1);
  EXPECT_EQ(output.Count("CHidBase::EnumDevices SetupDiGetDeviceInterfaceDetail failed. error=1784"), 1);
  EXPECT_STREQ(output.Records().at(0).function, "CHidBase::EnumDevices");
}

TEST_F(WinHidBackendTest, OpenTakesTheLengthsFromTheCapabilitiesAndOpensEachDirection) {
  const std::string path = OpenOne();
  {
    CHidBase hid(backend);
    ASSERT_TRUE(hid.OpenDevice(path));
    EXPECT_EQ(hid.GetInputReportLength(), 65);
    EXPECT_EQ(hid.GetOutputReportLength(), 65);
    const auto opens = api.Opens();
    ASSERT_EQ(opens.size(), 3u);  // the probe, the write handle, the read handle
    EXPECT_EQ(opens[1], std::make_pair(static_cast<DWORD>(GENERIC_WRITE), static_cast<DWORD>(FILE_FLAG_OVERLAPPED)));
    EXPECT_EQ(opens[2], std::make_pair(static_cast<DWORD>(GENERIC_READ), static_cast<DWORD>(FILE_FLAG_OVERLAPPED)));
    EXPECT_EQ(api.Tally().openHandles, 2);  // the probe is closed again
  }
  EXPECT_EQ(api.Tally().openHandles, 0);
  EXPECT_TRUE(backend.OwnsPath(path));
  EXPECT_FALSE(backend.OwnsPath("sim:0"));
}

TEST_F(WinHidBackendTest, EachFailedOpenStepIsLoggedAndLeavesNothingOpen) {
  struct Case {
    const char* log;  // nullptr: refused without a record
    std::function<void(Device&)> change;
  };
  const std::vector<Case> cases = {
      {nullptr, [](Device& d) { d.present = false; }},
      {"HidD_GetPreparsedData failed.", [](Device& d) { d.preparsedFails = true; }},
      {"CreateFile for write error.", [](Device& d) { d.writeOpenFails = 1; }},
      {"CreateFile for read error.", [](Device& d) { d.readOpenFails = 1; }},
      {"invalide device report byte length.", [](Device& d) { d.outputLength = 129; }},
      {"invalide device report byte length.", [](Device& d) { d.inputLength = 0; }},
  };
  for (const Case& c : cases) {
    output.Clear();
    Device device = Processor(static_cast<int>(&c - cases.data()));
    c.change(device);
    const std::string path = OpenOne(device);
    CHidBase hid(backend);
    EXPECT_FALSE(hid.OpenDevice(path)) << (c.log ? c.log : "absent");
    EXPECT_EQ(hid.GetInputReportLength(), 0);
    EXPECT_EQ(output.Lines().size(), c.log ? 1u : 0u);
    if (c.log) EXPECT_EQ(output.Count(c.log), 1) << c.log;
    EXPECT_EQ(api.Tally().openHandles, 0) << (c.log ? c.log : "absent");
  }
}

TEST_F(WinHidBackendTest, ReportsGoOutWithTheIdentifierAndComeInEitherWay) {
  const std::string path = OpenOne();
  CHidBase hid(backend);
  ASSERT_TRUE(hid.OpenDevice(path));
  frames::Frame frame = frames::CurrentModeRequest();
  frames::SealFrame(frame);
  ASSERT_TRUE(hid.Write(frame.data(), 64));
  const auto written = api.DeviceState(index).written;
  ASSERT_EQ(written.size(), 1u);
  ASSERT_EQ(written[0].size(), 65u);
  EXPECT_EQ(written[0][0], 0);
  EXPECT_TRUE(std::equal(frame.begin(), frame.end(), written[0].begin() + 1));

  // A report that came before the read, then one that comes while it waits.
  std::vector<uint8_t> report(65, 0);
  report[1] = 0x95;
  api.Deliver(index, report);
  const uint8_t* data = nullptr;
  ASSERT_TRUE(hid.Read(&data));
  EXPECT_EQ(data[0], 0x95);
  uint8_t second = 0;
  std::thread reader([&] {
    const uint8_t* out = nullptr;
    if (hid.Read(&out)) second = out[0];
  });
  ASSERT_TRUE(WaitFor([&] { return api.ReadInFlight(index); }, kPatienceMs));
  report[1] = 0x7E;
  api.Deliver(index, report);
  reader.join();
  EXPECT_EQ(second, 0x7E);
}

TEST_F(WinHidBackendTest, ADeviceThatDisappearsMidReadEndsTheReadWithAFailure) {
  const std::string path = OpenOne();
  CHidBase hid(backend);
  ASSERT_TRUE(hid.OpenDevice(path));
  std::atomic<int> result{-1};
  std::thread reader([&] {
    const uint8_t* out = nullptr;
    result = hid.Read(&out) ? 1 : 0;
  });
  ASSERT_TRUE(WaitFor([&] { return api.ReadInFlight(index); }, kPatienceMs));
  EXPECT_EQ(result, -1);
  api.Unplug(index);
  reader.join();
  EXPECT_EQ(result, 0);
  // The next read does not even start, and writes fail with the system's reason.
  const uint8_t* out = nullptr;
  EXPECT_FALSE(hid.Read(&out));
  uint8_t data[64] = {};
  EXPECT_FALSE(hid.Write(data, 64));
  EXPECT_EQ(output.Count("error code 1167"), 1);  // ERROR_DEVICE_NOT_CONNECTED
}

TEST_F(WinHidBackendTest, AWriteThatNeverCompletesIsCancelledByTheNextWrite) {
  Device stuck = Processor(0);
  stuck.writesHang = true;
  const std::string path = OpenOne(stuck);
  CHidBase hid(backend);
  ASSERT_TRUE(hid.OpenDevice(path));
  uint8_t data[64] = {1, 2, 3};
  EXPECT_TRUE(hid.Write(data, 64));   // under way; Write does not wait for it
  EXPECT_FALSE(hid.Write(data, 64));  // the first never finished: given up on, this one fails
  EXPECT_EQ(output.Count("error code 1460"), 1);  // ERROR_TIMEOUT
  EXPECT_EQ(api.Tally().cancels, 1);
  api.Modify(index, [](Device& d) { d.writesHang = false; });
  EXPECT_TRUE(hid.Write(data, 64));  // a fresh write on a free buffer
  EXPECT_EQ(api.DeviceState(index).written.size(), 1u);

  // Closing with a write in flight cancels it instead of waiting for it.
  api.Modify(index, [](Device& d) { d.writesHang = true; });
  EXPECT_TRUE(hid.Write(data, 64));
  hid.CloseDevice();
  EXPECT_EQ(api.Tally().cancels, 2);
}

TEST_F(WinHidBackendTest, SignalReadEventCancelsTheWaitingReadBeforeItReturns) {
  const std::string path = OpenOne();
  CHidBase hid(backend);
  ASSERT_TRUE(hid.OpenDevice(path));
  bool ok = false;
  uint8_t first = 0xAA;
  std::thread reader([&] {
    const uint8_t* out = nullptr;
    ok = hid.Read(&out);
    if (ok) first = out[0];
  });
  ASSERT_TRUE(WaitFor([&] { return api.ReadInFlight(index); }, kPatienceMs));
  hid.SignalReadEvent();
  reader.join();
  EXPECT_TRUE(ok);
  EXPECT_EQ(first, 0);  // a cleared buffer, as the receive loop expects
  EXPECT_EQ(api.Tally().cancels, 1);
  EXPECT_FALSE(api.ReadInFlight(index));

  // A release given while no read waits releases the next one; the one after reads again.
  hid.SignalReadEvent();
  const uint8_t* out = nullptr;
  EXPECT_TRUE(hid.Read(&out));
  EXPECT_FALSE(api.ReadInFlight(index));
  std::vector<uint8_t> report(65, 0);
  report[1] = 0x42;
  api.Deliver(index, report);
  ASSERT_TRUE(hid.Read(&out));
  EXPECT_EQ(out[0], 0x42);
}

// A device manager over the Windows backend, the fake device answering as a processor.
TEST_F(WinHidBackendTest, AWholeConnectionToASimulatedProcessor) {
  auto processor = std::make_shared<sim::SimProcessor>();
  const std::string path = OpenOne();
  api.SetResponder(index, [processor](const std::vector<uint8_t>& report) {
    frames::Frame request{};
    std::copy(report.begin() + 1, report.begin() + 1 + request.size(), request.begin());
    std::vector<std::vector<uint8_t>> replies;
    if (auto reply = processor->Receive(request).reply) {
      std::vector<uint8_t> in(65, 0);
      std::copy(reply->begin(), reply->end(), in.begin() + 1);
      replies.push_back(std::move(in));
    }
    return replies;
  });
  sim::SimState state = processor->State();
  state.active[100] = 0x5A;
  processor->SetState(state);

  CEffectStore store;
  {
    CDeviceManager manager(backend, store);
    store.SetDeviceLink(&manager);
    ASSERT_TRUE(manager.StartRecvThread());
    EXPECT_EQ(manager.RefreshDeviceList(), 1);
    ASSERT_TRUE(manager.ConnectDevice(0));
    EXPECT_EQ(manager.LastConnectOutcome().handshake, kHandshakeAccepted);
    EXPECT_TRUE(manager.LastConnectOutcome().blockRead);
    EXPECT_EQ(store.Block()[100], 0x5A);
    manager.DisconnectDevice();
  }
  EXPECT_GT(api.DeviceState(index).written.size(), 20u);  // link key, handshake, queries, 21 block frames
}

// Receives notifications on the window's thread.
class CollectingSink final : public hid::IHotplugSink {
 public:
  void OnHidDeviceChange(hid::HotplugAction action, const hid::HidDeviceInfo& device) override {
    std::lock_guard lock(mutex_);
    events_.emplace_back(action, device);
  }
  std::vector<std::pair<hid::HotplugAction, hid::HidDeviceInfo>> Events() {
    std::lock_guard lock(mutex_);
    return events_;
  }

 private:
  std::mutex mutex_;
  std::vector<std::pair<hid::HotplugAction, hid::HidDeviceInfo>> events_;
};

// A device-interface broadcast as the system sends it, the name cut to `size` bytes of record.
std::vector<uint64_t> Broadcast(const std::wstring& name, DWORD type = DBT_DEVTYP_DEVICEINTERFACE, DWORD size = 0) {
  constexpr size_t kHeader = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
  std::vector<uint64_t> storage((kHeader + (name.size() + 1) * sizeof(wchar_t) + 7) / 8 + 1, 0);
  auto* record = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(storage.data());
  record->dbcc_size = size ? size : static_cast<DWORD>(kHeader + (name.size() + 1) * sizeof(wchar_t));
  record->dbcc_devicetype = type;
  std::copy(name.begin(), name.end(), record->dbcc_name);
  return storage;
}

TEST_F(WinHidBackendTest, NotificationsOfTheHiddenWindowReachTheSinkWithPathAndIds) {
  CollectingSink sink;
  auto subscription = backend.SubscribeHotplug(sink);
  ASSERT_TRUE(subscription);
  const HWND window = api.NotificationWindow();
  ASSERT_TRUE(::IsWindow(window));
  const DEV_BROADCAST_DEVICEINTERFACE_W filter = api.NotificationFilter();
  EXPECT_EQ(filter.dbcc_size, 32u);
  EXPECT_EQ(filter.dbcc_devicetype, 5u);
  EXPECT_TRUE(IsEqualGUID(filter.dbcc_classguid, FakeWin32HidApi::kHidGuid));

  const std::wstring name = L"\\\\?\\HID#VID_2B53&PID_0019#7&2a4c&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
  auto arrival = Broadcast(name);
  ::SendMessageW(window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(arrival.data()));
  auto other = Broadcast(L"\\\\?\\HID#VID_2B53&PID_0018#1#{x}");
  ::SendMessageW(window, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(other.data()));
  // Not counted: another kind of record, another event, a record without a name.
  auto volume = Broadcast(name, DBT_DEVTYP_VOLUME);
  ::SendMessageW(window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(volume.data()));
  ::SendMessageW(window, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
  auto empty = Broadcast(L"");
  ::SendMessageW(window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(empty.data()));
  // A name is read no further than the size the record gives, terminator or not.
  auto cut = Broadcast(name, DBT_DEVTYP_DEVICEINTERFACE,
                       static_cast<DWORD>(offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) + 8 * sizeof(wchar_t)));
  ::SendMessageW(window, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(cut.data()));

  const auto events = sink.Events();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].first, hid::HotplugAction::kArrival);
  EXPECT_EQ(events[0].second.path, hid::WideToUtf8(name));
  EXPECT_EQ(events[0].second.vendor, 0x2B53);
  EXPECT_EQ(events[0].second.product, 0x0019);
  EXPECT_EQ(events[1].first, hid::HotplugAction::kRemoval);
  EXPECT_EQ(events[1].second.product, 0x0018);
  EXPECT_EQ(events[2].second.path, "\\\\?\\HID#");
  EXPECT_EQ(events[2].second.vendor, 0);

  subscription.reset();
  EXPECT_EQ(api.Tally().registrations, 0);
  EXPECT_FALSE(::IsWindow(window));
  api.SetRegistrationFails(true);
  EXPECT_FALSE(backend.SubscribeHotplug(sink));
  EXPECT_FALSE(RegisterHidNotification(&backend, &sink));
}

TEST(WinHidPaths, VendorAndProductFromAnInterfacePath) {
  const auto ids = hid::ParseInterfacePathIds("\\\\?\\hid#vid_2b53&pid_0019#7&2a4c&0&0000#{4d1e55b2}");
  ASSERT_TRUE(ids);
  EXPECT_EQ(ids->first, 0x2B53);
  EXPECT_EQ(ids->second, 0x0019);
  EXPECT_FALSE(hid::ParseInterfacePathIds("\\\\?\\HID#VID_2B5G&PID_0019#1"));  // not hexadecimal
  EXPECT_FALSE(hid::ParseInterfacePathIds("\\\\?\\HID#VID_2B53&PID_00"));      // cut short
  EXPECT_FALSE(hid::ParseInterfacePathIds("\\\\?\\HID#{00001124-0000}_VID&0002046d_PID&b01a#9"));  // Bluetooth form
  EXPECT_FALSE(hid::ParseInterfacePathIds(""));
}

// The system's own calls, under whatever Windows runs the tests (no processor attached).
TEST(WinHidSystem, NoProcessorHereAndAbsentPathsFailToOpen) {
  OutputCapture output;
  hid::WinHidBackend backend;
  EXPECT_EQ(CHidBase::EnumDevices(backend, nullptr, 0x2B53, 0x0019), 0);
  CHidBase hid(backend);
  EXPECT_FALSE(hid.OpenDevice("\\\\?\\hid#vid_2b53&pid_0019#absent#{4d1e55b2-f16f-11cf-88cb-001111000030}"));
  EXPECT_NE(hid.LastOpenError(), 0);
  struct Sink final : hid::IHotplugSink {
    void OnHidDeviceChange(hid::HotplugAction, const hid::HidDeviceInfo&) override {}
  } sink;
  EXPECT_TRUE(RegisterHidNotification(&backend, &sink));
  EXPECT_TRUE(RegisterHidNotification(nullptr, nullptr));
}

}  // namespace
}  // namespace brisvel
