// The EQ graph: a logarithmic frequency axis to 24 kHz and a dB axis, the
// summed response of a channel's model, the section changed last, and the
// draggable band, filter and Q handles. The graph never changes a value
// itself: dragging reports EventThumbMoving and the editor places it again.
#pragma once

#include "core/eq_axes.h"
#include "core/eq_response.h"
#include "core/measurement.h"
#include "core/system_sum.h"
#include "ui/basic_controls.h"
#include "ui/layout_loader.h"
#include "ui/panel.h"
#include "ui/ui_event.h"

#include <array>
#include <functional>
#include <memory>
#include <vector>

namespace brisvel::ui {

class SkEQ;
class SSimpleToolTip;

// What the curve layer draws besides the channel's own curve: the measured
// response (already smoothed), the prediction (measurement plus the summed
// curve, so it follows every edit at the next paint) and the dashed target.
// Measured levels are drawn minus level, which lines them up with the target.
struct EqOverlay {
  FrequencyCurve measurement;
  TargetCurve target;
  double level = 0;
  QColor measurementColor{0xff, 0xa0, 0x20};
  QColor predictionColor{0x40, 0xc0, 0xff};
  QColor targetColor{0xe0, 0xe0, 0xe0};
};

// The sum of several channels where they meet, drawn over the channel's own
// curve: the source brings it up to date and names it for the legend
// ("Sum CH1 + CH5"); null while no sum is shown.
using EqSumSource = std::function<const CSystemSum*(QString* legend)>;
inline const QColor kSumColor{0xff, 0xe0, 0x40};

// Layout metrics of the plot area, derived from the client rectangle.
struct EqMetrics {
  int left = 0, top = 0, right = 0, bottom = 0;
  int plotLeft = 0, plotTop = 0;
  int step = 0;          // pixels between dB lines
  int bottomMargin = 0;  // never less than bdist
  int width = 0;         // plot width W
  int height = 0;        // plot height H
  double pxPerDecade = 0;
  double pxPerPoint = 0;
  double pxPerDb = 0;
  double logZero = 1;  // log10 zeroXFreq
};

// A draggable handle of the graph (element "moveThumb").
class SMoveThumb : public SkinnedControl {
 public:
  explicit SMoveThumb(QWidget* parent = nullptr);
  bool SetAttribute(const QString& name, const QString& value) override;

  int OwnerBand() const { return ownerBand_; }
  void SetOwnerBand(int band) { ownerBand_ = band; }
  bool CanXMove() const { return canXMove_; }
  bool CanYMove() const { return canYMove_; }
  bool IsDragging() const { return dragging_; }
  float XFloat() const { return xFloat_; }
  float YFloat() const { return yFloat_; }
  // Centres the handle at (x, y) and keeps its position relative to reference.
  void CenterAt(int x, int y, const QRect& reference);
  // Takes the stored relative position inside a new reference rectangle.
  void ApplyReference(const QRect& reference);
  // While the handle is dragged, a small readout beside it tells what the drag
  // made of it (its values as the band table shows them); it goes with the release.
  void ShowReadout(const QString& text);

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  float xFloat_ = 0, yFloat_ = 0;
  bool canXMove_ = true, canYMove_ = true;
  int canOutsize_ = 0;
  QColor centerColor_{0xc8, 0xc8, 0xc8, 0x00};
  int ownerBand_ = -1;
  bool dragging_ = false;
  QPoint dragOffset_;
  std::shared_ptr<SSimpleToolTip> readout_;
};

// The grid layer (element "skeqgrid"): dB and frequency lines with their labels.
class SkEqGrid : public SkinnedControl {
 public:
  explicit SkEqGrid(QWidget* parent = nullptr);
  void Attach(const SkEQ* graph) { graph_ = graph; }

  struct Line {
    int pos;       // y of a dB line, x of a frequency line
    int value;     // dB or Hz
    QString label; // empty when the line carries none
  };
  // Lines as they are drawn for the graph's current metrics.
  const std::vector<Line>& DbLines() const { return dbLines_; }
  const std::vector<Line>& FrequencyLines() const { return freqLines_; }
  void UpdateLines();

 protected:
  void PaintControl(QPainter& p) override;

 private:
  const SkEQ* graph_ = nullptr;
  std::vector<Line> dbLines_;
  std::vector<Line> freqLines_;
};

// The curve layer (element "skeqcurve"): summed curve and current section.
class SkEqCurve : public SkinnedControl {
 public:
  explicit SkEqCurve(QWidget* parent = nullptr);
  bool SetAttribute(const QString& name, const QString& value) override;
  void Attach(const SkEQ* graph) { graph_ = graph; }
  void SetModel(const CEqResponse* model) { model_ = model; }
  // A measurement with its prediction and target drawn under the curve (null: none).
  void SetOverlay(std::shared_ptr<const EqOverlay> overlay);
  const EqOverlay* Overlay() const { return overlay_.get(); }
  // The summed response of chosen channels, asked for at every paint, so it
  // follows each edit in the frame that shows the edit.
  void SetSumSource(EqSumSource source);
  // The sum as it is drawn now (brought up to date), or null.
  const CSystemSum* DrawnSum(QString* legend = nullptr) const;

 protected:
  void PaintControl(QPainter& p) override;

 private:
  // Both draw their legend rows from the top right down, from top on;
  // they return where the next legend may start.
  double PaintOverlay(QPainter& p, double y0, double top);
  double PaintSum(QPainter& p, double y0, double top);

  EqSumSource sumSource_;
  std::shared_ptr<const EqOverlay> overlay_;
  const SkEQ* graph_ = nullptr;
  const CEqResponse* model_ = nullptr;
  int lineWidth_ = 2;
  QColor colorLine_{0x00, 0xff, 0x00};
  QColor colorCurrLine_{0x3c, 0x3c, 0x3c, 0x32};
  // Point buffers allocated once: the summed curve and the section polygon.
  std::vector<QPointF> summed_;
  std::vector<QPointF> section_;
  std::vector<QPointF> segments_;  // the summed curve as line pairs
};

// The graph container (element "skeq").
class SkEQ : public Panel {
 public:
  static constexpr int kMaxBands = 64;
  static constexpr int kDataHighPass = -1;
  static constexpr int kDataLowPass = -2;
  static constexpr int kDataLeftQ = -5;
  static constexpr int kDataRightQ = -6;

  explicit SkEQ(QWidget* parent = nullptr);
  bool SetAttribute(const QString& name, const QString& value) override;
  void OnChildrenCreated() override;

  // Attaches the channel's model (recomputing it when it is a different one),
  // shows the handles it needs, places them and redraws.
  void SetResponse(CEqResponse* model);
  // Places the handles again and redraws the curve.
  void Refresh();
  void UpdateThumbs();
  void ShowQHandles(bool on);
  double XToFrequency(double x) const { return axes_.XToFrequency(x); }
  double YToGain(double y) const { return axes_.YToGain(y); }
  // What a drag of one of its handles to the proposed top-left stands for:
  // the frequency, gain and Q steps of ThumbMovingArgs.
  void ReadDrag(const SMoveThumb& handle, ThumbMovingArgs& args) const;
  // Pixel position of a frequency / gain, as the handles are placed.
  int FrequencyToX(double hz) const { return axes_.FrequencyToX(hz); }
  int GainToY(double db) const { return axes_.GainToY(db); }

  const EqMetrics& Metrics() const { return m_; }
  // How often the plot was laid out (and its grid drawn anew).
  int Layouts() const { return layouts_; }
  // The plot's axes as laid out now; the editor converts drags with them.
  const EqAxes& Axes() const { return axes_; }
  int DbMax() const { return dbMax_; }
  int DbMin() const { return dbMin_; }
  int Steps() const { return nKedu_; }
  int DbLabelStep() const { return dbKeduVal_; }
  int ZeroXFreq() const { return zeroXFreq_; }
  int RightMargin() const { return rdist_; }
  int LeftMargin() const { return ldist_; }
  const CEqResponse* Model() const { return model_; }
  bool PeqMode() const { return peq_; }
  SMoveThumb* Handle(int data) const;
  SkEqGrid* Grid() const { return grid_; }
  SkEqCurve* Curve() const { return curve_; }

 protected:
  void PlaceChildren() override;

 private:
  // False when size and attributes are as at the last call (nothing to lay out).
  bool RecomputeMetrics();
  void PlaceQPair(int band);
  void HideQPair();

  int ldist_ = 36, tdist_ = 18, rdist_ = 0, bdist_ = 16;
  int dbMax_ = 12, dbMin_ = -24, nKedu_ = 12, dbKeduVal_ = 6, zeroXFreq_ = 10;
  EqMetrics m_;
  EqAxes axes_;
  std::array<int, 11> layout_{};  // what the metrics were computed from
  bool metricsValid_ = false;
  int layouts_ = 0;
  std::array<SMoveThumb*, kMaxBands> bands_{};
  SMoveThumb* highPass_ = nullptr;
  SMoveThumb* lowPass_ = nullptr;
  SMoveThumb* leftQ_ = nullptr;
  SMoveThumb* rightQ_ = nullptr;
  std::vector<SMoveThumb*> others_;
  SkEqGrid* grid_ = nullptr;
  SkEqCurve* curve_ = nullptr;
  CEqResponse* model_ = nullptr;
  bool peq_ = false;
  bool childrenReady_ = false;
};

// Registers "movethumb", "skeqgrid", "skeqcurve" and "skeq" with the loader.
void RegisterEqGraph(ElementRegistry& registry);

}  // namespace brisvel::ui
