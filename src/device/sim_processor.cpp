// The simulated processor's command handling, its connections with per-report
// latency and fault injection, and the backend that plugs processors in.
#include "device/sim_processor.h"

#include "settings/file_safety.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <fstream>
#include <map>

#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace brisvel::sim {

using frames::Frame;
namespace cmd = frames::cmd;

// One open connection: the reports on their way to the host.
class SimLink {
 public:
  using Clock = std::chrono::steady_clock;

  void Push(const Frame& frame, Clock::time_point due) {
    {
      std::lock_guard lock(mutex_);
      if (dead_) return;
      queue_.emplace_back(due, frame);
    }
    cv_.notify_all();
  }

  hid::ReadStatus Read(std::span<uint8_t> buffer) {
    // Replies are due at frame times; the reading thread wakes on time, not up to 50 us late.
#ifdef __linux__
    static thread_local const bool precise = ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL) == 0;
    (void)precise;
#endif
    std::unique_lock lock(mutex_);
    for (;;) {
      if (released_) {
        released_ = false;
        return hid::ReadStatus::kReleased;
      }
      if (dead_) return hid::ReadStatus::kError;
      if (!queue_.empty()) {
        const auto due = queue_.front().first;
        if (Clock::now() >= due) {
          const Frame frame = queue_.front().second;
          queue_.pop_front();
          // Report identifier 0, then the 64-byte frame.
          std::fill(buffer.begin(), buffer.end(), 0);
          const size_t n = std::min(buffer.size() - 1, frame.size());
          std::memcpy(buffer.data() + 1, frame.data(), n);
          return hid::ReadStatus::kReport;
        }
        cv_.wait_until(lock, due);
      } else {
        cv_.wait(lock);
      }
    }
  }

  void Release() {
    {
      std::lock_guard lock(mutex_);
      released_ = true;
    }
    cv_.notify_all();
  }

  void Kill() {
    {
      std::lock_guard lock(mutex_);
      dead_ = true;
      queue_.clear();
    }
    cv_.notify_all();
  }

  bool Dead() const {
    std::lock_guard lock(mutex_);
    return dead_;
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<std::pair<Clock::time_point, Frame>> queue_;
  bool released_ = false;
  bool dead_ = false;
};

namespace {

constexpr char kStateMagic[8] = {'B', 'R', 'S', 'I', 'M', '0', '0', '1'};

Frame ReplyTo(const Frame& request, uint8_t status = frames::kStatusAccepted) {
  Frame reply{};
  reply[0] = frames::ReplyCode(request[0]);
  reply[1] = request[1];
  reply[2] = request[2];
  reply[3] = status;
  return reply;
}

uint32_t Le32(const Frame& f, size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(f[at + i]) << (8 * i);
  return v;
}

// A processor's device information: built 2024-05-17, small version numbers.
std::array<uint8_t, 33> DefaultDeviceInformation() {
  std::array<uint8_t, 33> info{};
  info[0] = 0x7E;  // year 2024 = 0x7E8: high digits
  info[1] = 0x85;  // last year digit, month 5
  info[2] = 17;    // day
  info[3] = 3;     // byte 7
  info[4] = 1;     // byte 8
  info[5] = 0;     // byte 9
  info[6] = 2;     // byte 10
  info[7] = 0x04;  // bytes 11-12
  info[8] = 0x01;
  info[31] = static_cast<uint8_t>(kBlockSize & 0xFF);  // bytes 35-36
  info[32] = static_cast<uint8_t>(kBlockSize >> 8);
  return info;
}

}  // namespace

SimProcessor::SimProcessor() {
  state_.active = FactoryBlock();
  for (auto& slot : state_.slots) slot = FactoryBlock();
  deviceInfo_ = DefaultDeviceInformation();
}

void SimProcessor::SetAcceptedIds(uint32_t id1, uint32_t id2) {
  std::lock_guard lock(mutex_);
  acceptedIds_ = std::make_pair(id1, id2);
}
void SimProcessor::SetRefuseHandshake(bool refuse) {
  std::lock_guard lock(mutex_);
  refuseHandshake_ = refuse;
}
void SimProcessor::SetDeviceInformation(const std::array<uint8_t, 33>& bytes) {
  std::lock_guard lock(mutex_);
  deviceInfo_ = bytes;
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
void SimProcessor::SetLatency(std::chrono::microseconds perReport) {
  std::lock_guard lock(mutex_);
  latency_ = perReport;
}
void SimProcessor::SetSilent(bool silent) {
  std::lock_guard lock(mutex_);
  silent_ = silent;
}
void SimProcessor::DropReplies(int count, int after) {
  std::lock_guard lock(mutex_);
  dropReplies_ = count;
  dropAfter_ = after;
}
void SimProcessor::SetRequestsLost(bool lost) {
  std::lock_guard lock(mutex_);
  requestsLost_ = lost;
}
void SimProcessor::CorruptReplies(int count) {
  std::lock_guard lock(mutex_);
  corruptReplies_ = count;
}
void SimProcessor::StatusZeroReplies(int count) {
  std::lock_guard lock(mutex_);
  statusZeroReplies_ = count;
}
void SimProcessor::WrongChunkIndex(int chunk, int reported) {
  std::lock_guard lock(mutex_);
  wrongChunk_ = std::make_pair(chunk, reported);
}
void SimProcessor::UnplugAfterRequests(int count) {
  std::lock_guard lock(mutex_);
  unplugAfter_ = count;
}

namespace {

constexpr size_t kStateSize = sizeof kStateMagic + kBlockSize * (1 + kSlotCount) + 2;

// Requests that change what the processor keeps.
bool ChangesState(const Frame& request) {
  switch (request[0]) {
    case cmd::kRecallMode:
    case cmd::kWriteChunk:
    case cmd::kWriteParams:
    case cmd::kSaveMode: return true;
    case cmd::kInputMode: return request[4] != 0;
    default: return false;
  }
}

}  // namespace

std::string StateFileBytes(const SimState& state) {
  std::string bytes(kStateMagic, sizeof kStateMagic);
  bytes.append(reinterpret_cast<const char*>(state.active.data()), kBlockSize);
  for (const auto& slot : state.slots) bytes.append(reinterpret_cast<const char*>(slot.data()), kBlockSize);
  bytes.push_back(static_cast<char>(state.currentMode));
  bytes.push_back(static_cast<char>(state.inputMode));
  return bytes;
}

std::optional<SimState> ParseStateFile(std::string_view bytes) {
  if (bytes.size() != kStateSize || std::memcmp(bytes.data(), kStateMagic, sizeof kStateMagic) != 0) return std::nullopt;
  const char* in = bytes.data() + sizeof kStateMagic;
  SimState state;
  std::memcpy(state.active.data(), in, kBlockSize);
  in += kBlockSize;
  for (auto& slot : state.slots) {
    std::memcpy(slot.data(), in, kBlockSize);
    in += kBlockSize;
  }
  const auto modes = reinterpret_cast<const uint8_t*>(in);
  if (modes[0] >= kSlotCount || modes[1] > 1) return std::nullopt;
  state.currentMode = modes[0];
  state.inputMode = modes[1];
  return state;
}

bool SimProcessor::SetStateFile(const std::filesystem::path& file) {
  std::lock_guard lock(mutex_);
  stateFile_ = file;
  stateFileError_.clear();
  return ReadStateFileLocked();
}

bool SimProcessor::ReadStateFileLocked() {
  // Read every time (a few kilobytes): a stamp of size and time could miss a
  // replacement that reused the inode within one clock tick.
  // Only a regular file of the right size is read: never a FIFO or a device.
  const settings::FileContent content = settings::ReadRegularFile(*stateFile_, kStateSize);
  if (content.status == settings::ReadStatus::kMissing) return true;  // a fresh processor; the file appears with the first change
  // Unreadable: the state stays; the next change rewrites the file.
  if (content.status != settings::ReadStatus::kOk) return false;
  const std::optional<SimState> read = ParseStateFile(content.data);
  if (read) state_ = *read;
  return read.has_value();
}

settings::FileLock SimProcessor::LockStateFileLocked() const {
  settings::FileLock fileLock;
  if (!stateFile_) return fileLock;
  std::error_code ec;
  std::filesystem::create_directories(stateFile_->parent_path(), ec);
  std::string why;
  if (!fileLock.Acquire(*stateFile_, &why)) stateFileError_ = why;
  return fileLock;
}

std::string SimProcessor::StateFileError() const {
  std::lock_guard lock(mutex_);
  return stateFileError_;
}

void SimProcessor::SaveLocked() const {
  if (!stateFile_) return;
  std::error_code ec;
  std::filesystem::create_directories(stateFile_->parent_path(), ec);
  if (!settings::WriteFileAtomically(*stateFile_, StateFileBytes(state_), &stateFileError_)) return;
  stateFileError_.clear();
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
    latency = latency_;
    for (const auto& weak : links_) {
      if (auto link = weak.lock()) links.push_back(link);
    }
  }
  for (const auto& link : links) link->Push(frame, SimLink::Clock::now() + latency);
}

SimState SimProcessor::State() const {
  std::lock_guard lock(mutex_);
  return state_;
}
void SimProcessor::SetState(const SimState& state) {
  std::lock_guard lock(mutex_);
  const settings::FileLock fileLock = LockStateFileLocked();
  state_ = state;
  SaveLocked();
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
  return firmware_;
}
int SimProcessor::HandshakeCount() const {
  std::lock_guard lock(mutex_);
  return handshakes_;
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
  return latency_;
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
    for (const auto& weak : links_) {
      if (auto link = weak.lock()) links.push_back(link);
    }
    links_.clear();
  }
  for (const auto& link : links) link->Kill();
}

SimProcessor::Answer SimProcessor::Receive(const Frame& request) {
  std::lock_guard lock(mutex_);
  if (recordRequests_) requests_.push_back(request);
  Answer answer;
  if (unplugAfter_ >= 0) {
    if (unplugAfter_ == 0) {
      unplugAfter_ = -1;
      answer.unplug = true;
      return answer;
    }
    --unplugAfter_;
  }
  if (requestsLost_) return answer;
  Frame reply;
  if (frames::FrameChecksum(request) != request[frames::kChecksumByte]) {
    reply = ReplyTo(request, kStatusBadChecksum);
  } else {
    // With a state file, the processor is what the file holds: another run
    // may have changed it. A change is made under the file's lock to the
    // state read again, so parallel runs never lose each other's changes.
    settings::FileLock fileLock;
    if (stateFile_) {
      if (ChangesState(request)) fileLock = LockStateFileLocked();
      ReadStateFileLocked();
    }
    reply = AnswerLocked(request);
  }
  if (silent_) return answer;
  if (dropReplies_ > 0) {
    if (dropAfter_ > 0) {
      --dropAfter_;
    } else {
      --dropReplies_;
      return answer;
    }
  }
  if (statusZeroReplies_ > 0) {
    --statusZeroReplies_;
    reply[3] = 0;
  }
  frames::SealFrame(reply);
  if (corruptReplies_ > 0) {
    --corruptReplies_;
    reply[frames::kChecksumByte] ^= 0x5A;
  }
  answer.reply = reply;
  return answer;
}

Frame SimProcessor::AnswerLocked(const Frame& request) {
  switch (request[0]) {
    case cmd::kLinkKey: return ReplyTo(request);
    case cmd::kHandshake: {
      ++handshakes_;
      Frame reply = ReplyTo(request);
      const bool idsMatch = !acceptedIds_ || (acceptedIds_->first == Le32(request, 5) &&
                                              acceptedIds_->second == Le32(request, 9));
      reply[4] = (request[4] == 1 && idsMatch && !refuseHandshake_) ? 1 : 0;
      return reply;
    }
    case cmd::kDeviceInfo: {
      Frame reply = ReplyTo(request);
      std::memcpy(reply.data() + 4, deviceInfo_.data(), deviceInfo_.size());
      return reply;
    }
    case cmd::kFirmwareStart: {
      firmwareChunks_ = (static_cast<uint32_t>(request[6]) << 8) | request[7];
      const uint32_t size = (static_cast<uint32_t>(request[8]) << 16) | (request[9] << 8) | request[10];
      if (size == 0 || size > frames::kFirmwareMaxSize || frames::FirmwareChunkCount(size) != firmwareChunks_) {
        firmwareChunks_ = 0;
        return ReplyTo(request, kStatusBadArgument);
      }
      firmware_.assign(size, 0);
      return ReplyTo(request);
    }
    case cmd::kFirmwareChunk: {
      const uint32_t index = (static_cast<uint32_t>(request[1]) << 8) | request[2];
      if (index >= firmwareChunks_) return ReplyTo(request, kStatusBadArgument);
      const size_t offset = index * frames::kFirmwareChunkSize;
      const size_t n = std::min<size_t>(frames::kFirmwareChunkSize, firmware_.size() - offset);
      std::memcpy(firmware_.data() + offset, request.data() + 4, n);
      return ReplyTo(request);
    }
    case cmd::kRecallMode: {
      const int mode = request[4];
      if (mode < 1 || mode > kSlotCount) return ReplyTo(request, kStatusBadArgument);
      state_.currentMode = mode - 1;
      state_.active = state_.slots[static_cast<size_t>(mode - 1)];
      SaveLocked();
      return ReplyTo(request);
    }
    case cmd::kCurrentMode: {
      Frame reply = ReplyTo(request);
      reply[4] = static_cast<uint8_t>(state_.currentMode + 1);
      reply[5] = static_cast<uint8_t>(kBlockSize & 0xFF);
      reply[6] = static_cast<uint8_t>(kBlockSize >> 8);
      return reply;
    }
    case cmd::kReadChunk: {
      const int chunk = request[2];
      if (chunk >= frames::kBlockChunks) return ReplyTo(request, kStatusBadArgument);
      Frame reply = ReplyTo(request);
      std::memcpy(reply.data() + 4, state_.active.data() + frames::ChunkOffset(chunk), frames::ChunkLength(chunk));
      if (wrongChunk_ && wrongChunk_->first == chunk) {
        reply[2] = static_cast<uint8_t>(wrongChunk_->second);
        wrongChunk_.reset();
      }
      return reply;
    }
    case cmd::kWriteChunk: {
      const int chunk = request[2];
      if (chunk >= frames::kBlockChunks) return ReplyTo(request, kStatusBadArgument);
      std::memcpy(state_.active.data() + frames::ChunkOffset(chunk), request.data() + 4, frames::ChunkLength(chunk));
      SaveLocked();
      return ReplyTo(request);
    }
    case cmd::kWriteParams: {
      const auto items = frames::ParseParamItems(request);
      if (items.empty() || request[4] > frames::kItemsPerFrame) return ReplyTo(request, kStatusBadArgument);
      for (const auto& item : items) {
        if (item.size < 1 || item.size > 2 || item.offset + item.size > kBlockSize) {
          return ReplyTo(request, kStatusBadArgument);
        }
      }
      for (const auto& item : items) {
        state_.active[item.offset] = static_cast<uint8_t>(item.value);
        if (item.size == 2) state_.active[item.offset + 1u] = static_cast<uint8_t>(item.value >> 8);
      }
      SaveLocked();
      return ReplyTo(request);
    }
    case cmd::kSaveMode: {
      const int mode = request[4];
      if (mode < 1 || mode > kUserSlotCount) return ReplyTo(request, kStatusBadArgument);
      state_.slots[static_cast<size_t>(mode - 1)] = state_.active;
      SaveLocked();
      return ReplyTo(request);
    }
    case cmd::kInputMode: {
      if (request[4] == 0) {
        Frame reply = ReplyTo(request);
        reply[5] = static_cast<uint8_t>(state_.inputMode);
        return reply;
      }
      if (request[4] == 1 && request[5] <= 1) {
        state_.inputMode = request[5];
        SaveLocked();
        return ReplyTo(request);
      }
      return ReplyTo(request, kStatusBadArgument);
    }
    default: return ReplyTo(request, kStatusUnknownCommand);
  }
}

// --- The backend

namespace {

class SimChannel final : public hid::IHidChannel {
 public:
  SimChannel(std::shared_ptr<SimProcessor> processor, std::shared_ptr<SimLink> link, std::function<void()> unplug)
      : processor_(std::move(processor)), link_(std::move(link)), unplug_(std::move(unplug)),
        input_(processor_->InputReportLength()), output_(processor_->OutputReportLength()) {}
  ~SimChannel() override { link_->Kill(); }

  int InputReportLength() const override { return input_; }
  int OutputReportLength() const override { return output_; }

  bool WriteReport(std::span<const uint8_t> report, int* error) override {
    if (link_->Dead() || report.size() < 2) {
      if (error) *error = ENODEV;
      return false;
    }
    Frame request{};
    std::memcpy(request.data(), report.data() + 1, std::min(report.size() - 1, request.size()));
    const auto sent = SimLink::Clock::now();
    SimProcessor::Answer answer = processor_->Receive(request);
    if (answer.unplug) {
      unplug_();
      return true;  // the report left; the processor vanished before answering
    }
    if (answer.reply) {
      // One frame time out, one frame time back.
      link_->Push(*answer.reply, sent + 2 * processor_->Latency());
    }
    return true;
  }

  hid::ReadStatus ReadReport(std::span<uint8_t> buffer) override { return link_->Read(buffer); }
  void ReleaseRead() override { link_->Release(); }

 private:
  std::shared_ptr<SimProcessor> processor_;
  std::shared_ptr<SimLink> link_;
  std::function<void()> unplug_;
  int input_;
  int output_;
};

}  // namespace

struct SimHidBackend::Shared {
  std::mutex mutex;
  std::map<int, std::shared_ptr<SimProcessor>> plugged;  // by number in "sim:N"
  std::recursive_mutex deliveryMutex;                    // held while notifying; sinks may plug or unplug
  std::map<int, hid::IHotplugSink*> sinks;
  int nextSinkId = 0;

  void Notify(hid::HotplugAction action, const hid::HidDeviceInfo& info) {
    std::lock_guard delivery(deliveryMutex);
    std::vector<hid::IHotplugSink*> targets;
    {
      std::lock_guard lock(mutex);
      for (const auto& [id, sink] : sinks) targets.push_back(sink);
    }
    for (hid::IHotplugSink* sink : targets) sink->OnHidDeviceChange(action, info);
  }

  bool Unplug(const std::string& path);
};

namespace {

std::optional<int> SimNumber(const std::string& path) {
  if (path.rfind("sim:", 0) != 0 || path.size() == 4 || path.size() > 12) return std::nullopt;
  int n = 0;
  for (size_t i = 4; i < path.size(); ++i) {
    if (path[i] < '0' || path[i] > '9') return std::nullopt;
    n = n * 10 + (path[i] - '0');
  }
  return n;
}

std::string SimPath(int n) { return "sim:" + std::to_string(n); }

class SimSubscription final : public hid::HotplugSubscription {
 public:
  SimSubscription(std::shared_ptr<SimHidBackend::Shared> shared, int id) : shared_(std::move(shared)), id_(id) {}
  ~SimSubscription() override {
    std::lock_guard delivery(shared_->deliveryMutex);
    std::lock_guard lock(shared_->mutex);
    shared_->sinks.erase(id_);
  }

 private:
  std::shared_ptr<SimHidBackend::Shared> shared_;
  int id_;
};

}  // namespace

bool SimHidBackend::Shared::Unplug(const std::string& path) {
  const auto n = SimNumber(path);
  if (!n) return false;
  std::shared_ptr<SimProcessor> processor;
  {
    std::lock_guard lock(mutex);
    auto it = plugged.find(*n);
    if (it == plugged.end()) return false;
    processor = it->second;
    plugged.erase(it);
  }
  processor->KillLinks();
  Notify(hid::HotplugAction::kRemoval, hid::HidDeviceInfo{path, processor->Vendor(), processor->Product()});
  return true;
}

SimHidBackend::SimHidBackend() : shared_(std::make_shared<Shared>()) {}

SimHidBackend::~SimHidBackend() {
  std::vector<std::shared_ptr<SimProcessor>> processors;
  {
    std::lock_guard lock(shared_->mutex);
    for (const auto& [n, p] : shared_->plugged) processors.push_back(p);
  }
  for (const auto& p : processors) p->KillLinks();
}

std::string SimHidBackend::Plug(std::shared_ptr<SimProcessor> processor) {
  int n = 0;
  {
    std::lock_guard lock(shared_->mutex);
    while (shared_->plugged.count(n)) ++n;
    shared_->plugged[n] = processor;
  }
  const std::string path = SimPath(n);
  shared_->Notify(hid::HotplugAction::kArrival, hid::HidDeviceInfo{path, processor->Vendor(), processor->Product()});
  return path;
}

bool SimHidBackend::Unplug(const std::string& path) { return shared_->Unplug(path); }

std::shared_ptr<SimProcessor> SimHidBackend::Processor(const std::string& path) const {
  const auto n = SimNumber(path);
  if (!n) return nullptr;
  std::lock_guard lock(shared_->mutex);
  auto it = shared_->plugged.find(*n);
  return it == shared_->plugged.end() ? nullptr : it->second;
}

std::vector<hid::HidDeviceInfo> SimHidBackend::Enumerate() {
  std::vector<std::pair<int, std::shared_ptr<SimProcessor>>> plugged;
  {
    std::lock_guard lock(shared_->mutex);
    plugged.assign(shared_->plugged.begin(), shared_->plugged.end());
  }
  std::vector<hid::HidDeviceInfo> list;
  for (const auto& [n, p] : plugged) list.push_back(hid::HidDeviceInfo{SimPath(n), p->Vendor(), p->Product()});
  return list;
}

hid::OpenResult SimHidBackend::Open(const std::string& path) {
  hid::OpenResult result;
  auto processor = Processor(path);
  if (!processor || processor->OpenFails()) {
    result.error = hid::OpenError::kProbeFailed;
    result.systemError = ENOENT;
    return result;
  }
  auto link = std::make_shared<SimLink>();
  processor->AddLink(link);
  std::weak_ptr<Shared> weakShared = shared_;
  // Unplugging from inside a write goes through the backend, so it is announced like any removal.
  auto unplug = [weakShared, path] {
    if (auto shared = weakShared.lock()) shared->Unplug(path);
  };
  result.channel = std::make_unique<SimChannel>(processor, link, unplug);
  return result;
}

std::unique_ptr<hid::HotplugSubscription> SimHidBackend::SubscribeHotplug(hid::IHotplugSink& sink) {
  std::lock_guard lock(shared_->mutex);
  const int id = shared_->nextSinkId++;
  shared_->sinks[id] = &sink;
  return std::make_unique<SimSubscription>(shared_, id);
}

bool SimHidBackend::OwnsPath(const std::string& path) const { return path.rfind("sim:", 0) == 0; }

}  // namespace brisvel::sim
