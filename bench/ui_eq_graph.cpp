// Repaint cost of the EQ graph at the main window's size (1330 x 205) after a
// band change: the section recompute, handle placement and painting of grid,
// curve and handles into an image.

#include "controls/controls.h"
#include "controls/eq_graph.h"
#include "editing/channel_editor.h"
#include "gallery/sample_data.h"
#include "ui/host_window.h"
#include "ui/toolkit.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <benchmark/benchmark.h>

namespace {

using namespace brisvel;
using namespace brisvel::ui;

struct Graph {
  HostWindow host;
  SkEQ* eq = nullptr;
  CEqResponse model;
  QImage image;
  Graph() {
    if (!host.LoadLayout("XML_GALLERY")) return;
    host.show();
    eq = host.Find<SkEQ>("eq_curve");
    if (!eq) return;
    FillSampleChannel(model);
    eq->SetResponse(&model);
    eq->ShowQHandles(true);
    image = QImage(eq->size(), QImage::Format_ARGB32_Premultiplied);
  }
};

void BandChangeAndRepaint(benchmark::State& state) {
  Graph g;
  if (!g.eq) {
    state.SkipWithError("graph layout missing");
    return;
  }
  state.counters["width"] = g.eq->width();
  state.counters["height"] = g.eq->height();
  int i = 0;
  for (auto _ : state) {
    const int band = 17;
    const double gain = (i++ % 2) ? 6.0 : -4.5;
    g.model.SetBand(band, 1000 + (i % 7) * 10, gain, 141 / 300.0);
    g.eq->Refresh();
    g.eq->render(&g.image);
    benchmark::DoNotOptimize(g.image.constBits());
  }
}
BENCHMARK(BandChangeAndRepaint)->Unit(benchmark::kMicrosecond);

// A band handle dragged up and down, the whole way a move takes in the
// console: the mouse move on the handle, the graph reading it as a gain, the
// editor writing the band into the store (which recomputes the section), the
// graph given the channel's model again, and the repaint. Goal: within 1.2x
// of BandChangeAndRepaint on the same run.
void HandleDragFullPath(benchmark::State& state) {
  Graph g;
  if (!g.eq) {
    state.SkipWithError("graph layout missing");
    return;
  }
  CEffectStore store;
  editing::CChannelEditor editor(store, nullptr);
  const int ch = store.CurrentChannel();
  store.RebuildResponses();
  g.eq->SetResponse(&store.Response(ch));
  SMoveThumb* handle = g.eq->Handle(17);
  g.host.Router().On<ThumbMovingArgs>(900, 930, [&](const Event& e, const ThumbMovingArgs& a) {
    if (editor.DragBandTo(e.senderId - 900, a.frequency, a.gain).Any()) g.eq->SetResponse(&store.Response(ch));
  });
  const QPoint grip(handle->width() / 2, handle->height() / 2);
  QMouseEvent press(QEvent::MouseButtonPress, grip, handle->mapToGlobal(grip), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(handle, &press);
  int i = 0;
  for (auto _ : state) {
    const QPoint to = grip + QPoint(0, (i++ % 2) ? -20 : 20);
    QMouseEvent move(QEvent::MouseMove, to, handle->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(handle, &move);
    g.eq->render(&g.image);
    benchmark::DoNotOptimize(g.image.constBits());
  }
  state.counters["layouts"] = g.eq->Layouts();
}
BENCHMARK(HandleDragFullPath)->Unit(benchmark::kMicrosecond);

void CurveLayerOnly(benchmark::State& state) {
  Graph g;
  if (!g.eq) {
    state.SkipWithError("graph layout missing");
    return;
  }
  QImage image(g.eq->size(), QImage::Format_ARGB32_Premultiplied);
  int i = 0;
  for (auto _ : state) {
    g.model.SetBand(17, 1000, (i++ % 2) ? 6.0 : -4.5, 141 / 300.0);
    g.eq->Curve()->render(&image);
    benchmark::DoNotOptimize(image.constBits());
  }
}
BENCHMARK(CurveLayerOnly)->Unit(benchmark::kMicrosecond);

void GridLayerOnly(benchmark::State& state) {
  Graph g;
  if (!g.eq) {
    state.SkipWithError("graph layout missing");
    return;
  }
  QImage image(g.eq->size(), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    g.eq->Grid()->render(&image);
    benchmark::DoNotOptimize(image.constBits());
  }
}
BENCHMARK(GridLayerOnly)->Unit(benchmark::kMicrosecond);

void HandlesOnly(benchmark::State& state) {
  Graph g;
  if (!g.eq) {
    state.SkipWithError("graph layout missing");
    return;
  }
  QImage image(25, 25, QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    for (int i = 0; i < 31; ++i) g.eq->Handle(i)->render(&image);
    benchmark::DoNotOptimize(image.constBits());
  }
}
BENCHMARK(HandlesOnly)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  InitToolkit();
  RegisterConsoleControls();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
