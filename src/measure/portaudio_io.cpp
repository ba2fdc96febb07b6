// Playing and recording through PortAudio, resampling with libsamplerate.
#include "measure/portaudio_io.h"

#include <portaudio.h>
#include <samplerate.h>

#ifdef __linux__
#include <alsa/asoundlib.h>
#include <jack/jack.h>

#include <cstdlib>
#endif

#include <algorithm>
#include <chrono>
#include <cctype>
#include <mutex>
#include <thread>

namespace brisvel::measure {

namespace {

#ifdef __linux__
// The system's sound libraries report every interface they look for and do
// not find (no sound card, no sound server) on standard error; the console
// tells what matters itself.
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}
void QuietJack(const char*) {}
void QuietSystemLibraries() {
  snd_lib_error_set_handler(QuietAlsa);
  jack_set_error_function(QuietJack);
  jack_set_info_function(QuietJack);
  setenv("JACK_NO_START_SERVER", "1", 0);  // a server is used when one runs, never started
}
#else
void QuietSystemLibraries() {}
#endif

// The library is started for each use and stopped after it; uses may overlap.
class Library {
 public:
  Library() {
    std::lock_guard<std::mutex> lock(Mutex());
    if (Users() == 0) QuietSystemLibraries();
    error_ = Users() == 0 ? Pa_Initialize() : paNoError;
    if (error_ == paNoError) ++Users();
  }
  ~Library() {
    std::lock_guard<std::mutex> lock(Mutex());
    if (error_ == paNoError && --Users() == 0) Pa_Terminate();
  }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
  bool Ok(std::string* error) const {
    if (error_ != paNoError && error) *error = std::string("the audio library did not start: ") + Pa_GetErrorText(error_);
    return error_ == paNoError;
  }

 private:
  static std::mutex& Mutex() {
    static std::mutex m;
    return m;
  }
  static int& Users() {
    static int n = 0;
    return n;
  }
  PaError error_;
};

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

std::vector<float> Resampled(const std::vector<float>& in, double from, double to) {
  if (from == to || in.empty()) return in;
  std::vector<float> out(static_cast<size_t>(static_cast<double>(in.size()) * to / from) + 16);
  SRC_DATA d{};
  d.data_in = in.data();
  d.input_frames = static_cast<long>(in.size());
  d.data_out = out.data();
  d.output_frames = static_cast<long>(out.size());
  d.src_ratio = to / from;
  if (src_simple(&d, SRC_SINC_BEST_QUALITY, 1) != 0) return {};
  out.resize(static_cast<size_t>(d.output_frames_gen));
  return out;
}

// What the stream's callback reads and writes; frames count on one clock.
struct Transfer {
  const std::vector<float>* play = nullptr;
  std::vector<float>* record = nullptr;
  int outChannels = 0, outChannel = 0, inChannels = 0, inChannel = 0;
  size_t frames = 0;  // to play and record in all
  size_t done = 0;
};

int Callback(const void* input, void* output, unsigned long count, const PaStreamCallbackTimeInfo*,
             PaStreamCallbackFlags, void* data) {
  auto* t = static_cast<Transfer*>(data);
  auto* out = static_cast<float*>(output);
  const auto* in = static_cast<const float*>(input);
  for (unsigned long i = 0; i < count; ++i) {
    const size_t frame = t->done + i;
    if (out) {
      for (int c = 0; c < t->outChannels; ++c) out[i * t->outChannels + c] = 0.0f;
      if (frame < t->play->size()) out[i * t->outChannels + t->outChannel] = (*t->play)[frame];
    }
    if (in && frame < t->record->size()) (*t->record)[frame] = in[i * t->inChannels + t->inChannel];
  }
  t->done += count;
  return t->done >= t->frames ? paComplete : paContinue;
}

}  // namespace

std::vector<AudioDevice> ListAudioDevices(std::string* error) {
  Library library;
  if (!library.Ok(error)) return {};
  std::vector<AudioDevice> out;
  const int count = Pa_GetDeviceCount();
  for (int i = 0; i < count; ++i) {
    const PaDeviceInfo* d = Pa_GetDeviceInfo(i);
    if (!d) continue;
    const PaHostApiInfo* host = Pa_GetHostApiInfo(d->hostApi);
    out.push_back({i, d->name ? d->name : "", host && host->name ? host->name : "", d->maxInputChannels,
                   d->maxOutputChannels, d->defaultSampleRate});
  }
  return out;
}

std::optional<AudioDevice> FindAudioDevice(const std::string& nameOrIndex, bool output, std::string* error) {
  const std::vector<AudioDevice> devices = ListAudioDevices(error);
  const auto usable = [output](const AudioDevice& d) { return output ? d.outputs > 0 : d.inputs > 0; };
  if (!nameOrIndex.empty() && nameOrIndex.size() < 6 &&
      std::all_of(nameOrIndex.begin(), nameOrIndex.end(), [](unsigned char c) { return std::isdigit(c) != 0; })) {
    const int index = std::stoi(nameOrIndex);
    for (const AudioDevice& d : devices)
      if (d.index == index && usable(d)) return d;
  }
  for (const AudioDevice& d : devices)
    if (usable(d) && Lower(d.name).find(Lower(nameOrIndex)) != std::string::npos) return d;
  if (error && error->empty())
    *error = "no audio device " + std::string(output ? "that plays" : "that records") + " is called \"" + nameOrIndex + "\"";
  return std::nullopt;
}

bool PortAudioIo::PlayAndRecord(const std::vector<float>& signal, int tail, std::vector<float>& recorded,
                                const std::atomic<bool>& stop, std::string* error) {
  Library library;
  if (!library.Ok(error)) return false;
  const PaDeviceInfo* outInfo = Pa_GetDeviceInfo(route_.outputDevice);
  const PaDeviceInfo* inInfo = Pa_GetDeviceInfo(route_.inputDevice);
  if (!outInfo || !inInfo || route_.outputChannel >= outInfo->maxOutputChannels ||
      route_.inputChannel >= inInfo->maxInputChannels || route_.outputChannel < 0 || route_.inputChannel < 0) {
    if (error) *error = "the chosen audio devices or channels are not there";
    return false;
  }
  PaStreamParameters out{route_.outputDevice, route_.outputChannel + 1, paFloat32, outInfo->defaultLowOutputLatency, nullptr};
  PaStreamParameters in{route_.inputDevice, route_.inputChannel + 1, paFloat32, inInfo->defaultLowInputLatency, nullptr};
  // 48 kHz where both devices take it, else the output's own rate and a resampler.
  double rate = kMeasureRate;
  if (Pa_IsFormatSupported(&in, &out, rate) != paFormatIsSupported) rate = outInfo->defaultSampleRate;
  if (Pa_IsFormatSupported(&in, &out, rate) != paFormatIsSupported) {
    if (error) *error = "the devices take no common sample rate for playing and recording at once";
    return false;
  }
  const std::vector<float> atRate = Resampled(signal, kMeasureRate, rate);
  const size_t preRoll = static_cast<size_t>(route_.preRollSeconds * rate);
  std::vector<float> play(preRoll, 0.0f);
  play.insert(play.end(), atRate.begin(), atRate.end());
  Transfer t;
  t.play = &play;
  std::vector<float> capture(play.size() + static_cast<size_t>(static_cast<double>(tail) * rate / kMeasureRate), 0.0f);
  t.record = &capture;
  t.frames = capture.size();
  t.outChannels = out.channelCount;
  t.outChannel = route_.outputChannel;
  t.inChannels = in.channelCount;
  t.inChannel = route_.inputChannel;
  PaStream* stream = nullptr;
  PaError e = Pa_OpenStream(&stream, &in, &out, rate, 256, paClipOff, Callback, &t);
  if (e == paNoError) e = Pa_StartStream(stream);
  if (e != paNoError) {
    if (stream) Pa_CloseStream(stream);
    if (error) *error = std::string("the audio stream did not start: ") + Pa_GetErrorText(e);
    return false;
  }
  // Stop is looked at every 10 ms; a stream that stops delivering ends the run.
  const auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::milliseconds(static_cast<int>(1000.0 * static_cast<double>(t.frames) / rate) + 5000);
  bool stopped = false, stalled = false;
  while (Pa_IsStreamActive(stream) == 1) {
    if (stop.load()) {
      stopped = true;
      break;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      stalled = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (stopped || stalled) Pa_AbortStream(stream);
  else Pa_StopStream(stream);
  Pa_CloseStream(stream);
  if (stopped) {
    if (error) *error = "stopped";
    return false;
  }
  if (stalled) {
    if (error) *error = "the audio device stopped delivering sound";
    return false;
  }
  capture.erase(capture.begin(), capture.begin() + static_cast<long>(std::min(preRoll, capture.size())));
  recorded = Resampled(capture, rate, kMeasureRate);
  recorded.resize(signal.size() + static_cast<size_t>(tail), 0.0f);
  return true;
}

}  // namespace brisvel::measure
