// The main window's editing controller: the full refresh of every control
// from a block, and one channel-slider move with the four-speaker group
// linked, from the slider's event to the pending parameters the effect
// sender takes (the sender itself is not run); and one band-handle drag event
// on the simulated processor, sent at once, to the repainted graph.

#include <benchmark/benchmark.h>

#include <QApplication>

#include "app/layout_ids/xml_mainwnd.h"
#include "app/ui_event_handler.h"
#include "controls/eq_graph.h"
#include "device/device_manager.h"
#include "device/sim_backend.h"
#include "editing/edit_link.h"
#include "controls/controls.h"
#include "ui/host_window.h"
#include "ui/toolkit.h"
#include "ui/ui_event.h"
#include "controls/value_controls.h"

namespace {

using namespace brisvel;

// A processor that is always there and takes every change later.
class QuietLink : public IEffectDeviceLink {
 public:
  bool HasProtocol() const override { return true; }
  void ScheduleSend() override {}
  bool WriteAllParam() override { return true; }
};

struct Window {
  ui::HostWindow host;
  CEffectStore store;
  QuietLink link;
  std::unique_ptr<app::CUIEventHandler> handler;
  bool ok = false;
  Window() {
    store.SetDeviceLink(&link);
    store.SetConnectedFlag(true);
    store.RebuildResponses();
    if (!host.LoadLayout(QString::fromLatin1(app::layout::mainwnd::kLayout))) return;
    host.show();
    handler = std::make_unique<app::CUIEventHandler>(host, store, nullptr, editing::EqSettings{}, nullptr);
    handler->Init();
    ok = true;
  }
};

// Two blocks that differ in every value the window shows.
EffectBlock OtherBlock() {
  EffectBlock b = FactoryBlock();
  for (int k = 0; k < kChannelCount; ++k) {
    WriteParam(b, param::Volume(k), 40 + k);
    WriteParam(b, param::Delay(k), 100 * k + 7);
    WriteParam(b, param::HpFreq(k), 80);
    for (int band = 0; band < kBandCount; ++band)
      WriteParam(b, param::EqGain(k, band), static_cast<uint16_t>(-100 * (band % 7)));
  }
  WriteParam(b, param::kMuteCtrl, 0x15);
  WriteParam(b, param::kMainVol, 50);
  return b;
}

void FullRefreshFromABlock(benchmark::State& state) {
  Window w;
  if (!w.ok) {
    state.SkipWithError("main window layout missing");
    return;
  }
  const EffectBlock blocks[2] = {FactoryBlock(), OtherBlock()};
  int i = 0;
  for (auto _ : state) {
    w.store.AssignBlock(blocks[i++ % 2]);
    w.handler->FullRefresh();
  }
}
BENCHMARK(FullRefreshFromABlock)->Unit(benchmark::kMicrosecond);

void ChannelSliderWithFourSpeakersLinked(benchmark::State& state) {
  Window w;
  if (!w.ok) {
    state.SkipWithError("main window layout missing");
    return;
  }
  w.store.SetLinkFlag(2, 3);  // four speakers based on CH1
  w.handler->FullRefresh();
  auto* slider = w.host.Find<ui::SkSlider>(app::layout::mainwnd::kChannelSlider + 3);
  int i = 0;
  for (auto _ : state) {
    const int position = 30 + (i++ % 2);
    slider->SetValue(position);
    ui::RaiseEvent(slider, ui::SliderPosArgs{position});
    benchmark::DoNotOptimize(w.store.PendingParams().size());
  }
  if (w.store.GetParam(param::Volume(5)) != w.store.GetParam(param::Volume(3)))
    state.SkipWithError("the linked range did not follow");
}
BENCHMARK(ChannelSliderWithFourSpeakersLinked)->Unit(benchmark::kMicrosecond);

// One band-handle drag event with the four speakers linked, on the simulated
// processor: from the handle's moving event to the repainted graph, with the
// processor answering at once (argument 0) or after 1 ms per report on the
// wire each way (argument 1000, USB frame pacing). Every band edit is sent at
// once, so the exchanges are part of the event; the counter reports them.
void BandHandleDragFourSpeakersLinked(benchmark::State& state) {
  auto processor = std::make_shared<sim::SimProcessor>();
  sim::SimHidBackend backend;
  backend.Plug(processor);
  CEffectStore store;
  CDeviceManager manager(backend, store);
  store.SetDeviceLink(&manager);
  manager.StartRecvThread();
  manager.RefreshDeviceList();
  if (!manager.ConnectDevice(0) || !store.ConnectedFlag()) {
    state.SkipWithError("no connection");
    return;
  }
  processor->SetLatency(std::chrono::microseconds(state.range(0)));
  processor->SetRecordRequests(true);
  editing::DeviceEditLink link(store, manager);
  ui::HostWindow host;
  if (!host.LoadLayout(QString::fromLatin1(app::layout::mainwnd::kLayout))) {
    state.SkipWithError("main window layout missing");
    return;
  }
  host.show();
  app::CUIEventHandler handler(host, store, &link, editing::EqSettings{}, nullptr);
  handler.Init();
  store.SetLinkFlag(2, 3);  // four speakers based on CH1
  store.SetCurrentChannel(2);
  handler.FullRefresh();
  auto* graph = host.Find<ui::SkEQ>(QString::fromLatin1(app::layout::mainwnd::kGraph));
  ui::SMoveThumb* thumb = graph ? graph->Handle(12) : nullptr;
  if (!thumb) {
    state.SkipWithError("graph handle missing");
    return;
  }
  processor->ClearRequests();
  int i = 0;
  for (auto _ : state) {
    const QPoint current = thumb->pos();
    const QPoint proposed(current.x(), graph->GainToY((i++ % 2) ? 6.0 : -6.0) - thumb->height() / 2);
    ui::ThumbMovingArgs args;
    args.proposed = proposed;
    args.current = current;
    ui::RaiseEvent(thumb, args);
    graph->Curve()->repaint();
  }
  state.counters["exchanges_per_event"] =
      benchmark::Counter(static_cast<double>(processor->Requests().size()) / static_cast<double>(state.iterations()));
  manager.DisconnectDevice();
}
BENCHMARK(BandHandleDragFourSpeakersLinked)->Arg(0)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ui::InitToolkit();
  ui::RegisterConsoleControls();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
