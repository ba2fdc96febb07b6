// File → "Tuning report...": the report of what the console holds now (the
// processor, the setting, every channel, the sums shown and the loaded
// measurements with their predictions), written as a PDF with its CSV beside it.
#pragma once

#include <QString>

#include "core/tuning_report.h"

class QWidget;

namespace brisvel::app {

class IConsole;
class SumView;

TuningReport GatherTuningReport(IConsole& app, const SumView* sum);
// Asks where (in the folder last used for reports), writes both files and
// tells the outcome. False when nothing was written.
bool SaveTuningReport(IConsole& app, QWidget* owner, const SumView* sum);

}  // namespace brisvel::app
