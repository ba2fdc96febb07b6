// The edit history's costs: undo and redo of a 31-band link copy (the work on
// the user-interface thread before the effect sender takes the values), and
// the memory 1000 steps of every kind of edit take.
#include <benchmark/benchmark.h>

#include <random>

#include "core/effect_store.h"
#include "editing/channel_editor.h"
#include "editing/history.h"

namespace brisvel::editing {
namespace {

// A connected processor that takes nothing: the benchmark measures the
// console's side only.
class QuietLink final : public IEffectDeviceLink, public IEditLink {
 public:
  explicit QuietLink(CEffectStore& store) : store_(store) {
    store_.SetDeviceLink(this);
    store_.SetConnectedFlag(true);
  }
  ~QuietLink() override { store_.SetDeviceLink(nullptr); }
  bool HasProtocol() const override { return true; }
  void ScheduleSend() override {}
  bool WriteAllParam() override { return true; }
  void SendNow() override { store_.ClearPendingParams(); }
  bool SetInputMode(int) override { return true; }
  bool RecallDeviceMode(int) override { return true; }
  bool ReadCurrentParam() override { return true; }

 private:
  CEffectStore& store_;
};

void BM_UndoRedoLinkCopy(benchmark::State& state) {
  CEffectStore store;
  QuietLink link(store);
  CChannelEditor editor(store, &link);
  store.SetCurrentChannel(2);
  for (int b = 0; b < kBandCount; ++b) {
    editor.CommitBandGain(b, std::to_string(b % 12 - 5.5));
    editor.CommitBandQ(b, "2.5");
    editor.CommitBandFrequency(b, std::to_string(25 + 600 * b));
  }
  CEditHistory history(store);
  // The four-speaker group on CH1: its 31 bands, filters and levels go to CH2-CH4.
  history.Record("Link CH1&CH2&CH3&CH4 on CH1", [&] { return editor.ChooseLinkBase(LinkGroup::kFourSpeakers, 2); });
  const size_t params = history.Trail().done.back().params.size();
  for (auto _ : state) {
    benchmark::DoNotOptimize(history.Undo());
    store.ClearPendingParams();
    benchmark::DoNotOptimize(history.Redo());
    store.ClearPendingParams();
  }
  state.counters["params_per_step"] = static_cast<double>(params);
  state.SetLabel("one iteration = undo + redo");
}
BENCHMARK(BM_UndoRedoLinkCopy)->Unit(benchmark::kMicrosecond);

void BM_ThousandStepsMemory(benchmark::State& state) {
  size_t bytes = 0;
  for (auto _ : state) {
    CEffectStore store;
    QuietLink link(store);
    CChannelEditor editor(store, &link);
    CEditHistory history(store);
    std::mt19937 rng(7);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    // Until the history is full: edits that change nothing are no steps.
    while (history.UndoCount() < CEditHistory::kMaxSteps) {
      history.Begin("");
      switch (pick(8)) {
        case 0: editor.SetChannelVolume(pick(6), pick(67)); break;
        case 1: editor.SetBandGainFromSlider(pick(31), pick(401) - 200); break;
        case 2: editor.CommitBandFrequency(pick(31), std::to_string(20 + pick(15000))); break;
        case 3: editor.CommitDelay(pick(6), std::to_string(pick(20))); break;
        case 4: editor.SetMute(pick(6), pick(2)); break;
        case 5: editor.ChooseLinkBase(LinkGroup::kFront, 2 + pick(2)); break;
        case 6: editor.ResetEqualiser(); break;
        default: editor.SetMasterVolume(pick(67)); break;
      }
      history.End();
    }
    bytes = history.MemoryBytes();
    state.counters["steps"] = static_cast<double>(history.UndoCount());
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_ThousandStepsMemory)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace brisvel::editing

BENCHMARK_MAIN();
