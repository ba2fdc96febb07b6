// The simulated processor: its parts put together under one lock.
#include "device/sim_processor.h"

#include <algorithm>
#include <cstring>

#include "device/sim_link.h"

namespace brisvel::sim {

using frames::Frame;

SimProcessor::SimProcessor() = default;

void SimProcessor::SetAcceptedIds(uint32_t id1, uint32_t id2) {
  std::lock_guard lock(mutex_);
  interpreter_.acceptedIds = std::make_pair(id1, id2);
}
void SimProcessor::SetRefuseHandshake(bool refuse) {
  std::lock_guard lock(mutex_);
  interpreter_.refuseHandshake = refuse;
}
void SimProcessor::SetDeviceInformation(const std::array<uint8_t, 33>& bytes) {
  std::lock_guard lock(mutex_);
  interpreter_.deviceInfo = bytes;
}
void SimProcessor::SetReportLengths(int input, int output) {
  std::lock_guard lock(mutex_);
  inputLength_ = input;
  outputLength_ = output;
}
void SimProcessor::SetOpenFails(bool fails) {
  std::lock_guard lock(mutex_);
  openFails_ = fails;
}
void SimProcessor::SetIds(uint16_t vendor, uint16_t product) {
  std::lock_guard lock(mutex_);
  vendor_ = vendor;
  product_ = product;
}
void SimProcessor::SetRecordRequests(bool record) {
  std::lock_guard lock(mutex_);
  recordRequests_ = record;
}

bool SimProcessor::SetStateFile(const std::filesystem::path& file) {
  std::lock_guard lock(mutex_);
  stateFile_.SetPath(file);
  return stateFile_.Read(interpreter_.state);
}
std::string SimProcessor::StateFileError() const {
  std::lock_guard lock(mutex_);
  return stateFile_.Error();
}

void SimProcessor::SetFaults(const SimFaults& faults) {
  std::lock_guard lock(mutex_);
  faults_ = faults;
}
SimFaults SimProcessor::Faults() const {
  std::lock_guard lock(mutex_);
  return faults_;
}
void SimProcessor::SetLatency(std::chrono::microseconds perReport) {
  std::lock_guard lock(mutex_);
  faults_.latency = perReport;
}
void SimProcessor::SetSilent(bool silent) {
  std::lock_guard lock(mutex_);
  faults_.silent = silent;
}
void SimProcessor::DropReplies(int count, int after) {
  std::lock_guard lock(mutex_);
  faults_.dropReplies = count;
  faults_.dropAfter = after;
}
void SimProcessor::SetRequestsLost(bool lost) {
  std::lock_guard lock(mutex_);
  faults_.requestsLost = lost;
}
void SimProcessor::CorruptReplies(int count) {
  std::lock_guard lock(mutex_);
  faults_.corruptReplies = count;
}
void SimProcessor::StatusZeroReplies(int count) {
  std::lock_guard lock(mutex_);
  faults_.statusZeroReplies = count;
}
void SimProcessor::WrongChunkIndex(int chunk, int reported) {
  std::lock_guard lock(mutex_);
  faults_.wrongChunk = std::make_pair(chunk, reported);
}
void SimProcessor::UnplugAfterRequests(int count) {
  std::lock_guard lock(mutex_);
  faults_.unplugAfter = count;
}

std::vector<std::shared_ptr<SimLink>> SimProcessor::LiveLinksLocked() const {
  std::vector<std::shared_ptr<SimLink>> links;
  for (const auto& weak : links_) {
    if (auto link = weak.lock()) links.push_back(link);
  }
  return links;
}

void SimProcessor::SendUnsolicited(uint8_t command, std::span<const uint8_t> data) {
  Frame frame{};
  frame[0] = command;
  frame[3] = frames::kStatusAccepted;
  if (!data.empty()) {
    std::memcpy(frame.data() + frames::kDataOffset, data.data(), std::min(data.size(), frames::kDataSize));
  }
  frames::SealFrame(frame);
  std::vector<std::shared_ptr<SimLink>> links;
  std::chrono::microseconds latency;
  {
    std::lock_guard lock(mutex_);
    latency = faults_.latency;
    links = LiveLinksLocked();
  }
  for (const auto& link : links) link->Push(frame, SimLink::Clock::now() + latency);
}

SimState SimProcessor::State() const {
  std::lock_guard lock(mutex_);
  return interpreter_.state;
}
void SimProcessor::SetState(const SimState& state) {
  std::lock_guard lock(mutex_);
  const settings::FileLock fileLock = stateFile_.Lock();
  interpreter_.state = state;
  stateFile_.Save(interpreter_.state);
}
std::vector<Frame> SimProcessor::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}
void SimProcessor::ClearRequests() {
  std::lock_guard lock(mutex_);
  requests_.clear();
}
std::vector<uint8_t> SimProcessor::FirmwareImage() const {
  std::lock_guard lock(mutex_);
  return interpreter_.firmware;
}
int SimProcessor::HandshakeCount() const {
  std::lock_guard lock(mutex_);
  return interpreter_.handshakes;
}
uint16_t SimProcessor::Vendor() const {
  std::lock_guard lock(mutex_);
  return vendor_;
}
uint16_t SimProcessor::Product() const {
  std::lock_guard lock(mutex_);
  return product_;
}
std::chrono::microseconds SimProcessor::Latency() const {
  std::lock_guard lock(mutex_);
  return faults_.latency;
}
int SimProcessor::InputReportLength() const {
  std::lock_guard lock(mutex_);
  return inputLength_;
}
int SimProcessor::OutputReportLength() const {
  std::lock_guard lock(mutex_);
  return outputLength_;
}
bool SimProcessor::OpenFails() const {
  std::lock_guard lock(mutex_);
  return openFails_;
}
void SimProcessor::AddLink(const std::shared_ptr<SimLink>& link) {
  std::lock_guard lock(mutex_);
  std::erase_if(links_, [](const std::weak_ptr<SimLink>& w) { return w.expired(); });
  links_.push_back(link);
}
void SimProcessor::KillLinks() {
  std::vector<std::shared_ptr<SimLink>> links;
  {
    std::lock_guard lock(mutex_);
    links = LiveLinksLocked();
    links_.clear();
  }
  for (const auto& link : links) link->Kill();
}

SimProcessor::Answer SimProcessor::Receive(const Frame& request) {
  std::lock_guard lock(mutex_);
  if (recordRequests_) requests_.push_back(request);
  Answer answer;
  if (faults_.UnplugsNow()) {
    answer.unplug = true;
    return answer;
  }
  if (faults_.requestsLost) return answer;
  Frame reply;
  if (frames::FrameChecksum(request) != request[frames::kChecksumByte]) {
    reply = ReplyTo(request, kStatusBadChecksum);
  } else {
    // With a state file, the processor is what the file holds: another run
    // may have changed it. A change is made under the file's lock to the
    // state read again, so parallel runs never lose each other's changes.
    settings::FileLock fileLock;
    if (stateFile_.HasPath()) {
      if (ChangesState(request)) fileLock = stateFile_.Lock();
      stateFile_.Read(interpreter_.state);
    }
    const SimInterpreter::Result result = interpreter_.Answer(request, faults_);
    if (result.changed) stateFile_.Save(interpreter_.state);
    reply = result.reply;
  }
  answer.reply = faults_.Deliver(reply);
  return answer;
}

std::shared_ptr<SimProcessor> FolderProcessor(const std::filesystem::path& folder, std::vector<std::string>& problems) {
  auto processor = std::make_shared<SimProcessor>();
  const std::filesystem::path state = folder / kSimStateFileName;
  if (!processor->SetStateFile(state)) {
    problems.push_back(state.string() + " is unreadable; the simulated processor starts from the factory state");
  }
  const std::filesystem::path faultFile = folder / kSimFaultsFileName;
  std::string why;
  if (const std::optional<SimFaults> faults = ReadFaultFile(faultFile, &why)) {
    processor->SetFaults(*faults);
  } else {
    problems.push_back(faultFile.string() + " is not used: " + why);
  }
  return processor;
}

}  // namespace brisvel::sim
