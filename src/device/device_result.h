// What one exchange with the processor, or one operation of several
// exchanges, came to: done, or which request failed, in which frame, and how.
// Callers build their messages from it; the log records it too, but nothing
// reads the log to learn what happened.
#pragma once

#include <cstdint>
#include <string>

#include "device/frames.h"

namespace brisvel {

enum class DeviceOutcome : uint8_t {
  kOk,
  kNotConnected,  // no processor open (or the handshake has not passed)
  kInvalid,       // the request was not sent: an argument out of range
  kWriteFailed,   // the request could not be written to the processor
  kTimedOut,      // no reply within the time limit
  kBadReply,      // a reply came, but its checksum or command code is wrong
  kRefused,       // a well-formed reply whose status says the processor refused
};

struct DeviceResult {
  DeviceOutcome outcome = DeviceOutcome::kOk;
  uint8_t command = 0;  // the request's command code (0: none was sent)
  int frame = -1;       // the frame of an operation of several (block chunk, parameter frame); -1 for one
  frames::ReplyFault fault = frames::ReplyFault::kNone;  // why a reply was bad or refused

  bool ok() const { return outcome == DeviceOutcome::kOk; }
  explicit operator bool() const { return ok(); }

  static DeviceResult Ok(uint8_t command = 0) { return {DeviceOutcome::kOk, command}; }
  static DeviceResult Failed(DeviceOutcome outcome, uint8_t command = 0) { return {outcome, command}; }
  // The same result, naming the frame of an operation of several.
  DeviceResult InFrame(int index) const {
    DeviceResult r = *this;
    r.frame = index;
    return r;
  }
  bool operator==(const DeviceResult&) const = default;
};

// "read block chunk (0x96)"; "request 0x??" for a code without a name.
std::string CommandName(uint8_t command);

// What went wrong, for a message: "timeout on read block chunk (0x96), frame 3",
// "bad reply to save device mode (0x9E) (checksum)", ... Empty when ok.
std::string DescribeFailure(const DeviceResult& result);

}  // namespace brisvel
