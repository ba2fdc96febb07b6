// What the editing operations need from the processor link. DeviceEditLink is
// the link over the device manager; tests may use their own.
#pragma once

namespace brisvel {
class CDeviceManager;
class CEffectStore;
}  // namespace brisvel

namespace brisvel::editing {

class IEditLink {
 public:
  virtual ~IEditLink() = default;
  // Sends the pending parameters now, ahead of the effect sender's 200 ms
  // spacing (its timer is stopped). Nothing happens while no processor is connected.
  virtual void SendNow() = 0;
  // 0 two input channels, 1 four; false when not connected or not accepted.
  virtual bool SetInputMode(int mode) = 0;
  // Device mode slot 0-10; false when not connected or the processor did not answer.
  virtual bool RecallDeviceMode(int slot) = 0;
  // Replaces the store's block with the processor's.
  virtual bool ReadCurrentParam() = 0;
};

class DeviceEditLink final : public IEditLink {
 public:
  DeviceEditLink(CEffectStore& store, CDeviceManager& manager) : store_(store), manager_(manager) {}
  void SendNow() override;
  bool SetInputMode(int mode) override;
  bool RecallDeviceMode(int slot) override;
  bool ReadCurrentParam() override;

 private:
  CEffectStore& store_;
  CDeviceManager& manager_;
};

}  // namespace brisvel::editing
