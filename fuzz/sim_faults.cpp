// Fuzzes the simulated processor's fault file: any text is taken whole or
// refused with the line named; taken faults stay within their limits, and a
// processor given them answers every request without crashing.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "device/sim_faults.h"
#include "device/sim_processor.h"
#include "fuzz_check.h"

using namespace brisvel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string why;
  const auto faults = sim::ParseFaultText(text, &why);
  if (!faults) {
    FUZZ_CHECK(why.rfind("line ", 0) == 0);
    return 0;
  }
  FUZZ_CHECK(why.empty());
  for (int count : {faults->dropReplies, faults->dropAfter, faults->corruptReplies, faults->statusZeroReplies})
    FUZZ_CHECK(count >= 0 && count <= 1'000'000);
  FUZZ_CHECK(faults->unplugAfter >= -1 && faults->unplugAfter <= 1'000'000);
  FUZZ_CHECK(faults->latency.count() >= 0 && faults->latency.count() <= 1'000'000);
  if (faults->wrongChunk) FUZZ_CHECK(faults->wrongChunk->first < 256 && faults->wrongChunk->second < 256);

  // The text once more, in the same words, gives the same faults.
  const auto again = sim::ParseFaultText(std::string(text), nullptr);
  FUZZ_CHECK(again && again->dropReplies == faults->dropReplies && again->unplugAfter == faults->unplugAfter);

  sim::SimProcessor processor;
  processor.SetFaults(*faults);
  for (frames::Frame request : {frames::CurrentModeRequest(), frames::ReadChunkRequest(3), frames::InputModeQuery()}) {
    frames::SealFrame(request);
    const sim::SimProcessor::Answer answer = processor.Receive(request);
    if (answer.reply) FUZZ_CHECK((*answer.reply)[0] == frames::ReplyCode(request[0]));
  }
  return 0;
}
