// Registration of every console control with the layout loader.

#include "controls/controls.h"

#include "controls/car_view.h"
#include "controls/eq_graph.h"
#include "controls/impulse_plot.h"
#include "controls/measurement_plot.h"
#include "controls/value_controls.h"

namespace brisvel::ui {

void RegisterConsoleControls(ElementRegistry& registry) {
  RegisterValueControls(registry);
  RegisterEqGraph(registry);
  RegisterCarView(registry);
  RegisterMeasurementPlot(registry);
  RegisterImpulsePlot(registry);
}

}  // namespace brisvel::ui
