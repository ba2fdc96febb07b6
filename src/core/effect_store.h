// The effect store: the processor's parameter block with the editing state
// around it. Every edit passes through SetParam, which logs it and, while a
// processor is connected, marks the parameter for the effect sender.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>

#include "core/eq_response.h"
#include "core/param_table.h"

namespace brisvel {

// What the store needs from the device link. The device layer implements it;
// tests use a double.
class IEffectDeviceLink {
 public:
  virtual ~IEffectDeviceLink() = default;
  // A device is open (the device manager holds a protocol object).
  virtual bool HasProtocol() const = 0;
  // Pending parameters changed: send now or within 200 ms.
  virtual void ScheduleSend() = 0;
  // Sends the whole block to the processor; false when not connected or a frame fails.
  virtual bool WriteAllParam() = 0;
};

class CEffectStore {
 public:
  CEffectStore();

  void SetDeviceLink(IEffectDeviceLink* link) { link_ = link; }
  IEffectDeviceLink* DeviceLink() const { return link_; }

  // index 0-617; not range-checked, as callers compute it by the table's rule.
  void SetParam(int index, uint16_t value);
  uint16_t GetParam(int index) const;
  void DumpParams() const;
  // Replaces the block (unless it is the store's own), logs it and sends it.
  bool LoadBlock(const EffectBlock& source);

  // Rebuilds the six response models from the block (bands and both filters).
  void RebuildResponses();
  // Reloads one channel's model from the block.
  void RebuildResponse(int channel);
  // One band or one filter of one channel, from the block.
  bool UpdateBandResponse(int channel, int band);
  void UpdateHighPassResponse(int channel);
  void UpdateLowPassResponse(int channel);

  // True when a device is open and the handshake was accepted.
  bool IsProcessorConnected() const;

  // The frequency grid the six response models share; built by the first
  // Recompute of one of them (the EQ graph's first SetResponse).
  const EqFrequencyGrid& FrequencyGrid() const { return *grid_; }

  EffectBlock block{};
  std::array<int32_t, 4> linkFlags{};
  int32_t currentChannel = 4;
  std::array<std::array<int32_t, kBandCount>, kChannelCount> bypassedBandFlags{};
  std::array<std::array<int32_t, kBandCount>, kChannelCount> bypassedBandGains{};
  int32_t delayUnit = 0;  // 0 ms, 1 cm, 2 in
  std::array<int32_t, kChannelCount> savedChannelLevels{};
  int32_t currentDeviceMode = -1;
  int32_t connected = 0;
  std::map<int, uint16_t> pendingParams;
  int32_t inputMode = -1;  // 0 two inputs, 1 four, -1 unknown
  std::array<CEqResponse, kChannelCount> responses;

 private:
  IEffectDeviceLink* link_ = nullptr;
  std::shared_ptr<EqFrequencyGrid> grid_;
};

// Model inputs from the block (shared with the command-line tool and the UI).
std::array<EqBandValue, kBandCount> BandValuesFromBlock(const EffectBlock& block, int channel);

}  // namespace brisvel
