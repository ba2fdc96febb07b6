// The effect store: SetParam and the whole-block operations, and the mapping
// from block values to the six response models.
#include "core/effect_store.h"

#include "core/debug_output.h"
#include "core/scales.h"

namespace brisvel {

CEffectStore::CEffectStore() : grid_(std::make_shared<EqFrequencyGrid>()) {
  block_ = FactoryBlock();
  savedChannelLevels_.fill(-1);
  for (CEqResponse& model : responses_) model.SetGrid(grid_);
}

bool CEffectStore::IsProcessorConnected() const { return link_ && link_->HasProtocol() && connected_; }

void CEffectStore::SetParam(int index, uint16_t value) {
  const ParamDef& row = ParamTable()[index];
  const uint16_t old = ReadParam(block_, index);
  if (value == old) return;
  DebugOutput("RezUriru: SetParam %16s = %4d(%d) = 0x%04X  (%dbytes) index=%d offset=%d\n", row.name,
              static_cast<int>(value), static_cast<int>(static_cast<int16_t>(value)), static_cast<unsigned>(value),
              row.size, row.index, row.offset);
  WriteParam(block_, index, value);
  BlockChanged();
  // What goes out now is what the processor holds from now on.
  overlay_.erase(index);
  if (IsProcessorConnected()) {
    pendingParams_[index] = value;
    SchedulePendingSend();
  }
}

void CEffectStore::SchedulePendingSend() {
  if (!IsProcessorConnected()) return;
  if (sendScopes_ > 0) {
    sendDeferred_ = true;
    return;
  }
  link_->ScheduleSend();
}

CEffectStore::SendScope::~SendScope() {
  if (--store_.sendScopes_ > 0 || !store_.sendDeferred_) return;
  store_.sendDeferred_ = false;
  // What an explicit send inside the scope took is gone already.
  if (store_.HasPendingParams()) store_.SchedulePendingSend();
}

uint16_t CEffectStore::GetParam(int index) const { return ReadParam(block_, index); }

void CEffectStore::WriteParamLocal(int index, uint16_t value) {
  WriteParam(block_, index, value);
  BlockChanged();
}

void CEffectStore::SetBypassedBand(int channel, int band, bool heldBack, int gain, bool keptByProcessor) {
  bypassedBandFlags_[channel][band] = heldBack ? (keptByProcessor ? kHeldByBypass : 1) : 0;
  bypassedBandGains_[channel][band] = gain;
  // A gain the bypass holds back stays in the processor.
  const int index = param::EqGain(channel, band);
  if (heldBack && keptByProcessor) overlay_[index] = static_cast<uint16_t>(gain);
  else overlay_.erase(index);
}

void CEffectStore::ClearBypassedBands(int channel) {
  for (int b = 0; b < kBandCount; ++b) ClearBypassedBand(channel, b);
}

uint16_t CEffectStore::ProcessorValue(int index) const {
  const auto it = overlay_.find(index);
  return it != overlay_.end() ? it->second : GetParam(index);
}

EffectBlock CEffectStore::ProcessorBlock() const {
  EffectBlock view = block_;
  for (const auto& [index, value] : overlay_) WriteParam(view, index, value);
  return view;
}

void CEffectStore::ClearAllBypassedBands() {
  for (int k = 0; k < kChannelCount; ++k) ClearBypassedBands(k);
}

void CEffectStore::DumpParams() const {
  for (const ParamDef& row : ParamTable()) {
    const uint16_t v = (row.size == 1 || row.size == 2) ? ReadParam(block_, row.index) : 0;
    DebugOutput("RezUriru: %16s = %4d(%d) = 0x%04X  (%d bytes)\n", row.name, static_cast<int>(v),
                static_cast<int>(static_cast<int16_t>(v)), static_cast<unsigned>(v), row.size);
  }
}

void CEffectStore::ReplaceBlock(const EffectBlock& source) {
  block_ = source;
  ClearAllBypassedBands();
  ClearSavedChannelLevels();
  BlockChanged();
}

bool CEffectStore::LoadBlock(const EffectBlock& source) {
  if (&source != &block_) ReplaceBlock(source);
  DumpParams();
  if (!IsProcessorConnected()) return false;
  return link_->WriteAllParam();
}

std::array<EqBandValue, kBandCount> BandValuesFromBlock(const EffectBlock& block, int channel) {
  std::array<EqBandValue, kBandCount> bands{};
  for (int b = 0; b < kBandCount; ++b) {
    bands[b].frequency = ReadParam(block, param::EqFreq(channel, b));
    bands[b].gain = static_cast<int16_t>(ReadParam(block, param::EqGain(channel, b))) / 100.0;
    bands[b].q = ReadParam(block, param::EqQ(channel, b)) / 300.0;
  }
  return bands;
}

void CEffectStore::RebuildResponse(int channel) {
  CEqResponse& model = responses_[channel];
  const auto bands = BandValuesFromBlock(block_, channel);
  if (model.BandCount() != kBandCount) {
    model.Init(bands);
  } else {
    model.LoadBands(bands);
  }
  UpdateHighPassResponse(channel);
  UpdateLowPassResponse(channel);
}

void CEffectStore::RebuildResponses() {
  for (int k = 0; k < kChannelCount; ++k) RebuildResponse(k);
}

bool CEffectStore::UpdateBandResponse(int channel, int band) {
  const auto v = BandValuesFromBlock(block_, channel)[band];
  return responses_[channel].SetBand(band, v.frequency, v.gain, v.q);
}

void CEffectStore::UpdateHighPassResponse(int channel) {
  const auto type = static_cast<uint8_t>(ReadParam(block_, param::HpType(channel)));
  responses_[channel].SetHighPass(ReadParam(block_, param::HpFreq(channel)), ModelSlope(type), ModelType(type));
}

void CEffectStore::UpdateLowPassResponse(int channel) {
  const auto type = static_cast<uint8_t>(ReadParam(block_, param::LpType(channel)));
  responses_[channel].SetLowPass(ReadParam(block_, param::LpFreq(channel)), ModelSlope(type), ModelType(type));
}

}  // namespace brisvel
