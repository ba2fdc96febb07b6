// The console's own controls on top of the toolkit: the rotary knob, faders
// and numeric edit (value_controls.h), the EQ graph (eq_graph.h) and the car
// delay view (car_view.h). Each file registers its elements with the layout
// loader; RegisterConsoleControls registers them all. Call it once after
// InitToolkit and before the first layout that uses them is built.
#pragma once

#include "ui/layout_loader.h"

namespace brisvel::ui {

void RegisterConsoleControls(ElementRegistry& registry = ElementRegistry::Instance());

}  // namespace brisvel::ui
