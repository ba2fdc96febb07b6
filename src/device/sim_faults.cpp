// Applying the simulated processor's faults, and their text form.
#include "device/sim_faults.h"

#include <charconv>
#include <vector>

#include "core/text_lines.h"
#include "settings/file_safety.h"

namespace brisvel::sim {

using frames::Frame;

bool SimFaults::UnplugsNow() {
  if (unplugAfter < 0) return false;
  if (unplugAfter == 0) {
    unplugAfter = -1;
    return true;
  }
  --unplugAfter;
  return false;
}

void SimFaults::MisnameChunk(int chunk, Frame& reply) {
  if (!wrongChunk || wrongChunk->first != chunk) return;
  reply[2] = static_cast<uint8_t>(wrongChunk->second);
  wrongChunk.reset();
}

std::optional<Frame> SimFaults::Deliver(Frame reply) {
  if (silent) return std::nullopt;
  if (dropReplies > 0) {
    if (dropAfter > 0) {
      --dropAfter;
    } else {
      --dropReplies;
      return std::nullopt;
    }
  }
  if (statusZeroReplies > 0) {
    --statusZeroReplies;
    reply[3] = 0;
  }
  frames::SealFrame(reply);
  if (corruptReplies > 0) {
    --corruptReplies;
    reply[frames::kChecksumByte] ^= 0x5A;
  }
  return reply;
}

namespace {

// A whole count from 0 to 1,000,000.
std::optional<int> Count(std::string_view word) {
  int value = 0;
  const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (ec != std::errc() || end != word.data() + word.size() || value < 0 || value > 1'000'000) return std::nullopt;
  return value;
}

bool ApplyLine(const std::vector<std::string_view>& w, SimFaults& faults) {
  const std::string_view name = w[0];
  auto count = [&](size_t i) { return i < w.size() ? Count(w[i]) : std::nullopt; };
  if (w.size() == 1 && name == "silent") return faults.silent = true;
  if (w.size() == 1 && name == "requests-lost") return faults.requestsLost = true;
  if (w.size() == 2 && name == "latency" && count(1)) {
    faults.latency = std::chrono::microseconds(*count(1));
    return true;
  }
  if (name == "drop-replies" && count(1) && (w.size() == 2 || (w.size() == 4 && w[2] == "after" && count(3)))) {
    faults.dropReplies = *count(1);
    faults.dropAfter = w.size() == 4 ? *count(3) : 0;
    return true;
  }
  if (w.size() == 2 && name == "corrupt-replies" && count(1)) return (faults.corruptReplies = *count(1)), true;
  if (w.size() == 2 && name == "status-zero" && count(1)) return (faults.statusZeroReplies = *count(1)), true;
  if (w.size() == 2 && name == "unplug-after" && count(1)) return (faults.unplugAfter = *count(1)), true;
  if (w.size() == 3 && name == "wrong-chunk" && count(1) && count(2) && *count(1) < 256 && *count(2) < 256) {
    faults.wrongChunk = std::make_pair(*count(1), *count(2));
    return true;
  }
  return false;
}

}  // namespace

std::optional<SimFaults> ParseFaultText(std::string_view text, std::string* error) {
  SimFaults faults;
  int number = 0;
  for (std::string_view line : SplitLines(text)) {
    ++number;
    if (const size_t hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
    const auto words = SplitWords(line);
    if (words.empty()) continue;
    if (!ApplyLine(words, faults)) {
      if (error) *error = "line " + std::to_string(number) + " is not a fault: " + std::string(line);
      return std::nullopt;
    }
  }
  return faults;
}

std::optional<SimFaults> ReadFaultFile(const std::filesystem::path& file, std::string* error) {
  constexpr size_t kMaxFaultText = 4096;
  const settings::FileContent content = settings::ReadRegularFile(file, kMaxFaultText);
  if (content.status == settings::ReadStatus::kMissing) return SimFaults{};
  if (content.status != settings::ReadStatus::kOk) {
    if (error) *error = content.error;
    return std::nullopt;
  }
  return ParseFaultText(content.data, error);
}

}  // namespace brisvel::sim
