// HID access without hardware: report-descriptor lengths, CHidBase's checks
// and log texts over the simulated backend, the release of a waiting read,
// and the hidraw backend's enumeration, path parsing and hot-plug fallback.
#include <gtest/gtest.h>

#include <thread>

#include "device_test_support.h"
#include "hid/hid_base.h"
#include "hid/report_descriptor.h"
#include "hid/system_backend.h"
#ifndef _WIN32
#include <unistd.h>
#endif

namespace brisvel {
namespace {

using hid::ParseReportLengths;
using testing::OutputCapture;

TEST(HidReportDescriptor, LongestReportsPlusIdentifierByte) {
  struct Case {
    const char* name;
    std::vector<uint8_t> descriptor;
    std::optional<hid::ReportLengths> expected;
  };
  const std::vector<Case> cases = {
      {"vendor page, 64 bytes each way",
       {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x40, 0x09, 0x01,
        0x81, 0x02, 0x95, 0x40, 0x09, 0x01, 0x91, 0x02, 0xC0},
       hid::ReportLengths{65, 65, false}},
      {"output only 64 bits of 8 = 8 bytes, input 3 x 16 bits",
       {0x75, 0x10, 0x95, 0x03, 0x81, 0x02, 0x75, 0x08, 0x95, 0x08, 0x91, 0x02},
       hid::ReportLengths{7, 9, false}},
      {"numbered reports: the longest one counts",
       {0x85, 0x01, 0x75, 0x08, 0x95, 0x10, 0x81, 0x02, 0x85, 0x02, 0x95, 0x20, 0x81, 0x02, 0x81, 0x02},
       hid::ReportLengths{65, 0, true}},
      {"bits rounded up to bytes", {0x75, 0x01, 0x95, 0x03, 0x81, 0x02, 0x75, 0x05, 0x95, 0x01, 0x81, 0x03},
       hid::ReportLengths{2, 0, false}},
      {"push and pop restore globals",
       {0x75, 0x08, 0x95, 0x04, 0xA4, 0x95, 0x40, 0x91, 0x02, 0xB4, 0x81, 0x02},
       hid::ReportLengths{5, 65, false}},
      {"four-byte item data and a long item are skipped correctly",
       {0x27, 0xFF, 0xFF, 0x00, 0x00, 0xFE, 0x02, 0x10, 0xAA, 0xBB, 0x75, 0x08, 0x95, 0x80, 0x81, 0x02},
       hid::ReportLengths{129, 0, false}},
      {"feature reports do not count", {0x75, 0x08, 0x95, 0x40, 0xB1, 0x02}, hid::ReportLengths{0, 0, false}},
      {"empty descriptor", {}, hid::ReportLengths{0, 0, false}},
      {"item data past the end", {0x75, 0x08, 0x96, 0x40}, std::nullopt},
      {"long item past the end", {0xFE, 0x05, 0x10, 0x01}, std::nullopt},
  };
  for (const auto& c : cases) {
    const auto got = ParseReportLengths(c.descriptor);
    ASSERT_EQ(got.has_value(), c.expected.has_value()) << c.name;
    if (!got) continue;
    EXPECT_EQ(got->input, c.expected->input) << c.name;
    EXPECT_EQ(got->output, c.expected->output) << c.name;
    EXPECT_EQ(got->numbered, c.expected->numbered) << c.name;
  }
  EXPECT_FALSE(hid::ReportLengthUsable(0));
  EXPECT_TRUE(hid::ReportLengthUsable(1));
  EXPECT_TRUE(hid::ReportLengthUsable(128));
  EXPECT_FALSE(hid::ReportLengthUsable(129));
}

class HidBaseTest : public ::testing::Test {
 protected:
  std::string PlugWith(int input, int output) {
    processor = std::make_shared<sim::SimProcessor>();
    processor->SetReportLengths(input, output);
    return backend.Plug(processor);
  }
  OutputCapture output;
  sim::SimHidBackend backend;
  std::shared_ptr<sim::SimProcessor> processor;
};

TEST_F(HidBaseTest, RefusesReportLengthsOutsideOneTo128) {
  for (auto [input, output] : {std::pair{0, 65}, std::pair{65, 129}, std::pair{129, 65}}) {
    const std::string path = PlugWith(input, output);
    CHidBase hid(backend);
    EXPECT_FALSE(hid.OpenDevice(path));
    EXPECT_EQ(hid.GetInputReportLength(), 0);
  }
  EXPECT_EQ(this->output.Count("invalide device report byte length."), 3);
  const auto records = this->output.Records();
  ASSERT_FALSE(records.empty());
  EXPECT_STREQ(records[0].tag, "soui");
  EXPECT_STREQ(records[0].function, "CHidBase::OpenDevice");
  EXPECT_STREQ(records[0].module, "common\\HidDevice\\HidBase");
}

TEST_F(HidBaseTest, OpenTwiceKeepsTheFirstConnection) {
  const std::string path = PlugWith(65, 65);
  CHidBase hid(backend);
  ASSERT_TRUE(hid.OpenDevice(path));
  EXPECT_EQ(hid.GetInputReportLength(), 65);
  EXPECT_EQ(hid.GetOutputReportLength(), 65);
  EXPECT_FALSE(hid.OpenDevice(path));
  EXPECT_EQ(output.Count("One device is already opened."), 1);
  frames::Frame frame = frames::CurrentModeRequest();
  frames::SealFrame(frame);
  EXPECT_TRUE(hid.Write(frame.data(), 64));
  const uint8_t* data = nullptr;
  ASSERT_TRUE(hid.Read(&data));
  EXPECT_EQ(data[0], 0x95);
  EXPECT_EQ(hid.DevicePath(), path);

  EXPECT_FALSE(CHidBase(backend).OpenDevice(""));
  EXPECT_EQ(output.Count("Invalid parameter."), 1);
  EXPECT_FALSE(CHidBase(backend).OpenDevice("sim:7"));  // absent: no log
  EXPECT_EQ(output.Lines().size(), 2u);
}

TEST_F(HidBaseTest, WriteChecksItsArguments) {
  const std::string path = PlugWith(65, 64);
  CHidBase hid(backend);
  ASSERT_TRUE(hid.OpenDevice(path));
  uint8_t data[64] = {};
  EXPECT_FALSE(hid.Write(data, 64));  // no room for the identifier byte
  EXPECT_TRUE(hid.Write(data, 63));
  EXPECT_FALSE(hid.Write(data, 0));
  EXPECT_FALSE(hid.Write(nullptr, 10));
  EXPECT_EQ(output.Count("invalide parameter."), 3);
}

TEST_F(HidBaseTest, ReadAndWriteAfterClose) {
  const std::string path = PlugWith(65, 65);
  CHidBase hid(backend);
  ASSERT_TRUE(hid.OpenDevice(path));
  hid.CloseDevice();
  hid.CloseDevice();  // safe when nothing is open
  EXPECT_EQ(hid.GetInputReportLength(), 0);
  uint8_t data[8] = {};
  const uint8_t* out = nullptr;
  EXPECT_FALSE(hid.Write(data, 8));
  EXPECT_FALSE(hid.Read(&out));
  EXPECT_EQ(output.Count("Please OpenDevice before Write."), 1);
  EXPECT_EQ(output.Count("Please OpenDevice before Read."), 1);
  EXPECT_TRUE(hid.OpenDevice(path));  // reusable
}

TEST_F(HidBaseTest, SignalReadEventReleasesAWaitingReadAtOnce) {
  const std::string path = PlugWith(65, 65);
  CHidBase hid(backend);
  ASSERT_TRUE(hid.OpenDevice(path));
  std::atomic<bool> returned{false};
  bool ok = false;
  uint8_t first = 0xAA;
  std::chrono::steady_clock::time_point released;
  std::thread reader([&] {
    const uint8_t* out = nullptr;
    ok = hid.Read(&out);
    released = std::chrono::steady_clock::now();
    if (ok) first = out[0];
    returned = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(returned);
  const auto start = std::chrono::steady_clock::now();
  hid.SignalReadEvent();
  reader.join();
  // A wake-up, not a polling period; the margin covers a loaded machine and sanitizers.
  EXPECT_LT(released - start, std::chrono::milliseconds(50));
  EXPECT_TRUE(ok);
  EXPECT_EQ(first, 0);  // a cleared buffer
}

// The Windows backend has its own tests (win32_hid_backend_test.cpp).
#ifndef _WIN32
TEST(HidrawBackend, NoProcessorOnThisMachineAndPathsAreOwned) {
  hid::HidrawBackend backend;
  EXPECT_EQ(CHidBase::EnumDevices(backend, nullptr, 0x2B53, 0x0019), 0);
  EXPECT_TRUE(backend.OwnsPath("/dev/hidraw3"));
  EXPECT_FALSE(backend.OwnsPath("sim:0"));
  CHidBase hid(backend);
  EXPECT_FALSE(hid.OpenDevice("/dev/hidraw-absent"));
}

TEST(HidrawBackend, HotplugFallsBackToPollingWithoutUdev) {
  struct Sink final : hid::IHotplugSink {
    void OnHidDeviceChange(hid::HotplugAction, const hid::HidDeviceInfo&) override {}
  } sink;
  hid::HidrawBackend backend;
  if (::access("/run/udev/control", F_OK) != 0) {
    EXPECT_EQ(hid::HidrawBackend::AvailableHotplugMethod(), hid::HotplugMethod::kPolling);
  }
  const auto start = std::chrono::steady_clock::now();
  {
    auto subscription = backend.SubscribeHotplug(sink);
    ASSERT_TRUE(subscription);
  }
  // Ending a subscription does not wait out the one-second period.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
}

TEST(HidrawBackend, VendorAndProductFromTheSysfsPath) {
  const auto ids = hid::ParseHidIdFromDevpath(
      "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/0003:2B53:0019.0004/hidraw/hidraw3");
  ASSERT_TRUE(ids);
  EXPECT_EQ(ids->first, 0x2B53);
  EXPECT_EQ(ids->second, 0x0019);
  const auto lower = hid::ParseHidIdFromDevpath("/devices/x/0003:2b53:0018.000A/hidraw/hidraw0");
  ASSERT_TRUE(lower);
  EXPECT_EQ(lower->second, 0x0018);
  EXPECT_FALSE(hid::ParseHidIdFromDevpath("/devices/virtual/misc/uhid"));
  EXPECT_FALSE(hid::ParseHidIdFromDevpath("/devices/x/0003:2B5G:0019.0004/hidraw/hidraw3"));
  EXPECT_FALSE(hid::ParseHidIdFromDevpath(""));
}

TEST(HidrawBackend, EnumerationDiffGivesRemovalsThenArrivals) {
  const std::vector<hid::HidDeviceInfo> before = {{"/dev/hidraw0", 1, 2}, {"/dev/hidraw1", 0x2B53, 0x19}};
  const std::vector<hid::HidDeviceInfo> after = {{"/dev/hidraw0", 1, 2}, {"/dev/hidraw2", 0x2B53, 0x19}};
  const auto changes = hid::DiffDeviceLists(before, after);
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes[0].first, hid::HotplugAction::kRemoval);
  EXPECT_EQ(changes[0].second.path, "/dev/hidraw1");
  EXPECT_EQ(changes[1].first, hid::HotplugAction::kArrival);
  EXPECT_EQ(changes[1].second.path, "/dev/hidraw2");
  EXPECT_TRUE(hid::DiffDeviceLists(after, after).empty());
}
#endif

TEST(HidNotification, RegistrationWithoutASinkOnlyUnregisters) {
  sim::SimHidBackend backend;
  struct Sink final : hid::IHotplugSink {
    int count = 0;
    void OnHidDeviceChange(hid::HotplugAction, const hid::HidDeviceInfo&) override { ++count; }
  } first, second;
  EXPECT_FALSE(RegisterHidNotification(nullptr, nullptr));  // nothing to remove
  EXPECT_TRUE(RegisterHidNotification(&backend, &first));
  EXPECT_TRUE(RegisterHidNotification(&backend, &second));  // replaces the first
  backend.Plug(std::make_shared<sim::SimProcessor>());
  EXPECT_EQ(first.count, 0);
  EXPECT_EQ(second.count, 1);
  EXPECT_TRUE(RegisterHidNotification(nullptr, nullptr));
  backend.Unplug("sim:0");
  EXPECT_EQ(second.count, 1);
}

TEST(HidBackendSet, RoutesByPathAndJoinsEnumerations) {
  sim::SimHidBackend simulated;
  hid::SystemHidBackend system;
  hid::HidBackendSet set;
  set.Add(system);
  set.Add(simulated);
  simulated.Plug(std::make_shared<sim::SimProcessor>());
  std::array<std::string, CHidBase::kMaxPaths> paths;
  EXPECT_EQ(CHidBase::EnumDevices(set, &paths, 0x2B53, 0x0019), 1);
  EXPECT_EQ(paths[0], "sim:0");
  CHidBase hid(set);
  EXPECT_TRUE(hid.OpenDevice("sim:0"));
  EXPECT_FALSE(set.OwnsPath("tcp:1"));
}

}  // namespace
}  // namespace brisvel
