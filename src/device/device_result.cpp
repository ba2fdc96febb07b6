// Names and descriptions of processor exchanges for messages and the log.
#include "device/device_result.h"

#include <cstdio>

namespace brisvel {

std::string CommandName(uint8_t command) {
  switch (command) {
    case frames::cmd::kLinkKey: return "link key (0x0E)";
    case frames::cmd::kFirmwareStart: return "firmware start (0x26)";
    case frames::cmd::kFirmwareChunk: return "firmware chunk (0x28)";
    case frames::cmd::kDeviceInfo: return "device information (0x82)";
    case frames::cmd::kHandshake: return "handshake (0x90)";
    case frames::cmd::kRecallMode: return "recall device mode (0x92)";
    case frames::cmd::kCurrentMode: return "current device mode (0x94)";
    case frames::cmd::kReadChunk: return "read block chunk (0x96)";
    case frames::cmd::kWriteChunk: return "write block chunk (0x98)";
    case frames::cmd::kWriteParams: return "write parameters (0x9C)";
    case frames::cmd::kSaveMode: return "save device mode (0x9E)";
    case frames::cmd::kInputMode: return "input mode (0xA6)";
    default: {
      char text[16];
      std::snprintf(text, sizeof text, "request 0x%02X", command);
      return text;
    }
  }
}

std::string DescribeFailure(const DeviceResult& result) {
  const std::string name = CommandName(result.command);
  const std::string frame = result.frame >= 0 ? ", frame " + std::to_string(result.frame) : "";
  const char* fault = result.fault == frames::ReplyFault::kChecksum  ? "checksum"
                      : result.fault == frames::ReplyFault::kCommand ? "command code"
                                                                     : "status";
  switch (result.outcome) {
    case DeviceOutcome::kOk: return {};
    case DeviceOutcome::kNotConnected: return "no processor connected";
    case DeviceOutcome::kInvalid: return "not sent: " + name + " out of range";
    case DeviceOutcome::kWriteFailed: return "cannot write " + name + frame + " to the processor";
    case DeviceOutcome::kTimedOut: return "timeout on " + name + frame;
    case DeviceOutcome::kBadReply:
      return "bad reply to " + name + frame + (result.fault == frames::ReplyFault::kNone ? "" : std::string(" (") + fault + ")");
    case DeviceOutcome::kRefused: return name + frame + " refused by the processor";
  }
  return {};
}

}  // namespace brisvel
