// The simulated processor's side of the command set: what a processor keeps
// besides its state (the identifiers it accepts, its device information, the
// firmware it receives) and how it answers each request, read with the frame
// module's request readers.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "device/frames.h"
#include "device/sim_faults.h"
#include "device/sim_state_file.h"

namespace brisvel::sim {

// Status bytes of refused requests.
constexpr uint8_t kStatusBadChecksum = 0x01;
constexpr uint8_t kStatusUnknownCommand = 0x02;
constexpr uint8_t kStatusBadArgument = 0x03;

// A reply's first four bytes for a request: code + 1, bytes 1-2, status.
frames::Frame ReplyTo(const frames::Frame& request, uint8_t status = frames::kStatusAccepted);
// Requests that change what the processor keeps.
bool ChangesState(const frames::Frame& request);

struct SimInterpreter {
  SimInterpreter();

  struct Result {
    frames::Frame reply;   // not sealed yet
    bool changed = false;  // the state changed and is to be saved
  };
  // Answers a request whose checksum is good.
  Result Answer(const frames::Frame& request, SimFaults& faults);

  SimState state;
  std::optional<std::pair<uint32_t, uint32_t>> acceptedIds;  // any pass when unset
  bool refuseHandshake = false;
  std::array<uint8_t, 33> deviceInfo{};  // reply bytes 4-36
  std::vector<uint8_t> firmware;
  uint32_t firmwareChunks = 0;
  int handshakes = 0;
};

}  // namespace brisvel::sim
