// The open error of a processor that is listed but cannot be opened reaches
// the caller of the connect sequence, so a permission problem can be told apart.
#include <gtest/gtest.h>

#include <cerrno>

#include "device/device_manager.h"
#include "device/sim_backend.h"
#include "device/store_commands.h"

namespace brisvel {
namespace {

// One listed processor whose node refuses to open with the given error.
class RefusingBackend final : public hid::IHidBackend {
 public:
  explicit RefusingBackend(int error) : error_(error) {}
  std::vector<hid::HidDeviceInfo> Enumerate() override {
    return {{"/dev/hidraw7", CDeviceManager::kVendor, CDeviceManager::kProduct}};
  }
  hid::OpenResult Open(const std::string&) override {
    hid::OpenResult r;
    r.error = hid::OpenError::kProbeFailed;
    r.systemError = error_;
    return r;
  }
  std::unique_ptr<hid::HotplugSubscription> SubscribeHotplug(hid::IHotplugSink&) override { return nullptr; }
  bool OwnsPath(const std::string&) const override { return true; }

 private:
  int error_;
};

TEST(OpenError, PermissionDeniedIsCarriedUpToTheConnectCaller) {
  for (int error : {EACCES, EBUSY}) {
    RefusingBackend backend(error);
    CEffectStore store;
    CDeviceManager manager(backend, store);
    EXPECT_EQ(Handshake(store, manager), kHandshakeConnectFailed);
    EXPECT_EQ(manager.LastOpenError(), error);
    EXPECT_FALSE(manager.IsDeviceOpen());
  }
}

TEST(OpenError, ASuccessfulOpenClearsTheLastError) {
  sim::SimHidBackend backend;
  const std::string path = backend.Plug(std::make_shared<sim::SimProcessor>());
  CHidBase base(backend);
  EXPECT_FALSE(base.OpenDevice(path + "-gone"));
  EXPECT_NE(base.LastOpenError(), 0);
  EXPECT_TRUE(base.OpenDevice(path));
  EXPECT_EQ(base.LastOpenError(), 0);
  base.CloseDevice();
}

}  // namespace
}  // namespace brisvel
