// The measurement run and its safety rules.
#include "measure/run.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/debug_output.h"
#include "core/scales.h"

namespace brisvel::measure {

namespace {

constexpr uint8_t kChannelBits = 0x3F;
constexpr float kClipLevel = 0.999f;
constexpr int kRestoreTries = 3;
constexpr double kSilentCaptureDbfs = -100.0;


std::string Number(double v, int decimals) { return FormatString("%.*f", decimals, v); }

// Why the run cannot start, or empty.
std::string Refusal(const RunOptions& o, uint8_t mutes) {
  if (o.channels.empty()) return "no channel chosen";
  for (size_t i = 0; i < o.channels.size(); ++i) {
    const int box = o.channels[i];
    if (box < 0 || box >= kChannelCount) return "no channel " + std::to_string(box);
    if (std::count(o.channels.begin(), o.channels.end(), box) > 1) return ChannelLabel(box) + " is chosen twice";
    if ((mutes >> box) & 1) return ChannelLabel(box) + " is muted; unmute it to measure it";
  }
  if (!(o.sweepSeconds > 0.2 && o.sweepSeconds <= 30)) return "a sweep lasts 0.2 to 30 seconds";
  if (!(o.levelDbfs <= 0 && o.levelDbfs >= -90)) return "the level is -90 to 0 dBFS";
  return {};
}

}  // namespace

RunResult RunMeasurement(IMeasureLink& link, IAudioIo& audio, const RunOptions& o, const std::atomic<bool>& stop,
                         const RunProgress& progress) {
  RunResult r;
  const std::optional<EffectBlock> start = link.Block();
  if (!start) {
    r.error = "the processor's settings could not be read";
    r.mutesRestored = true;  // nothing was changed
    return r;
  }
  const uint8_t original = static_cast<uint8_t>(ReadParam(*start, param::kMuteCtrl));
  r.error = Refusal(o, original);
  if (!r.error.empty()) {
    r.mutesRestored = true;  // nothing was changed
    return r;
  }
  for (size_t i = 0; i < o.channels.size(); ++i) {
    const int box = o.channels[i];
    if (stop.load()) {
      r.stopped = true;
      break;
    }
    // Only this channel plays; bits beyond the six channels stay as they were.
    const uint8_t alone = static_cast<uint8_t>((original & ~kChannelBits) | (kChannelBits & ~(1u << box)));
    if (!link.SetMuteMask(alone)) {
      r.error = "the processor did not take the mutes for " + ChannelLabel(box);
      break;
    }
    const std::optional<EffectBlock> now = link.Block();
    if (!now) {
      r.error = "the processor's settings could not be read while measuring " + ChannelLabel(box);
      break;
    }
    ChannelMeasurement m;
    m.box = box;
    m.sweep = ChannelSweep(ChannelSettingsFromBlock(*now, box), o.sweepSeconds, o.levelDbfs);
    const std::vector<float> sweep = ExponentialSweep(m.sweep);
    if (progress) progress(i, box);
    std::vector<float> recorded;
    std::string why;
    if (!audio.PlayAndRecord(sweep, o.tail, recorded, stop, &why)) {
      if (stop.load()) {
        r.stopped = true;
      } else {
        r.error = "the audio device failed while measuring " + ChannelLabel(box) + (why.empty() ? "" : ": " + why);
      }
      break;
    }
    float peak = 0;
    for (float v : recorded) peak = std::max(peak, std::fabs(v));
    m.capturePeakDbfs = peak > 0 ? 20.0 * std::log10(peak) : kSilentDb;
    if (m.capturePeakDbfs < kSilentCaptureDbfs) {
      r.error = "nothing was heard while measuring " + ChannelLabel(box) + " (the capture peaked at " +
                Number(m.capturePeakDbfs, 1) + " dBFS): check the microphone, its input and the processor's input";
      break;
    }
    if (peak >= kClipLevel) {
      r.error = "the microphone's capture clipped while measuring " + ChannelLabel(box) + "; lower the level";
      break;
    }
    if (m.capturePeakDbfs > o.captureLimitDbfs) {
      r.error = "the capture of " + ChannelLabel(box) + " peaked at " + Number(m.capturePeakDbfs, 1) + " dBFS, above the limit of " +
                Number(o.captureLimitDbfs, 1) + " dBFS; lower the level";
      break;
    }
    m.impulse = Deconvolve(recorded, sweep, m.sweep, o.tail);
    const std::vector<float>& impulse = m.impulse;
    m.arrival = FindArrival(impulse);
    ResponseOptions response = o.response;
    response.loHz = std::max(response.loHz, m.sweep.startHz);
    response.hiHz = std::min(response.hiHz, m.sweep.endHz);
    m.response = ResponseFromImpulse(impulse, m.arrival.samples, response);
    r.channels.push_back(std::move(m));
  }
  // The mutes go back whatever happened; a processor that does not take them
  // is asked again, and the store keeps them for the next transfer.
  for (int t = 0; t < kRestoreTries && !r.mutesRestored; ++t) r.mutesRestored = link.SetMuteMask(original);
  if (!r.mutesRestored && r.error.empty()) r.error = "the processor did not take its mutes back";
  for (const ChannelMeasurement& m : r.channels)
    r.relativeArrivals.push_back(m.arrival.samples - r.channels.front().arrival.samples);
  r.ok = r.error.empty() && !r.stopped && r.mutesRestored && r.channels.size() == o.channels.size();
  return r;
}

std::string MeasurementText(const ChannelMeasurement& m, const std::string& channelLabel) {
  std::string out = "* " + channelLabel + ", measured with a sweep from " + Number(m.sweep.startHz, 0) + " Hz to " +
                    Number(m.sweep.endHz, 0) + " Hz, " + Number(m.sweep.seconds, 1) + " s at " +
                    Number(m.sweep.levelDbfs, 1) + " dBFS\n";
  out += "* arrival " + Number(m.arrival.samples, 3) + " samples (" + Number(m.arrival.samples / 48.0, 4) +
         " ms) after the sweep started\n";
  out += "* Freq(Hz) SPL(dB) Phase(degrees)\n";
  for (size_t i = 0; i < m.response.hz.size(); ++i) {
    out += Number(m.response.hz[i], 3) + " " + Number(m.response.db[i], 3) + " " +
           Number(m.response.HasPhase() ? m.response.phase[i] : 0.0, 2) + "\n";
  }
  return out;
}

}  // namespace brisvel::measure
