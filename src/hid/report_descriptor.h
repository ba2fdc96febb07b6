// Report lengths from a HID report descriptor: the longest input and output
// report in bytes plus the report-identifier byte, as the processor's own
// descriptor declares them.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace brisvel::hid {

struct ReportLengths {
  int input = 0;   // longest input report in bytes + 1; 0 when there is none
  int output = 0;  // longest output report in bytes + 1; 0 when there is none
  bool numbered = false;  // the descriptor declares report identifiers
};

// Walks the descriptor's items; nullopt when an item runs past the end.
std::optional<ReportLengths> ParseReportLengths(std::span<const uint8_t> descriptor);

// Reports longer than this are refused (fixed 128-byte report buffers).
constexpr int kMaxReportLength = 128;
inline bool ReportLengthUsable(int length) { return length >= 1 && length <= kMaxReportLength; }

}  // namespace brisvel::hid
