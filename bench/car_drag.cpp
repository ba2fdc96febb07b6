// One speaker drag event in the car view: the mouse move to the thumb, the
// delays recomputed, the six delay parameters set in the store and the view
// repainted.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QMouseEvent>

#include "controls/car_view.h"
#include "controls/controls.h"
#include "editing/car_delays.h"
#include "ui/host_window.h"

using namespace brisvel;

static void BM_CarSpeakerDrag(benchmark::State& state) {
  ui::HostWindow host;
  QFile f(":/layouts/XML_DELAYSETTINGS.xml");
  if (!f.open(QIODevice::ReadOnly) || !host.LoadLayoutXml(f.readAll())) {
    state.SkipWithError("layout");
    return;
  }
  host.show();
  auto* car = host.Find<ui::SkCar>(QStringLiteral("car_delay"));
  const CarPositions def = DefaultCarPositions(1825, 2680);
  car->SetSpeakers(def.speakers, def.listener);
  CEffectStore store;
  host.Router().OnName(ui::EventCarDelayChanged, "car_delay", [&](const ui::Event&) {
    std::array<CarPoint, 6> speakers{};
    std::array<double, 6> delays{};
    for (int i = 0; i < 6; ++i) {
      speakers[i] = car->SpeakerMm(i);
      delays[i] = car->DelayMm(i);
    }
    editing::ApplyCarDelays(store, editing::WithViewState(CarDelaySettings::Default(), speakers, car->ListenerMm(), delays));
  });
  ui::SkCarThumb* thumb = car->Speaker(1);
  const QPointF centre(thumb->width() / 2.0, thumb->height() / 2.0);
  QMouseEvent press(QEvent::MouseButtonPress, centre, thumb->mapToGlobal(centre), Qt::LeftButton, Qt::LeftButton, {});
  QApplication::sendEvent(thumb, &press);
  int step = 0;
  for (auto _ : state) {
    const QPointF at = centre + QPointF(step % 40, step % 30);
    ++step;
    QMouseEvent move(QEvent::MouseMove, at, thumb->mapToGlobal(at), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(thumb, &move);
    car->repaint();
  }
}
BENCHMARK(BM_CarSpeakerDrag)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  brisvel::ui::RegisterConsoleControls();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
