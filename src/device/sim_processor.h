// The simulated processor: a stand-in for the hardware that answers the
// command set the way a processor does (active block, eight user slots plus
// the factory slot, current mode, input mode, handshake, device information,
// firmware reception), with fault injection for tests and an optional state
// file so that successive runs see the same slots. SimHidBackend plugs any
// number of them in as HID interfaces named "sim:0", "sim:1", ...
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/frames.h"
#include "hid/hid_backend.h"
#include "settings/file_safety.h"

namespace brisvel::sim {

// Status bytes of refused requests.
constexpr uint8_t kStatusBadChecksum = 0x01;
constexpr uint8_t kStatusUnknownCommand = 0x02;
constexpr uint8_t kStatusBadArgument = 0x03;

constexpr int kSlotCount = 11;      // modes 1-11; 1-8 user, 9 factory, 10-11 recall only
constexpr int kUserSlotCount = 8;

struct SimState {
  EffectBlock active{};
  std::array<EffectBlock, kSlotCount> slots{};
  int currentMode = 0;  // 0-based slot
  int inputMode = 0;    // 0 two inputs, 1 four
};

// The state file: a magic, the active block, the eleven slots, the current
// mode and the input mode. Nothing when bytes are not such a file.
std::string StateFileBytes(const SimState& state);
std::optional<SimState> ParseStateFile(std::string_view bytes);

class SimLink;

class SimProcessor {
 public:
  SimProcessor();

  // --- Configuration (any thread)
  // Only these identifiers pass the handshake; without a call any pass.
  void SetAcceptedIds(uint32_t id1, uint32_t id2);
  void SetRefuseHandshake(bool refuse);
  void SetDeviceInformation(const std::array<uint8_t, 33>& replyBytes4to36);
  void SetReportLengths(int input, int output);
  void SetOpenFails(bool fails);
  void SetIds(uint16_t vendor, uint16_t product);
  // Keeps the state in a file: loads it now when present, saves after every
  // change. The file is read again when another run changed it; changes are
  // made under its lock (see settings::FileLock), so several runs sharing the
  // file act as one processor.
  bool SetStateFile(const std::filesystem::path& file);
  // Why the last save of the state file failed; empty when it succeeded.
  std::string StateFileError() const;
  void SetRecordRequests(bool record);

  // --- Fault injection (any thread)
  // Time each report spends on the wire in each direction (USB frame pacing).
  void SetLatency(std::chrono::microseconds perReport);
  void SetSilent(bool silent);          // no reply to anything
  // The next count replies are lost, after `after` more replies went out.
  void DropReplies(int count, int after = 0);
  // Requests are lost on the way (a loose cable): neither applied nor answered.
  void SetRequestsLost(bool lost);
  void CorruptReplies(int count);       // the next count replies carry a wrong checksum
  void StatusZeroReplies(int count);    // the next count replies carry status 0
  void WrongChunkIndex(int chunk, int reported);  // the reply to reading `chunk` names `reported`
  void UnplugAfterRequests(int count);  // unplugged once `count` more requests arrived

  // Sends a report of its own (e.g. 0x7E) to every open connection.
  void SendUnsolicited(uint8_t command, std::span<const uint8_t> data = {});

  // --- Inspection
  SimState State() const;
  void SetState(const SimState& state);
  std::vector<frames::Frame> Requests() const;
  void ClearRequests();
  std::vector<uint8_t> FirmwareImage() const;
  int HandshakeCount() const;
  uint16_t Vendor() const;
  uint16_t Product() const;

  // --- Transport side (used by SimHidBackend)
  struct Answer {
    std::optional<frames::Frame> reply;
    bool unplug = false;
  };
  // Handles one request as received over the wire.
  Answer Receive(const frames::Frame& request);
  std::chrono::microseconds Latency() const;
  int InputReportLength() const;
  int OutputReportLength() const;
  bool OpenFails() const;
  void AddLink(const std::shared_ptr<SimLink>& link);
  // Every open connection fails from now on (the processor was unplugged).
  void KillLinks();

 private:
  void SaveLocked() const;
  // Reads the state file again; false when it is there but unreadable (the
  // state then stays).
  bool ReadStateFileLocked();
  // The state file's lock (not held without a state file, or when it cannot
  // be taken: the error is kept for StateFileError).
  settings::FileLock LockStateFileLocked() const;
  frames::Frame AnswerLocked(const frames::Frame& request);

  mutable std::mutex mutex_;
  SimState state_;
  std::optional<std::pair<uint32_t, uint32_t>> acceptedIds_;
  bool refuseHandshake_ = false;
  std::array<uint8_t, 33> deviceInfo_{};
  int inputLength_ = 65;
  int outputLength_ = 65;
  bool openFails_ = false;
  uint16_t vendor_ = 0x2B53;
  uint16_t product_ = 0x0019;
  std::optional<std::filesystem::path> stateFile_;
  mutable std::string stateFileError_;
  bool recordRequests_ = true;
  std::vector<frames::Frame> requests_;
  std::chrono::microseconds latency_{0};
  bool silent_ = false;
  int dropReplies_ = 0;
  int dropAfter_ = 0;
  bool requestsLost_ = false;
  int corruptReplies_ = 0;
  int statusZeroReplies_ = 0;
  std::optional<std::pair<int, int>> wrongChunk_;
  int unplugAfter_ = -1;
  std::vector<uint8_t> firmware_;
  uint32_t firmwareChunks_ = 0;
  int handshakes_ = 0;
  std::vector<std::weak_ptr<SimLink>> links_;
};

// Simulated processors as HID interfaces; enumeration, open and hot-plug work
// as for real ones. Notifications are delivered on the thread that plugs or
// unplugs.
class SimHidBackend final : public hid::IHidBackend {
 public:
  SimHidBackend();
  ~SimHidBackend() override;

  // Plugs a processor in and announces its arrival; returns its path.
  std::string Plug(std::shared_ptr<SimProcessor> processor);
  // Unplugs it: open connections fail from now on; announces the removal.
  bool Unplug(const std::string& path);
  std::shared_ptr<SimProcessor> Processor(const std::string& path) const;

  std::vector<hid::HidDeviceInfo> Enumerate() override;
  hid::OpenResult Open(const std::string& path) override;
  std::unique_ptr<hid::HotplugSubscription> SubscribeHotplug(hid::IHotplugSink& sink) override;
  bool OwnsPath(const std::string& path) const override;

  struct Shared;  // shared with open channels and subscriptions

 private:
  std::shared_ptr<Shared> shared_;
};

}  // namespace brisvel::sim
