// brisvelctl's device commands: list, info, read, write, get, set, recall,
// save, input-mode, firmware and monitor, on a processor chosen with --path,
// on the simulated processor (--sim, its state kept in the data folder), or
// on the first processor found. A failure names the step that failed.
#include <CLI/CLI.hpp>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <mutex>
#include <thread>

#include "cli/cli_common.h"
#include "cli/cli_platform.h"
#include "core/debug_output.h"
#include "device/device_manager.h"
#include "device/device_session.h"
#include "device/sim_backend.h"
#include "device/store_commands.h"
#include "editing/presets.h"
#include "editing/recall.h"
#include "hid/hid_log.h"
#include "hid/system_backend.h"
#include "settings/cae_data.h"
#include "settings/data_folder.h"

namespace brisvel::cli {
namespace {

namespace fs = std::filesystem;

struct DeviceOptions {
  bool sim = false;
  std::string path;
  std::string readOutput;
  std::string writeInput;
  std::string firmwareInput;
  int slot = 0;
  int inputs = 0;
};

DeviceOptions& Options() {
  static DeviceOptions options;
  return options;
}

// Passes the link's log records on to the debugger output (shown with -v).
// What failed is read from the device manager's typed results, never from
// the log.
class LogForwarder {
 public:
  LogForwarder() {
    SetErrorLogSink([](const LogRecord& record) { DebugOutput("%s\n", record.text.c_str()); });
  }
  ~LogForwarder() { SetErrorLogSink(nullptr); }
  LogForwarder(const LogForwarder&) = delete;
  LogForwarder& operator=(const LogForwarder&) = delete;
};

// One processor session: backend, store and device manager.
class Session {
 public:
  Session() : cae_(LoadInstallerData()) {
    const DeviceOptions& o = Options();
    if (o.sim || o.path.rfind("sim:", 0) == 0) {
      std::vector<std::string> problems;
      auto processor = sim::FolderProcessor(settings::DataFolderPath(), problems);
      for (const std::string& problem : problems) std::fprintf(stderr, "brisvelctl: %s\n", problem.c_str());
      processor->SetAcceptedIds(static_cast<uint32_t>(cae_.id1), static_cast<uint32_t>(cae_.id2));
      simulated_.Plug(processor);
      simProcessor_ = processor;
      backend_ = &simulated_;
    } else {
      backend_ = &system_;
    }
    manager_ = std::make_unique<CDeviceManager>(*backend_, store_);
    store_.SetDeviceLink(manager_.get());
    manager_->SetHandshakeIds(static_cast<uint32_t>(cae_.id1), static_cast<uint32_t>(cae_.id2));
    if (!manager_->StartRecvThread()) throw CliError("cannot start the receive thread");
  }
  ~Session() {
    manager_->DisconnectDevice();
    manager_.reset();
  }

  hid::IHidBackend& Backend() { return *backend_; }
  CDeviceManager& Manager() { return *manager_; }
  CEffectStore& Store() { return store_; }
  // "WHAT failed", with what the link's last failed request came to:
  // "reading the parameter block failed: timeout on read block chunk (0x96), frame 3".
  std::string Failed(const std::string& what) const {
    const std::string why = DescribeFailure(manager_->LastFailure());
    return what + " failed" + (why.empty() ? "" : ": " + why);
  }
  // Forgets earlier failures before an operation whose failure is told.
  void Begin() { manager_->ClearLastFailure(); }
  const settings::CaeData& Cae() const { return cae_; }
  // The simulated processor, null for a real one.
  sim::SimProcessor* Simulated() const { return simProcessor_.get(); }

  // A change the simulated processor could not keep in its state file is a
  // failed command: the next call would not see it.
  void CheckStateSaved() const {
    if (!simProcessor_) return;
    const std::string error = simProcessor_->StateFileError();
    if (!error.empty()) throw CliError("the simulated processor's state could not be saved: " + error);
  }

  // Connects and makes sure the handshake passed; with needBlock also that the
  // processor's block was read. Throws with the failed step.
  void Connect(bool needBlock) {
    const DeviceOptions& o = Options();
    Begin();
    const SessionOpenResult outcome = OpenDeviceSession(*manager_, o.sim ? std::string() : o.path);
    const std::string& path = outcome.path;
    switch (outcome.step) {
      case ConnectStep::kConnected: break;
      case ConnectStep::kNoProcessor: throw CliError("no processor found");
      case ConnectStep::kOpenFailed:
        throw CliError("cannot open " + path + " (is it a processor, and may this user open it? see the udev rules)");
      case ConnectStep::kLinkKeyFailed:
        throw CliError("connecting to " + path + " failed: no reply to the link key (0x0E)");
      default: throw CliError("connecting to " + path + " failed");
    }
    if (outcome.handshake != kHandshakeAccepted) {
      if (outcome.handshake == kHandshakeRefused) throw CliError("handshake refused by the processor (code 4)");
      throw CliError(FormatString("handshake failed (code %d): no valid reply to the handshake (0x90)",
                                  outcome.handshake));
    }
    if (needBlock && !outcome.blockRead) throw CliError(Failed("reading the parameter block"));
  }

 private:
  settings::CaeData cae_;
  LogForwarder log_;
  sim::SimHidBackend simulated_;
  hid::SystemHidBackend system_;
  hid::IHidBackend* backend_ = nullptr;
  CEffectStore store_;
  std::unique_ptr<CDeviceManager> manager_;
  std::shared_ptr<sim::SimProcessor> simProcessor_;
};

std::string ModeText(int slot) {
  if (slot < 0) return "unknown";
  if (slot < sim::kUserSlotCount) return FormatString("%d (%c)", slot + 1, 'A' + slot);
  return FormatString("%d", slot + 1);
}

void CmdList() {
  Session session;
  int found = 0;
  for (const auto& device : session.Backend().Enumerate()) {
    if (device.vendor != CDeviceManager::kVendor || device.product != CDeviceManager::kProduct) continue;
    std::printf("%s %04x:%04x\n", Printable(device.path).c_str(), device.vendor, device.product);
    ++found;
  }
  if (found == 0) std::printf("no processor found\n");
}

void CmdInfo() {
  Session session;
  session.Connect(false);
  CEffectStore& store = session.Store();
  CDeviceManager& manager = session.Manager();
  std::printf("path: %s\n", Printable(manager.GetCurrentPath().value_or("")).c_str());
  std::printf("handshake: accepted (0)\n");
  std::printf("current mode: %s\n", ModeText(store.CurrentDeviceMode()).c_str());
  std::printf("input mode: %s\n", store.InputMode() == 0 ? "2 inputs" : store.InputMode() == 1 ? "4 inputs" : "unknown");
  if (!manager.DeviceCommand(CProtocolDev::kCommandDeviceInfo, nullptr, 0)) {
    throw CliError(session.Failed("device information"));
  }
  uint16_t date[3] = {};
  manager.GetDeviceInfo(5, date, sizeof date);
  std::printf("date: %04u-%02u-%02u\n", date[0], date[1], date[2]);
  for (int item : {2, 3, 4, 6}) {
    uint8_t value = 0;
    manager.GetDeviceInfo(item, &value, 1);
    std::printf("item %d: %u\n", item, value);
  }
  for (int item : {7, 8}) {
    uint16_t value = 0;
    manager.GetDeviceInfo(item, &value, 2);
    std::printf("item %d: %u\n", item, value);
  }
  uint32_t values[5] = {};
  manager.GetDeviceInfo(9, values, sizeof values);
  std::printf("item 9: %u %u %u %u %u\n", values[0], values[1], values[2], values[3], values[4]);
}

void CmdRead() {
  Session session;
  session.Connect(true);
  WriteBlockFile(Options().readOutput, session.Store().Block());
}

void CmdWrite() {
  const EffectBlock block = ReadBlockFile(Options().writeInput);
  Session session;
  session.Connect(false);
  session.Begin();
  if (!WriteAllParam(session.Store(), session.Manager(), block)) {
    throw CliError(session.Failed("writing the parameter block"));
  }
  session.CheckStateSaved();
}

void CmdRecall() {
  const int mode = Options().slot;
  if (mode < 1 || mode > 11) throw CliError("recall takes a device mode 1 to 11 (1 to 8 are A to H)");
  Session session;
  session.Connect(false);
  session.Begin();
  editing::DeviceEditLink link(session.Store(), session.Manager());
  const editing::RecallOutcome outcome = editing::RecallDeviceModeFlow(
      session.Store(), link, mode - 1, [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); });
  if (outcome.status != editing::RecallStatus::kRecalled) {
    throw CliError(session.Failed("recalling the device mode"));
  }
  if (mode - 1 <= editing::kLastReadSlot && !outcome.blockRead) {
    throw CliError(session.Failed("reading the recalled block"));
  }
  session.CheckStateSaved();
  std::printf("current mode: %s\n", ModeText(session.Store().CurrentDeviceMode()).c_str());
}

void CmdSave() {
  const int mode = Options().slot;
  if (mode < 1 || mode > 8) throw CliError("save takes a device mode 1 to 8 (A to H)");
  Session session;
  session.Connect(false);
  session.Begin();
  if (!SaveDeviceMode(session.Store(), session.Manager(), mode - 1)) {
    throw CliError(session.Failed("saving the device mode"));
  }
  session.CheckStateSaved();
}

void CmdInputMode() {
  const int inputs = Options().inputs;
  if (inputs != 2 && inputs != 4) throw CliError("input-mode takes 2 or 4");
  Session session;
  session.Connect(false);
  session.Begin();
  if (!SetInputMode(session.Store(), session.Manager(), inputs == 2 ? 0 : 1)) {
    throw CliError(session.Failed("setting the input mode"));
  }
  session.CheckStateSaved();
}

void CmdFirmware() {
  const fs::path file = Options().firmwareInput;
  const std::string bytes = ReadInputFile(file, frames::kFirmwareMaxSize);
  if (bytes.empty()) throw CliError(file.string() + ": 0 bytes, a firmware image has 1 to 65536");
  const std::vector<uint8_t> image(bytes.begin(), bytes.end());
  Session session;
  session.Connect(false);
  session.Begin();
  if (!session.Manager().DeviceCommand(CProtocolDev::kCommandFirmware, image.data(), static_cast<int>(image.size()))) {
    throw CliError(session.Failed("the firmware transfer"));
  }
  std::printf("sent %zu bytes in %u chunks\n", image.size(), frames::FirmwareChunkCount(static_cast<uint32_t>(image.size())));
}

// Events for the monitor, handed from backend and receive threads to the main thread.
class MonitorQueue final : public hid::IHotplugSink, public IDeviceNotificationSink {
 public:
  struct Event {
    enum Kind { kHotplug, kReport, kStop } kind;
    hid::HotplugAction action{};
    hid::HidDeviceInfo device;
  };
  void OnHidDeviceChange(hid::HotplugAction action, const hid::HidDeviceInfo& device) override {
    Push(Event{Event::kHotplug, action, device});
  }
  void OnDeviceConnected() override { std::printf("connected\n"); }
  void OnDeviceDisconnected() override { std::printf("disconnected\n"); }
  void OnProcessorReport(int) override { Push(Event{Event::kReport, {}, {}}); }
  void Push(Event event) {
    {
      std::lock_guard lock(mutex_);
      events_.push_back(std::move(event));
    }
    cv_.notify_all();
  }
  Event Pop() {
    std::unique_lock lock(mutex_);
    cv_.wait(lock, [&] { return !events_.empty(); });
    Event e = std::move(events_.front());
    events_.pop_front();
    return e;
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<Event> events_;
};

void CmdMonitor() {
  // Interrupts are taken by one waiting thread, so the main loop blocks without polling.
  InterruptWait interrupt;

  MonitorQueue queue;
  Session session;
  CDeviceManager& manager = session.Manager();
  manager.SetNotificationSink(&queue);
  std::setvbuf(stdout, nullptr, _IOLBF, 0);

  std::thread signalWaiter([&] {
    interrupt.Wait();
    queue.Push(MonitorQueue::Event{MonitorQueue::Event::kStop, {}, {}});
  });
  if (!RegisterHidNotification(&session.Backend(), &queue)) {
    std::fprintf(stderr, "brisvelctl: hot-plug notifications are unavailable\n");
  }
  if (manager.RefreshDeviceList() > 0) manager.ConnectDevice(0);
  std::printf("monitoring; interrupt to stop\n");
  for (;;) {
    const MonitorQueue::Event event = queue.Pop();
    if (event.kind == MonitorQueue::Event::kStop) break;
    if (event.kind == MonitorQueue::Event::kReport) {
      std::printf("processor report 0x7E\n");
      continue;
    }
    std::printf("%s %s %04x:%04x\n", event.action == hid::HotplugAction::kArrival ? "arrival" : "removal",
                Printable(event.device.path).c_str(), event.device.vendor, event.device.product);
    manager.OnHotplug(event.action, event.device);
  }
  RegisterHidNotification(nullptr, nullptr);
  manager.SetNotificationSink(nullptr);
  signalWaiter.join();
}

}  // namespace

bool DeviceSelected() { return Options().sim || !Options().path.empty(); }
bool SimSelected() { return Options().sim || Options().path.rfind("sim:", 0) == 0; }

void WithProcessor(const std::function<void(ProcessorAccess&)>& fn) {
  Session session;
  session.Connect(true);
  CEffectStore& store = session.Store();
  ProcessorAccess access;
  access.playing = [&session, &store] {
    return session.Simulated() ? session.Simulated()->State().active : store.Block();
  };
  access.write = [&session, &store](const std::vector<std::pair<int, uint16_t>>& values) {
    const int failedBefore = session.Manager().Sender().FailedTransfers();
    {
      CEffectStore::SendScope scope(store);
      for (const auto& [index, value] : values) store.SetParam(index, value);
    }
    session.Manager().Sender().FlushPending();
    return session.Manager().Sender().FailedTransfers() == failedBefore && !store.HasPendingParams();
  };
  fn(access);
  session.CheckStateSaved();
}

ProcessorReport DeviceReportInfo() {
  Session session;
  session.Connect(true);
  ProcessorReport r;
  r.block = session.Store().Block();
  const int mode = session.Store().CurrentDeviceMode();
  if (mode >= 0 && mode < sim::kUserSlotCount) r.deviceMode = FormatString("USER-%d (%c)", mode + 1, 'A' + mode);
  else if (mode == sim::kUserSlotCount) r.deviceMode = "factory setting";
  CDeviceManager& manager = session.Manager();
  if (!manager.DeviceCommand(CProtocolDev::kCommandDeviceInfo, nullptr, 0)) {
    r.processor = "The processor did not report its information";
    return r;
  }
  uint8_t items[4] = {};
  for (int i = 0; i < 4; ++i) manager.GetDeviceInfo(i < 3 ? i + 2 : 6, &items[i], 1);
  uint16_t value7 = 0;
  manager.GetDeviceInfo(7, &value7, sizeof value7);
  uint16_t date[3] = {};
  manager.GetDeviceInfo(5, date, sizeof date);
  r.processor = FormatString("Processor %u.%u.%u.%u (%u), dated %04u-%02u-%02u", items[0], items[1], items[2], items[3],
                             value7, date[0], date[1], date[2]);
  return r;
}

void DeviceGet(const std::string& name) {
  const auto index = FindParam(name);
  if (!index) throw CliError("unknown parameter \"" + name + "\" (see brisvelctl params)");
  Session session;
  session.Connect(true);
  std::printf("%s\n", ParamDisplayText(session.Store().Block(), *index).c_str());
}

void DeviceSet(const std::vector<std::string>& assignments, bool clamp) {
  if (assignments.empty()) throw CliError("usage: brisvelctl --sim|--path PATH set NAME=TEXT...");
  Session session;
  session.Connect(true);
  CEffectStore& store = session.Store();
  // Parse everything first: one bad value changes nothing on the processor.
  std::vector<ParamAssignment> parsed;
  for (const std::string& a : assignments) {
    parsed.push_back(ParseAssignment(a, store.Block(), session.Cae().minVol, session.Cae().maxVol, clamp));
  }
  session.Begin();
  {
    CEffectStore::SendScope scope(store);  // one transfer of them all
    for (const ParamAssignment& p : parsed) store.SetParam(p.index, p.raw);
  }
  session.Manager().Sender().FlushPending();
  if (session.Manager().Sender().FailedTransfers() > 0) {
    throw CliError(session.Failed("sending the parameters"));
  }
  session.CheckStateSaved();
  for (const ParamAssignment& p : parsed) {
    std::printf("%s = %s\n", ParamTable()[p.index].name, ParamDisplayText(store.Block(), p.index).c_str());
  }
}

EffectBlock DeviceReadBlock() {
  Session session;
  session.Connect(true);
  return session.Store().Block();
}

void DeviceLoadBlock(const EffectBlock& block) {
  Session session;
  session.Connect(false);
  session.Begin();
  if (!session.Store().LoadBlock(block)) throw CliError(session.Failed("writing the parameter block"));
  session.CheckStateSaved();
}

void DeviceBatch(bool exportToFile, const fs::path& file) {
  Session session;
  session.Connect(false);
  session.Begin();
  editing::DevicePresetLink link(session.Store(), session.Manager());
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  editing::BatchHooks hooks;
  hooks.wait = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
  hooks.slotDone = [&](int slot, bool ok) {
    std::printf("device mode %s: %s\n", ModeText(slot).c_str(),
                ok ? (exportToFile ? "read" : "written") : (exportToFile ? "skipped" : "failed"));
  };
  const editing::BatchResult result = exportToFile ? editing::RunBatchExport(session.Store(), link, file, hooks)
                                                   : editing::RunBatchImport(session.Store(), link, file, hooks);
  if (!result.completed) {
    const std::string why = DescribeFailure(session.Manager().LastFailure());
    throw CliError(std::string(exportToFile ? "batch export failure: " : "batch import failure: ") + result.detail +
                   (why.empty() ? "" : " (failed: " + why + ")"));
  }
  session.CheckStateSaved();
  std::printf("%s\n", exportToFile ? "Exporting the scene successfully" : "Batch import success");
}

void RegisterDeviceCommands(CLI::App& app) {
  DeviceOptions& o = Options();
  app.add_flag("--sim", o.sim, "use the simulated processor (its state is kept in the data folder)");
  app.add_option("--path", o.path, "use the processor at this HID path (see list)");

  app.add_subcommand("list", "list attached processors: path vendor:product")->callback(CmdList);
  app.add_subcommand("info", "handshake, current mode, input mode and device information")->callback(CmdInfo);

  auto* read = app.add_subcommand("read", "read the processor's parameter block into a file");
  read->add_option("-o,--output", o.readOutput, "output file (1206 raw bytes)")->required();
  read->callback(CmdRead);

  auto* write = app.add_subcommand("write", "write a parameter block file to the processor");
  write->add_option("FILE", o.writeInput, "raw 1206-byte block")->required();
  write->callback(CmdWrite);

  auto* recall = app.add_subcommand("recall", "recall a device mode and read its block");
  recall->add_option("SLOT", o.slot, "device mode 1-11 (1-8 are A-H)")->required();
  recall->callback(CmdRecall);

  auto* save = app.add_subcommand("save", "save the active setting into a device mode");
  save->add_option("SLOT", o.slot, "device mode 1-8 (A-H)")->required();
  save->callback(CmdSave);

  auto* inputMode = app.add_subcommand("input-mode", "set the number of input channels");
  inputMode->add_option("INPUTS", o.inputs, "2 or 4")->required();
  inputMode->callback(CmdInputMode);

  auto* firmware = app.add_subcommand("firmware", "send a firmware image (1 to 65536 bytes)");
  firmware->add_option("FILE", o.firmwareInput, "firmware image")->required();
  firmware->callback(CmdFirmware);

  app.add_subcommand("monitor", "print arrivals, removals and processor reports until interrupted")
      ->callback(CmdMonitor);
}

}  // namespace brisvel::cli
