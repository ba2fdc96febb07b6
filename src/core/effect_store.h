// The effect store: the processor's parameter block with the editing state
// around it. Every edit passes through SetParam, which logs it and, while a
// processor is connected, marks the parameter for the effect sender.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include "core/channel_names.h"
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

  // ---- the block ----

  // index 0-617; not range-checked, as callers compute it by the table's rule.
  // The one way an edit reaches the block: writes, logs and, while a processor
  // is connected, marks the parameter for the effect sender.
  void SetParam(int index, uint16_t value);
  uint16_t GetParam(int index) const;
  const EffectBlock& Block() const { return block_; }
  void DumpParams() const;
  // Replaces the block (unless it is the store's own), logs it and sends it.
  bool LoadBlock(const EffectBlock& source);
  // Replaces the block and forgets the held-back gains and saved channel
  // levels, without logging or sending (a block read from the processor or
  // from a file).
  void ReplaceBlock(const EffectBlock& source);
  // Makes the bytes current and leaves the editing state alone (a whole-block
  // write to the processor).
  void AssignBlock(const EffectBlock& source) {
    block_ = source;
    BlockChanged();
  }
  // Writes one value into the block without logging it or marking it for
  // sending: for the values the processor must not get (a reset bit after it
  // went out, the gains the equaliser bypass hides).
  void WriteParamLocal(int index, uint16_t value);
  // Told after every change of the block, by any of the writes above (on the
  // thread that wrote): for views that follow the whole block.
  void SetBlockObserver(std::function<void()> observer) { blockObserver_ = std::move(observer); }

  // ---- what the processor holds ----

  // The processor's view differs from the block where the window shows a
  // value the processor does not play as such: a gain held back by the
  // equaliser bypass is 0 in the block while the processor keeps it. The
  // transfers pack the processor's view; the block stays what the window shows.
  uint16_t ProcessorValue(int index) const;
  EffectBlock ProcessorBlock() const;
  const std::map<int, uint16_t>& ProcessorOverlay() const { return overlay_; }

  // ---- pending parameters (the effect sender's work list) ----

  const std::map<int, uint16_t>& PendingParams() const { return pendingParams_; }
  bool HasPendingParams() const { return !pendingParams_.empty(); }
  // Enters an index without handing over to the effect sender.
  void MarkPending(int index, uint16_t value) { pendingParams_[index] = value; }
  // Hands the pending parameters to the effect sender (while a processor is
  // connected): now, or when the open send scope ends.
  void SchedulePendingSend();

  // Edits made while a scope is open reach the effect sender once, when the
  // outermost scope ends: one editing operation is one transfer of all it
  // changed, packed into as few frames as the parameters need (the
  // sender's 200 ms spacing still holds). Scopes nest.
  class SendScope {
   public:
    explicit SendScope(CEffectStore& store) : store_(store) { ++store_.sendScopes_; }
    ~SendScope();
    SendScope(const SendScope&) = delete;
    SendScope& operator=(const SendScope&) = delete;

   private:
    CEffectStore& store_;
  };
  // The processor accepted it.
  void DropPending(int index) { pendingParams_.erase(index); }
  void ClearPendingParams() { pendingParams_.clear(); }

  // ---- editing state ----

  // Link flags per link group: 0 off, otherwise the base channel + 1.
  const std::array<int32_t, 4>& LinkFlags() const { return linkFlags_; }
  int LinkFlag(int group) const { return linkFlags_[group]; }
  void SetLinkFlag(int group, int value) { linkFlags_[group] = value; }
  void SetLinkFlags(const std::array<int32_t, 4>& flags) { linkFlags_ = flags; }
  void ClearLinkFlags() { linkFlags_.fill(0); }

  // The output channel being edited, as a Box index.
  int CurrentChannel() const { return currentChannel_; }
  void SetCurrentChannel(int channel) { currentChannel_ = channel; }

  // Bands whose gain the equaliser bypass or a hold-back keeps out of the block.
  // A band the bypass held back keeps its gain in the processor (which
  // bypasses on PassCtrl); a band held back one by one is 0 there too.
  bool IsBandHeldBack(int channel, int band) const { return bypassedBandFlags_[channel][band] != 0; }
  bool IsHeldGainKept(int channel, int band) const { return bypassedBandFlags_[channel][band] == kHeldByBypass; }
  int BypassedBandGain(int channel, int band) const { return bypassedBandGains_[channel][band]; }
  void SetBypassedBand(int channel, int band, bool heldBack, int gain, bool keptByProcessor = false);
  void ClearBypassedBand(int channel, int band) { SetBypassedBand(channel, band, false, 0); }
  void ClearBypassedBands(int channel);
  void ClearAllBypassedBands();

  // The installer's names of the channels' speakers (never sent).
  const ChannelNames& Names() const { return names_; }
  void SetNames(const ChannelNames& names) { names_ = names; }

  // 0 ms, 1 cm, 2 in.
  int DelayUnit() const { return delayUnit_; }
  void SetDelayUnit(int unit) { delayUnit_ = unit; }

  // The level a channel had before gain compensation lowered it; -1 none.
  const std::array<int32_t, kChannelCount>& SavedChannelLevels() const { return savedChannelLevels_; }
  int SavedChannelLevel(int channel) const { return savedChannelLevels_[channel]; }
  void SetSavedChannelLevel(int channel, int level) { savedChannelLevels_[channel] = level; }
  void ClearSavedChannelLevels() { savedChannelLevels_.fill(-1); }

  // The processor's active device mode, 0-based; -1 unknown.
  int CurrentDeviceMode() const { return currentDeviceMode_; }
  void SetCurrentDeviceMode(int mode) { currentDeviceMode_ = mode; }

  // Set while the processor has accepted the handshake.
  bool ConnectedFlag() const { return connected_ != 0; }
  void SetConnectedFlag(bool connected) { connected_ = connected ? 1 : 0; }
  // True when a device is open and the handshake was accepted.
  bool IsProcessorConnected() const;

  // 0 two inputs, 1 four, -1 unknown.
  int InputMode() const { return inputMode_; }
  void SetInputMode(int mode) { inputMode_ = mode; }

  // ---- response models ----

  const CEqResponse& Response(int channel) const { return responses_[channel]; }
  // For the graph's own use of a model (its grid, the highlighted section).
  CEqResponse& Response(int channel) { return responses_[channel]; }
  // Rebuilds the six response models from the block (bands and both filters).
  void RebuildResponses();
  // Reloads one channel's model from the block.
  void RebuildResponse(int channel);
  // One band or one filter of one channel, from the block.
  bool UpdateBandResponse(int channel, int band);
  void UpdateHighPassResponse(int channel);
  void UpdateLowPassResponse(int channel);

  // The frequency grid the six response models share; built by the first
  // Recompute of one of them (the EQ graph's first SetResponse).
  const EqFrequencyGrid& FrequencyGrid() const { return *grid_; }

 private:
  void BlockChanged() const {
    if (blockObserver_) blockObserver_();
  }

  IEffectDeviceLink* link_ = nullptr;
  std::function<void()> blockObserver_;
  EffectBlock block_{};
  std::array<int32_t, 4> linkFlags_{};
  int32_t currentChannel_ = 4;
  // 0 not held back, 1 held back one by one, kHeldByBypass held by the bypass.
  static constexpr int32_t kHeldByBypass = 2;
  std::array<std::array<int32_t, kBandCount>, kChannelCount> bypassedBandFlags_{};
  std::array<std::array<int32_t, kBandCount>, kChannelCount> bypassedBandGains_{};
  int32_t delayUnit_ = 0;
  ChannelNames names_{};
  std::array<int32_t, kChannelCount> savedChannelLevels_{};
  int32_t currentDeviceMode_ = -1;
  int32_t connected_ = 0;
  std::map<int, uint16_t> pendingParams_;
  std::map<int, uint16_t> overlay_;  // index -> the value the processor holds instead
  int sendScopes_ = 0;
  bool sendDeferred_ = false;
  int32_t inputMode_ = -1;
  std::array<CEqResponse, kChannelCount> responses_;
  std::shared_ptr<EqFrequencyGrid> grid_;
};

// Model inputs from the block (shared with the command-line tool and the UI).
std::array<EqBandValue, kBandCount> BandValuesFromBlock(const EffectBlock& block, int channel);

}  // namespace brisvel
