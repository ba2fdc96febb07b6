// The Measure window's impulse plot (element "skimpulseplot"): each measured
// channel's impulse response over time in milliseconds, each scaled to its own
// peak, with its arrival marked and a legend.
#pragma once

#include <QColor>
#include <QString>
#include <vector>

#include "ui/basic_controls.h"
#include "ui/layout_loader.h"

namespace brisvel::ui {

struct ImpulseTrace {
  QString name;  // already translated
  QColor color;
  std::vector<float> samples;  // at 48 kHz from the sweep's start
  double arrivalSamples = 0;
};

class SkImpulsePlot : public SkinnedControl {
 public:
  explicit SkImpulsePlot(QWidget* parent = nullptr);
  void SetTraces(std::vector<ImpulseTrace> traces);
  const std::vector<ImpulseTrace>& Traces() const { return traces_; }
  // The time shown, ms: from a little before the first arrival to after the last.
  double FirstMs() const { return firstMs_; }
  double LastMs() const { return lastMs_; }

 protected:
  void PaintControl(QPainter& p) override;

 private:
  std::vector<ImpulseTrace> traces_;
  double firstMs_ = 0, lastMs_ = 20;
};

void RegisterImpulsePlot(ElementRegistry& registry);

}  // namespace brisvel::ui
