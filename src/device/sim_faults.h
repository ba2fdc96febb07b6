// Faults a simulated processor can be given, for tests and for demonstrating
// how the console copes: latency, silence, lost requests or replies, damaged
// replies, a wrong chunk number, an unplug in the middle of a transfer. Set
// in code, or written as text in the fault file beside the state file so that
// brisvelctl --sim and the console's simulation can be given them from outside.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "device/frames.h"

namespace brisvel::sim {

struct SimFaults {
  std::chrono::microseconds latency{0};  // each report's time on the wire, each way
  bool silent = false;                    // no reply to anything
  int dropReplies = 0;                    // replies lost ...
  int dropAfter = 0;                      // ... after this many more went out
  bool requestsLost = false;              // neither applied nor answered
  int corruptReplies = 0;                 // replies with a wrong checksum
  int statusZeroReplies = 0;              // replies with status 0
  std::optional<std::pair<int, int>> wrongChunk;  // reading chunk .first names .second
  int unplugAfter = -1;                   // unplugged once this many more requests arrived

  // Counts one arriving request; true when the processor vanishes with it.
  bool UnplugsNow();
  // Gives the reply to reading `chunk` the wrong number, once, when so set.
  void MisnameChunk(int chunk, frames::Frame& reply);
  // Seals the reply and damages it as set; nothing when it is lost.
  std::optional<frames::Frame> Deliver(frames::Frame reply);
};

// The text form, one fault per line ('#' starts a comment):
//   latency US | silent | requests-lost | drop-replies N [after M] |
//   corrupt-replies N | status-zero N | wrong-chunk CHUNK NAMED | unplug-after N
// Nothing, with the line not understood in error, when a line is not one of these.
std::optional<SimFaults> ParseFaultText(std::string_view text, std::string* error);

// Reads the fault file: no faults when it is missing; nothing, with error,
// when it is unreadable or not understood.
std::optional<SimFaults> ReadFaultFile(const std::filesystem::path& file, std::string* error);

}  // namespace brisvel::sim
