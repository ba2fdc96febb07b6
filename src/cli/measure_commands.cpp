// brisvelctl measure and align: each chosen channel swept alone (the others
// muted on the processor and put back afterwards), one measurement file per
// channel and the arrival times; then the delays from those arrivals.
#include <CLI/CLI.hpp>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <sstream>

#include "cli/cli_common.h"
#include "core/scales.h"
#include "core/system_sum.h"
#include "measure/portaudio_io.h"
#include "measure/run.h"
#include "measure/sim_audio.h"
#include "settings/file_safety.h"

namespace brisvel::cli {

namespace {

namespace fs = std::filesystem;
using namespace brisvel::measure;

constexpr char kArrivalsFile[] = "arrivals.txt";

struct MeasureOptions {
  std::string channels;
  std::string out;
  std::string calibration;
  double seconds = 2.0;
  double level = kDefaultSweepDbfs;
  int smoothing = 12;
  double windowMs = 50;
  std::string alignDir;
  std::string audioOut, audioIn;
  int outChannel = 1, inChannel = 1;
  double preRoll = 0.25;
};

MeasureOptions& Opts() {
  static MeasureOptions o;
  return o;
}


class Link : public IMeasureLink {
 public:
  explicit Link(ProcessorAccess& p) : p_(p) {}
  std::optional<EffectBlock> Block() override { return p_.playing(); }
  bool SetMuteMask(uint8_t mask) override { return p_.write({{param::kMuteCtrl, mask}}); }

 private:
  ProcessorAccess& p_;
};

void WriteFile(const fs::path& path, const std::string& text) {
  std::string error;
  if (!settings::WriteFileAtomically(path, text, &error)) throw CliError(path.string() + " could not be written: " + error);
}

void CmdMeasure() {
  const MeasureOptions& o = Opts();
  if (!DeviceSelected()) throw CliError("measure needs the processor: --sim or --path PATH");
  const auto boxes = ParseChannelLabels(o.channels);
  if (!boxes) throw CliError("--channels takes channels as the window names them, as in 1,2,5 or CH1,CH2,CH5");
  if (!(o.windowMs >= 2 && o.windowMs <= 500)) throw CliError("--window-ms takes 2 to 500 milliseconds");
  if (o.smoothing < 0 || o.smoothing > 48) throw CliError("--smoothing takes 0 (none) to 48");
  std::optional<Calibration> calibration;
  if (!o.calibration.empty()) {
    const CalibrationParse parsed = ParseCalibration(ReadInputFile(o.calibration, 4u << 20));
    if (!parsed.calibration) throw CliError(o.calibration + " is no calibration file: " + parsed.error);
    calibration = parsed.calibration;
  }
  std::error_code ec;
  fs::create_directories(o.out, ec);
  if (ec || !fs::is_directory(o.out)) throw CliError("the folder " + o.out + " cannot be made");

  // A sound card when one is named, else (with --sim) the simulated car.
  std::optional<AudioRoute> route;
  if (!o.audioOut.empty() || !o.audioIn.empty()) {
    if (o.audioOut.empty() || o.audioIn.empty()) throw CliError("name both: --audio-out DEV --audio-in DEV");
    std::string error;
    const auto out = FindAudioDevice(o.audioOut, true, &error);
    const auto in = out ? FindAudioDevice(o.audioIn, false, &error) : std::nullopt;
    if (!out || !in) throw CliError(error + " (see brisvelctl audio list)");
    if (!(o.preRoll >= 0 && o.preRoll <= 10)) throw CliError("--pre-roll takes 0 to 10 seconds");
    route = AudioRoute{out->index, o.outChannel - 1, in->index, o.inChannel - 1, o.preRoll};
  } else if (!SimSelected()) {
    throw CliError("name the sound card: --audio-out DEV --audio-in DEV (--sim measures the simulated car)");
  }
  WithProcessor([&](ProcessorAccess& processor) {
    Link link(processor);
    // The simulated car: the processor plays what the sweep is, as its block says.
    SimulatedAudio simulated(SimulatedCar::Default(), processor.playing);
    std::optional<PortAudioIo> card;
    if (route) card.emplace(*route);
    IAudioIo& audio = card ? static_cast<IAudioIo&>(*card) : simulated;
    RunOptions run;
    run.channels = *boxes;
    run.sweepSeconds = o.seconds;
    run.levelDbfs = o.level;
    run.response.smoothing = o.smoothing;
    run.response.windowMs = o.windowMs;
    std::atomic<bool> stop{false};
    const EffectBlock before = processor.playing();
    const RunResult r = RunMeasurement(link, audio, run, stop, [](size_t, int box) {
      std::fprintf(stderr, "measuring %s\n", ChannelLabel(box).c_str());
    });
    if (!r.mutesRestored) std::fprintf(stderr, "brisvelctl: the processor's mutes could not be put back\n");
    if (!r.ok) throw CliError("the measurement stopped: " + r.error);
    std::string arrivals = "# channel, arrival in samples at 48 kHz after the sweep went out, delay set while measuring\n";
    for (size_t i = 0; i < r.channels.size(); ++i) {
      ChannelMeasurement m = r.channels[i];
      if (calibration) m.response = ApplyCalibration(m.response, *calibration);
      const std::string label = ChannelLabel(m.box);
      WriteFile(fs::path(o.out) / (label + ".txt"), MeasurementText(m, label));
      const int delay = ReadParam(before, param::Delay(m.box));
      char line[160];
      std::snprintf(line, sizeof line, "%s %.3f %d\n", label.c_str(), m.arrival.samples, delay);
      arrivals += line;
      std::printf("%s: arrival %.3f ms (%.2f samples), %+.3f ms against %s, capture peak %.1f dBFS\n", label.c_str(),
                  m.arrival.samples / 48.0, m.arrival.samples, r.relativeArrivals[i] / 48.0,
                  ChannelLabel(r.channels.front().box).c_str(), m.capturePeakDbfs);
    }
    WriteFile(fs::path(o.out) / kArrivalsFile, arrivals);
  });
}

// Several microphone positions as one: the power average of each channel's
// levels over the folders, its phase and its arrival from the first (the main
// position), written with the main position's arrivals.
void CmdAverage(const std::vector<std::string>& dirs, const std::string& out) {
  if (dirs.size() < 2) throw CliError("average takes the main position's folder and at least one more");
  std::error_code ec;
  fs::create_directories(out, ec);
  if (ec || !fs::is_directory(out)) throw CliError("the folder " + out + " cannot be made");
  int channels = 0;
  for (int label = 1; label <= kChannelCount; ++label) {
    const std::string name = "CH" + std::to_string(label) + ".txt";
    if (!fs::exists(fs::path(dirs.front()) / name)) continue;
    std::vector<FrequencyCurve> positions;
    for (const std::string& dir : dirs) {
      const CurveParse parsed = ParseFrequencyCurve(ReadInputFile(fs::path(dir) / name, 16u << 20));
      if (!parsed.curve) throw CliError((fs::path(dir) / name).string() + ": " + parsed.error);
      positions.push_back(*parsed.curve);
    }
    const FrequencyCurve averaged = PowerAverage(positions);
    std::string text = "* CH" + std::to_string(label) + ", the power average of " + std::to_string(dirs.size()) +
                       " microphone positions; the phase is the main position's\n* Freq(Hz) SPL(dB) Phase(degrees)\n";
    for (size_t i = 0; i < averaged.hz.size(); ++i) {
      char line[96];
      std::snprintf(line, sizeof line, "%.3f %.3f %.2f\n", averaged.hz[i], averaged.db[i],
                    averaged.HasPhase() ? averaged.phase[i] : 0.0);
      text += line;
    }
    WriteFile(fs::path(out) / name, text);
    ++channels;
  }
  if (channels == 0) throw CliError(dirs.front() + " holds no measured channel (CHn.txt)");
  if (fs::exists(fs::path(dirs.front()) / kArrivalsFile))
    WriteFile(fs::path(out) / kArrivalsFile, ReadInputFile(fs::path(dirs.front()) / kArrivalsFile, 1u << 20));
  std::printf("%d channels averaged over %zu positions\n", channels, dirs.size());
}

void CmdAlign() {
  const MeasureOptions& o = Opts();
  if (!DeviceSelected()) throw CliError("align needs the processor: --sim or --path PATH");
  const fs::path file = fs::path(o.alignDir) / kArrivalsFile;
  std::istringstream in(ReadInputFile(file, 1u << 20));
  std::vector<int> boxes, delaysThen;
  std::vector<double> arrivals;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string label;
    double arrival = 0;
    int delay = 0;
    const auto box = (fields >> label >> arrival >> delay) ? ParseChannelLabels(label) : std::nullopt;
    if (!box || box->size() != 1 || !std::isfinite(arrival))
      throw CliError(file.string() + " line " + std::to_string(number) + " is not \"CHn arrival delay\"");
    boxes.push_back(box->front());
    arrivals.push_back(arrival);
    delaysThen.push_back(delay);
  }
  if (boxes.empty()) throw CliError(file.string() + " holds no arrivals");
  const std::vector<int> delays = DelaysFromArrivals(arrivals, delaysThen);
  WithProcessor([&](ProcessorAccess& processor) {
    std::vector<std::pair<int, uint16_t>> values;
    for (size_t i = 0; i < boxes.size(); ++i) values.emplace_back(param::Delay(boxes[i]), static_cast<uint16_t>(delays[i]));
    if (!processor.write(values)) throw CliError("the processor did not take the delays");
  });
  for (size_t i = 0; i < boxes.size(); ++i)
    std::printf("%s: delay %d samples (%s ms)\n", ChannelLabel(boxes[i]).c_str(), delays[i], DelayText(delays[i], kDelayMs).c_str());
}

}  // namespace

void RegisterMeasureCommands(CLI::App& app) {
  MeasureOptions& o = Opts();
  auto* measure = app.add_subcommand(
      "measure", "sweep each channel alone (the others muted, then put back) and write one measurement file per channel");
  measure->add_option("--channels", o.channels, "channels as the window names them: 1,2,5 or CH1,CH2,CH5")->required();
  measure->add_option("--out", o.out, "the folder for CHn.txt and arrivals.txt")->required();
  measure->add_option("--seconds", o.seconds, "length of each sweep (default 2)");
  measure->add_option("--level", o.level, "sweep level in dBFS (default -30)");
  measure->add_option("--smoothing", o.smoothing, "1/N octave (default 12, 0 for none)");
  measure->add_option("--window-ms", o.windowMs,
                      "how long after the arrival the impulse response is taken (default 50; shorter leaves out more of the cabin)");
  measure->add_option("--calibration", o.calibration, "the microphone's calibration file (freq dB [phase])");
  measure->add_option("--audio-out", o.audioOut, "the sound card output feeding the processor (number or name, see audio list)");
  measure->add_option("--audio-in", o.audioIn, "the sound card input of the microphone");
  measure->add_option("--out-channel", o.outChannel, "the output channel, from 1 (default 1)");
  measure->add_option("--in-channel", o.inChannel, "the input channel, from 1 (default 1)");
  measure->add_option("--pre-roll", o.preRoll, "seconds of silence before each sweep while the sound card settles (0.25)");
  measure->callback(CmdMeasure);
  auto* audio = app.add_subcommand("audio", "the system's audio devices");
  audio->require_subcommand(1);
  audio->add_subcommand("list", "number, inputs, outputs, default rate, interface and name of every device")->callback([] {
    std::string error;
    const std::vector<AudioDevice> devices = ListAudioDevices(&error);
    if (!error.empty()) throw CliError(error);
    if (devices.empty()) std::printf("no audio device found\n");
    for (const AudioDevice& d : devices)
      std::printf("%d in %d out %d %.0f Hz %s: %s\n", d.index, d.inputs, d.outputs, d.defaultRate, d.host.c_str(),
                  Printable(d.name).c_str());
  });
  static std::vector<std::string> averageDirs;
  static std::string averageOut;
  auto* average = app.add_subcommand("average", "power-average measurements of several microphone positions");
  average->add_option("DIRS", averageDirs, "the main position's folder first, then the others")->required();
  average->add_option("--out", averageOut, "the folder for the averaged CHn.txt and the main position's arrivals")->required();
  average->callback([] { CmdAverage(averageDirs, averageOut); });
  auto* align = app.add_subcommand("align", "set the delays from the arrivals a measurement wrote: the latest gets 0");
  align->add_option("DIR", o.alignDir, "the folder measure wrote")->required();
  align->callback(CmdAlign);
}

}  // namespace brisvel::cli
