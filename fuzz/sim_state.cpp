// Fuzzes the simulated processor's state file and the requests it answers:
// a state file is taken only when it is one and then writes back byte for
// byte; any requests leave a state that is still a valid state file, and
// every reply carries a valid checksum.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "device/frames.h"
#include "device/sim_processor.h"
#include "fuzz_check.h"

using namespace brisvel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto state = sim::ParseStateFile(bytes);
  if (state) FUZZ_CHECK(sim::StateFileBytes(*state) == bytes);

  // The input as a run of requests, each sealed (so that it is handled) unless
  // its first byte says otherwise.
  sim::SimProcessor processor;
  processor.SetRecordRequests(false);
  if (state) processor.SetState(*state);
  for (size_t at = 0; at + 1 <= size; at += frames::kFrameSize) {
    frames::Frame request{};
    std::memcpy(request.data(), data + at, std::min(frames::kFrameSize, size - at));
    if ((request[frames::kChecksumByte] & 1) == 0) frames::SealFrame(request);
    const auto answer = processor.Receive(request);
    if (answer.reply) {
      FUZZ_CHECK(frames::FrameChecksum(*answer.reply) == (*answer.reply)[frames::kChecksumByte]);
      FUZZ_CHECK((*answer.reply)[0] == frames::ReplyCode(request[0]) || request[0] == 0);
    }
  }
  const sim::SimState after = processor.State();
  FUZZ_CHECK(after.currentMode >= 0 && after.currentMode < sim::kSlotCount);
  FUZZ_CHECK(after.inputMode == 0 || after.inputMode == 1);
  FUZZ_CHECK(sim::ParseStateFile(sim::StateFileBytes(after)).has_value());
  return 0;
}
