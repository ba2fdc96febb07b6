// The simulated processor: a stand-in for the hardware that answers the
// command set the way a processor does (active block, eight user slots plus
// the factory slot, current mode, input mode, handshake, device information,
// firmware reception). It is made of its links (sim_link.h: the reports on
// their way and their timing), its state file (sim_state_file.h), its faults
// (sim_faults.h) and its command interpreter (sim_interpreter.h); this class
// puts them together under one lock. SimHidBackend (sim_backend.h) plugs any
// number of them in as HID interfaces.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device/frames.h"
#include "device/sim_faults.h"
#include "device/sim_interpreter.h"
#include "device/sim_state_file.h"

namespace brisvel::sim {

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
  void SetFaults(const SimFaults& faults);  // all at once, as a fault file gives them
  SimFaults Faults() const;
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
  std::vector<std::shared_ptr<SimLink>> LiveLinksLocked() const;

  mutable std::mutex mutex_;
  SimInterpreter interpreter_;
  SimFaults faults_;
  SimStateFile stateFile_;
  int inputLength_ = 65;
  int outputLength_ = 65;
  bool openFails_ = false;
  uint16_t vendor_ = 0x2B53;
  uint16_t product_ = 0x0019;
  bool recordRequests_ = true;
  std::vector<frames::Frame> requests_;
  std::vector<std::weak_ptr<SimLink>> links_;
};

// The simulated processor's state file and fault file inside the data folder.
inline constexpr char kSimStateFileName[] = "simulated-processor.bin";
inline constexpr char kSimFaultsFileName[] = "simulated-faults.txt";

// A simulated processor that keeps its state in `folder` (the state file
// brisvelctl --sim and the console's simulation share) and takes the faults
// of the folder's fault file when there is one. What could not be used is
// told in problems, one sentence each; the processor works regardless.
std::shared_ptr<SimProcessor> FolderProcessor(const std::filesystem::path& folder, std::vector<std::string>& problems);

}  // namespace brisvel::sim
