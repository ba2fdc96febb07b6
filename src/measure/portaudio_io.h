// The system's audio devices through the audio I/O library (PortAudio): the
// devices it finds, and a sweep played on one output channel while one input
// channel records, at 48 kHz where the devices take it and resampled
// (libsamplerate) where they do not.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "measure/run.h"

namespace brisvel::measure {

struct AudioDevice {
  int index = -1;
  std::string name;
  std::string host;  // the system's audio interface (ALSA, JACK, WASAPI, ...)
  int inputs = 0;
  int outputs = 0;
  double defaultRate = 0;
};

// Every device the library finds; empty with the reason when it cannot start.
std::vector<AudioDevice> ListAudioDevices(std::string* error);
// A device by its number in that list or by a part of its name (letter case
// free); with output, one that can play, else one that can record.
std::optional<AudioDevice> FindAudioDevice(const std::string& nameOrIndex, bool output, std::string* error);

struct AudioRoute {
  int outputDevice = -1;
  int outputChannel = 0;  // 0-based
  int inputDevice = -1;
  int inputChannel = 0;
  double preRollSeconds = 0.25;  // silence before the signal, while the streams settle
};

class PortAudioIo : public IAudioIo {
 public:
  explicit PortAudioIo(AudioRoute route) : route_(route) {}
  // The recording starts where the signal's first sample was handed to the
  // output: what arrives before the latency of the devices is silence.
  bool PlayAndRecord(const std::vector<float>& signal, int tail, std::vector<float>& recorded,
                     const std::atomic<bool>& stop, std::string* error) override;

 private:
  AudioRoute route_;
};

}  // namespace brisvel::measure
