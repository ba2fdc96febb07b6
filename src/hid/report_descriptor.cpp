// HID report descriptor walk: sums Report Size x Report Count of every Input
// and Output item per report identifier and keeps the longest of each kind.
#include "hid/report_descriptor.h"

#include <map>
#include <vector>

namespace brisvel::hid {
namespace {

struct Globals {
  uint32_t reportSize = 0;
  uint32_t reportCount = 0;
  uint32_t reportId = 0;
};

constexpr uint8_t kTypeMain = 0;
constexpr uint8_t kTypeGlobal = 1;
constexpr uint8_t kTagInput = 0x8;
constexpr uint8_t kTagOutput = 0x9;
constexpr uint8_t kTagReportSize = 0x7;
constexpr uint8_t kTagReportId = 0x8;
constexpr uint8_t kTagReportCount = 0x9;
constexpr uint8_t kTagPush = 0xA;
constexpr uint8_t kTagPop = 0xB;
constexpr uint8_t kLongItemPrefix = 0xFE;

int LongestBytes(const std::map<uint32_t, uint64_t>& bits) {
  uint64_t longest = 0;
  for (const auto& [id, count] : bits) {
    if (count > longest) longest = count;
  }
  if (longest == 0) return 0;
  const uint64_t bytes = (longest + 7) / 8 + 1;
  return bytes > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(bytes);
}

}  // namespace

std::optional<ReportLengths> ParseReportLengths(std::span<const uint8_t> descriptor) {
  Globals globals;
  std::vector<Globals> stack;
  std::map<uint32_t, uint64_t> inputBits;
  std::map<uint32_t, uint64_t> outputBits;
  bool numbered = false;

  size_t pos = 0;
  while (pos < descriptor.size()) {
    const uint8_t prefix = descriptor[pos];
    if (prefix == kLongItemPrefix) {
      if (pos + 3 > descriptor.size()) return std::nullopt;
      const size_t dataSize = descriptor[pos + 1];
      if (pos + 3 + dataSize > descriptor.size()) return std::nullopt;
      pos += 3 + dataSize;
      continue;
    }
    const size_t sizeCode = prefix & 0x3;
    const size_t dataSize = sizeCode == 3 ? 4 : sizeCode;
    if (pos + 1 + dataSize > descriptor.size()) return std::nullopt;
    uint32_t value = 0;
    for (size_t i = 0; i < dataSize; ++i) value |= static_cast<uint32_t>(descriptor[pos + 1 + i]) << (8 * i);
    const uint8_t type = (prefix >> 2) & 0x3;
    const uint8_t tag = prefix >> 4;
    pos += 1 + dataSize;

    if (type == kTypeMain) {
      const uint64_t bits = static_cast<uint64_t>(globals.reportSize) * globals.reportCount;
      if (tag == kTagInput) inputBits[globals.reportId] += bits;
      if (tag == kTagOutput) outputBits[globals.reportId] += bits;
    } else if (type == kTypeGlobal) {
      switch (tag) {
        case kTagReportSize: globals.reportSize = value; break;
        case kTagReportCount: globals.reportCount = value; break;
        case kTagReportId:
          globals.reportId = value;
          numbered = true;
          break;
        case kTagPush: stack.push_back(globals); break;
        case kTagPop:
          if (!stack.empty()) {
            globals = stack.back();
            stack.pop_back();
          }
          break;
        default: break;
      }
    }
  }
  return ReportLengths{LongestBytes(inputBits), LongestBytes(outputBits), numbered};
}

}  // namespace brisvel::hid
