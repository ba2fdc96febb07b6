// Repaint cost of the EQ graph at the main window's size (1330 x 205) after a
// band change: the section recompute, handle placement and painting of grid,
// curve and handles into an image.

#include "controls/controls.h"
#include "controls/eq_graph.h"
#include "gallery/sample_data.h"
#include "ui/host_window.h"
#include "ui/toolkit.h"

#include <QApplication>
#include <QImage>
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
