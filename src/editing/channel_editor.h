// The editing console's operations over the effect store: channel selection
// and link groups, master and channel volume, phase and mute, crossover,
// limiter and noise gate, delays, input mode and the equaliser reset; the
// equaliser band edits with bypass, hold-back, gain compensation and the gain
// alert decision. A window binds its controls to these operations and shows
// what they report; nothing here knows a window.
//
// Channels are Box indices 0-5 everywhere (the block's order; the windows
// show them as CH5, CH6, CH1, CH2, CH3, CH4, see ChannelLabelNumber). Bands are
// 0-30. Every value goes into the block through SetParam, except where noted
// (the reset's factory copy and the bypass's held-back gains, which the
// processor handles itself). Operations that take a control's text read it
// leniently (a leading number, limited to the range) and report the text to
// show instead; a text without a number changes nothing and reports the text
// of the value held. A stepped text that says nothing steps from the value held.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/crossover_presets.h"
#include "core/eq_axes.h"
#include "core/effect_store.h"
#include "core/eq_fit.h"
#include "editing/changes.h"
#include "editing/edit_link.h"
#include "editing/gain_rules.h"
#include "editing/link_groups.h"

namespace brisvel::editing {

// Settings the equaliser edits follow (config.ini values).
struct EqSettings {
  int minDb = -20;           // band gain range, dB
  int maxDb = 20;
  double scaleFactor = 0.0;  // gain compensation factor (stored value ÷ 100); 0 = off
  bool alertEnabled = true;  // the gain alert
};

enum class Filter { kHighPass, kLowPass };

// What "Copy channel to..." takes over.
struct CopyParts {
  bool volume = true;
  bool crossovers = true;
  bool eq = true;
  bool limiter = true;
  bool polarity = true;
  bool Any() const { return volume || crossovers || eq || limiter || polarity; }
};

// What a band column and the bypass button show for one channel.
struct BandView {
  std::string frequency;  // "%d"
  std::string q;          // Q text
  std::string gain;       // "%0.01f"; 0.0 while the band or the channel's equaliser is held back
  int slider = 0;         // tenths of a dB
  bool heldBack = false;  // the band's check box
};
struct EqView {
  std::array<BandView, kBandCount> bands;
  bool bypass = false;  // every band shows 0 or is held back
};
EqView ChannelEqView(const CEffectStore& store, int channel);
// The gain a band column shows: 0 while the band or the channel's equaliser is held back.
int16_t ShownBandGain(const CEffectStore& store, int channel, int band);

// Result of a band edit: the changes plus the gain alert decision for the
// current channel, which the window carries out with its alert timer.
struct BandChanges : Changes {
  GainAlert alert = GainAlert::kNone;
};

class CChannelEditor {
 public:
  // link may be null: edits then change the block only (as with no processor).
  CChannelEditor(CEffectStore& store, IEditLink* link, EqSettings settings = {});

  const EqSettings& Settings() const { return settings_; }
  void SetSettings(const EqSettings& settings) { settings_ = settings; }

  // ---- channels and link groups ----
  int CurrentChannel() const { return store_.CurrentChannel(); }
  // The current channel's linked range: the selector buttons that show checked.
  std::vector<int> SelectedChannels() const { return LinkedRange(store_, store_.CurrentChannel()); }
  // A selector button: nothing happens when the channel is already selected.
  Changes SelectChannel(int channel);
  // A menu item 201-206 of a grouping menu (base Box = item - 201): the group
  // takes that base, the base channel is copied into the group's other
  // channels, it becomes current, and the other groups go off. Other items
  // (200 "no grouping", a dismissed menu, a base outside the group) change nothing.
  Changes ChooseLinkMenuItem(LinkGroup group, int menuItem);
  Changes ChooseLinkBase(LinkGroup group, int base);
  // A grouping check box unchecked: the group goes off and its base (or Box 0)
  // becomes current. Nothing is copied or sent.
  Changes ClearLink(LinkGroup group);

  // ---- master and channel volume, phase, mute ----
  Changes SetMasterVolume(int raw);  // slider 0-66
  Changes CommitMasterVolume(std::string_view text);
  Changes StepMasterVolume(std::string_view text, int step);
  Changes SetMasterMute(bool muted);
  // Channel volume over the channel's linked range; the slider and a committed
  // text clear the range's saved levels, a step keeps them.
  Changes SetChannelVolume(int channel, int raw);
  Changes CommitChannelVolume(int channel, std::string_view text);
  Changes StepChannelVolume(int channel, std::string_view text, int step);
  // Never linked.
  Changes SetPhase(int channel, bool inverted);
  Changes SetMute(int channel, bool muted);

  // ---- crossover, limiter, noise gate (current channel, over its linked range) ----
  Changes SetCharacteristic(Filter filter, int index);  // list index 0-2 into bits 7-6
  Changes SetSlope(Filter filter, int index);           // list index 0-8 into bits 4-0
  Changes CommitFilterFrequency(Filter filter, std::string_view text);
  Changes StepFilterFrequency(Filter filter, std::string_view text, int step);
  // A filter handle of the graph dragged to hz.
  Changes DragFilter(Filter filter, double hz);
  Changes CommitThreshold(std::string_view text);
  Changes StepThreshold(std::string_view text, int step);
  Changes CommitAttack(std::string_view text);
  Changes StepAttack(std::string_view text, int step);
  Changes SetRelease(int index);
  Changes SetNoiseGate(int index);

  // A crossover preset: the filter's characteristic, slope and corner at once.
  Changes ApplyCrossoverPreset(const CrossoverPreset& preset);
  // Channel `from`'s chosen parts written to each channel of `to` and to the
  // channels linked with them, once: no link is made, later edits of `from`
  // stay its own. The receiving channels' bands take `from`'s held-back state.
  Changes CopyChannel(int from, const std::vector<int>& to, const CopyParts& parts);

  // ---- delays (never linked) and the input mode ----
  Changes CommitDelay(int channel, std::string_view text);
  Changes StepDelay(int channel, std::string_view text, int step);
  // 0 ms, 1 cm, 2 in: the six delay texts are rewritten; no value changes.
  Changes SetDelayUnit(int unit);
  std::string DelayText(int channel) const;
  // 0 two inputs, 1 four: only with a processor that accepted the handshake;
  // the store's input mode follows on success.
  bool SetInputMode(int mode);

  // ---- equaliser (current channel, over its linked range) ----
  // Restores the factory crossover and bands of the linked range and has the
  // processor reset those channels. The whole window refreshes.
  BandChanges ResetEqualiser();
  bool PeqMode() const { return peq_; }
  void SetPeqMode(bool peq) { peq_ = peq; }
  BandChanges CommitBandFrequency(int band, std::string_view text);
  BandChanges StepBandFrequency(int band, std::string_view text, int step);
  BandChanges CommitBandQ(int band, std::string_view text);
  BandChanges StepBandQ(int band, std::string_view text, int step);
  BandChanges CommitBandGain(int band, std::string_view text);
  BandChanges StepBandGain(int band, std::string_view text, int step);
  BandChanges SetBandGainFromSlider(int band, int position);  // tenths of a dB
  // A band handle's proposed centre in the graph's pixels, or already in hertz
  // and decibels; nothing for an axis along which the handle did not move, so
  // that its value stays exactly as it was. The frequency counts in PEQ mode
  // only. A drag that changes no value changes nothing at all.
  BandChanges DragBand(int band, const EqAxes& axes, std::optional<double> centreX, std::optional<double> centreY);
  BandChanges DragBandTo(int band, std::optional<double> hz, std::optional<double> db);
  // A Q handle (PEQ mode only) moved by steps entries of the Q table.
  BandChanges DragQ(int band, int steps);
  // The "BypassEQ" button of the linked range.
  BandChanges SetBypass(bool on);
  // A band's check box: hold the band's gain back, or give it back. Checking
  // a band at 0 dB and unchecking a band that is not held back change nothing.
  BandChanges SetBandHeldBack(int band, bool held);
  GainAlert EvaluateGainAlert() const;
  // A whole set of bands (a fit, an imported filter set) over the linked
  // range as one edit: frequency, Q and gain of every band, with the gain
  // compensation, the end of the bypass and the gain alert decision.
  BandChanges SetBands(const ChannelBands& bands);

 private:
  class Recorder;
  std::vector<int> Range() const { return LinkedRange(store_, store_.CurrentChannel()); }
  void SendNow();
  // Marks a parameter pending with the block's value even when an edit left it
  // unchanged: for held-back gains, which the processor may hold otherwise.
  void Resend(int index);
  void WriteVolumes(Recorder& r, int channel, int raw, bool clearSaved);
  void WriteTypeByte(Recorder& r, Filter filter, uint8_t value);
  Changes WriteFilterFrequency(Filter filter, int raw, std::string text);
  Changes WriteLimiterValue(int (*index)(int), int raw, std::string text);
  Changes WriteDelay(int channel, int raw);
  // A text a field cannot read: nothing changes and the field shows text again.
  static Changes Unchanged(std::string text) {
    Changes c;
    c.text = std::move(text);
    return c;
  }
  void WriteOverRange(Recorder& r, int (*index)(int), int raw);
  void EndBypass(Recorder& r, int gainEditedBand);
  void SendBandEdit();
  void Compensate(Recorder& r);
  void RecomputeBand(BandChanges& c, int band);
  BandChanges WriteBandGain(int band, int16_t raw, bool compensate);
  BandChanges WriteBandValue(int band, int (*index)(int, int), int raw, std::string text);
  BandChanges UnchangedBand(int band, std::string text) const;

  CEffectStore& store_;
  IEditLink* link_;
  EqSettings settings_;
  bool peq_ = false;
};

}  // namespace brisvel::editing
