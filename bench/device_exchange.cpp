// Request/reply against the simulated processor: exchanges per second and the
// software cost of one exchange with no wire latency, and a whole-block read
// with 1 ms per report on the wire (USB full-speed frame pacing).
#include <benchmark/benchmark.h>

#include "device/device_manager.h"
#include "device/sim_backend.h"
#include "device/store_commands.h"

namespace brisvel {
namespace {

// A connected protocol over one simulated processor, receive thread running.
class Bench {
 public:
  explicit Bench(std::chrono::microseconds latency) {
    processor_ = std::make_shared<sim::SimProcessor>();
    processor_->SetRecordRequests(false);
    backend_.Plug(processor_);
    manager_ = std::make_unique<CDeviceManager>(backend_, store_);
    store_.SetDeviceLink(manager_.get());
    manager_->StartRecvThread();
    manager_->RefreshDeviceList();
    ok_ = manager_->ConnectDevice(0) && store_.ConnectedFlag();
    processor_->SetLatency(latency);
  }
  ~Bench() { manager_->DisconnectDevice(); }
  bool ok() const { return ok_; }
  CProtocolDev& Protocol() { return *manager_->Protocol(); }
  CDeviceManager& Manager() { return *manager_; }
  CEffectStore& Store() { return store_; }

 private:
  sim::SimHidBackend backend_;
  std::shared_ptr<sim::SimProcessor> processor_;
  CEffectStore store_;
  std::unique_ptr<CDeviceManager> manager_;
  bool ok_ = false;
};

void BM_ExchangeZeroLatency(benchmark::State& state) {
  Bench bench(std::chrono::microseconds(0));
  if (!bench.ok()) {
    state.SkipWithError("no connection");
    return;
  }
  frames::Frame reply{};
  for (auto _ : state) {
    frames::Frame request = frames::CurrentModeRequest();
    if (!bench.Protocol().SendAndReceive(request, reply, 5, 200)) {
      state.SkipWithError("exchange failed");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["us_per_exchange"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate | benchmark::Counter::kInvert,
                         benchmark::Counter::kIs1000);
}
BENCHMARK(BM_ExchangeZeroLatency)->UseRealTime()->Unit(benchmark::kMicrosecond);

// The 21 chunk exchanges of a block read, 1 ms per report each way (goal: 42 ms + 10%).
void BM_BlockChunksPaced(benchmark::State& state) {
  Bench bench(std::chrono::microseconds(1000));
  if (!bench.ok()) {
    state.SkipWithError("no connection");
    return;
  }
  frames::Frame reply{};
  for (auto _ : state) {
    for (int chunk = 0; chunk < frames::kBlockChunks; ++chunk) {
      frames::Frame request = frames::ReadChunkRequest(chunk);
      if (!bench.Protocol().SendAndReceive(request, reply, 5, 200)) {
        state.SkipWithError("exchange failed");
        return;
      }
    }
  }
  state.counters["ideal_ms"] = 21 * 2;
}
BENCHMARK(BM_BlockChunksPaced)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(40);

// ReadCurrentParam as the store runs it: the current-mode query, 21 chunks and the model rebuild.
void BM_ReadCurrentParamPaced(benchmark::State& state) {
  Bench bench(std::chrono::microseconds(1000));
  if (!bench.ok()) {
    state.SkipWithError("no connection");
    return;
  }
  for (auto _ : state) {
    if (!ReadCurrentParam(bench.Store(), bench.Manager())) {
      state.SkipWithError("read failed");
      return;
    }
  }
  state.counters["ideal_ms"] = 22 * 2;
}
BENCHMARK(BM_ReadCurrentParamPaced)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
}  // namespace brisvel

BENCHMARK_MAIN();
