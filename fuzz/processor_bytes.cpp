// Fuzzes the bytes that come from the processor: the reply check passes only
// a frame with its checksum, command and status right; parameter items read
// from a frame stay inside it and write back to the same frame; device
// information items copy no more than asked; a report descriptor gives
// lengths only when its items are whole.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "device/frames.h"
#include "fuzz_check.h"
#include "hid/report_descriptor.h"

using namespace brisvel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  frames::Frame frame{};
  std::memcpy(frame.data(), data, std::min(frames::kFrameSize, size));
  const uint8_t expected = size > frames::kFrameSize ? data[frames::kFrameSize] : frame[0];
  const frames::ReplyFault fault = frames::CheckReplyFrame(frame, expected);
  const bool whole = frames::FrameChecksum(frame) == frame[frames::kChecksumByte] && frame[0] == expected &&
                     frame[3] == frames::kStatusAccepted;
  FUZZ_CHECK((fault == frames::ReplyFault::kNone) == whole);

  // Parameter items: at most eleven, and those of a well-formed count write
  // back to the same bytes.
  const std::vector<frames::ParamItem> items = frames::ParseParamItems(frame);
  FUZZ_CHECK(items.size() <= static_cast<size_t>(frames::kItemsPerFrame));
  if (!items.empty()) {
    const frames::Frame again = frames::WriteParamsRequest(frame[2], items);
    FUZZ_CHECK(frames::ParseParamItems(again).size() == items.size());
    for (size_t i = 0; i < items.size(); ++i) {
      const auto back = frames::ParseParamItems(again)[i];
      // A one-byte item carries no high byte.
      const uint16_t mask = items[i].size == 1 ? 0x00FF : 0xFFFF;
      FUZZ_CHECK(back.offset == items[i].offset && back.size == items[i].size &&
                 (back.value & mask) == (items[i].value & mask));
    }
  }

  // Device information: every item, into buffers of every small size.
  const frames::DeviceInformation info = frames::ParseDeviceInformation(frame);
  for (int item = 0; item <= 10; ++item) {
    for (int room = 0; room <= 24; ++room) {
      std::vector<uint8_t> out(static_cast<size_t>(room) + 8, 0xA5);
      const bool copied = frames::DeviceInformationItem(info, item, out.data(), room);
      FUZZ_CHECK(std::all_of(out.begin() + room, out.end(), [](uint8_t b) { return b == 0xA5; }));
      if (room == 0) FUZZ_CHECK(!copied || item < 0);
    }
  }
  (void)frames::DeviceInformationDate(info);
  (void)frames::ParseCurrentMode(frame);

  // The report descriptor, the whole input.
  const auto lengths = hid::ParseReportLengths(std::span<const uint8_t>(data, size));
  if (lengths) FUZZ_CHECK(lengths->input >= 0 && lengths->output >= 0);
  return 0;
}
