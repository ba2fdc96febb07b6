// The car delay view: a top-down car body with a draggable listener and one
// draggable point per speaker. From the positions it computes how much later
// each speaker must start so that all sound arrives together, shows the
// delays beside the speakers and, while dragging, the geometry overlay.
#pragma once

#include "core/car_geometry.h"
#include "ui/basic_controls.h"
#include "ui/layout_loader.h"
#include "ui/panel.h"

#include <QTimer>
#include <array>

namespace brisvel::ui {

class SkCar;

// A draggable point of the view (element "skcarthumb"): data 0 the listener, 1-31 speakers.
class SkCarThumb : public SkinnedControl {
 public:
  explicit SkCarThumb(QWidget* parent = nullptr);
  bool SetAttribute(const QString& name, const QString& value) override;
  void SetOwner(SkCar* car) { owner_ = car; }
  void CenterAt(int x, int y, const QRect& reference);
  void ApplyReference(const QRect& reference);
  bool IsDragging() const { return dragging_; }

 protected:
  void PaintControl(QPainter& p) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  SkCar* owner_ = nullptr;
  bool percentFloat_ = false;
  float xFloat_ = 0, yFloat_ = 0;
  int dx_ = 0, dy_ = 0;
  QColor centerColor_{0xc8, 0xc8, 0xc8, 0x00};
  bool dragging_ = false;
  QPoint dragOffset_;
};

// Axes with metre labels and the guide lines through the car's origin.
class SkCarGrid : public SkinnedControl {
 public:
  explicit SkCarGrid(QWidget* parent = nullptr);
  bool SetAttribute(const QString& name, const QString& value) override;
  void Attach(const SkCar* car) { car_ = car; }

 protected:
  void PaintControl(QPainter& p) override;

 private:
  const SkCar* car_ = nullptr;
  int widthCoords_ = 1, widthGuidLine_ = 1;
  QColor colorCoords_{0x30, 0x30, 0x30}, colorGuidLine_{0x30, 0x30, 0x30};
};

// Car outline, distance lines, sound-space circle and virtual-point lines.
class SkCarCurve : public SkinnedControl {
 public:
  explicit SkCarCurve(QWidget* parent = nullptr);
  bool SetAttribute(const QString& name, const QString& value) override;
  void Attach(const SkCar* car) { car_ = car; }

 protected:
  void PaintControl(QPainter& p) override;

 private:
  const SkCar* car_ = nullptr;
  int lineWidth_ = 2;
  QColor colorCar_{0x00, 0xff, 0x00, 0x00}, colorSpeaker_{0xff, 0xaa, 0xaa}, colorSoundSpace_{0xff, 0x00, 0xff, 0x00},
      colorVirt_{0xff, 0xff, 0x00};
};

// The view container (element "skcar").
class SkCar : public Panel {
 public:
  static constexpr int kMaxSpeakers = 31;
  static constexpr int kOverlayTimerMs = 3000;

  explicit SkCar(QWidget* parent = nullptr);
  bool SetAttribute(const QString& name, const QString& value) override;
  void OnChildrenCreated() override;

  // Six speaker positions and the listener, in mm.
  void SetSpeakers(const std::array<CarPoint, 6>& speakersMm, CarPoint listenerMm);
  void UpdatePositions();
  // Called by a dragged thumb with its proposed centre; may clamp it.
  void OnThumbMoved(QPoint& proposed, int data);
  void OnThumbReleased();

  // The unit (0 ms, 1 cm, 2 in) the drag readout tells distances and delays in.
  // The delay tips beside the speakers use it too.
  void SetReadoutUnit(int unit);
  // The speakers' names by CH number ([0] is CH1; empty: none): the position
  // tip and each speaker's tip name them.
  void SetSpeakerNames(const std::array<QString, 6>& names);
  // While a speaker is dragged, its position tip says how far it is from the
  // listener and the delay it gets: "0.300m,1.200m\nCH1 152.0cm, delay 1.318ms".
  QString PositionTipText(int data) const;

  int SpeakerCount() const { return count_; }
  CarPoint ListenerMm() const { return listenerMm_; }
  CarPoint ListenerPx() const { return listenerPx_; }
  CarPoint SpeakerMm(int i) const { return speakersMm_[i]; }
  CarPoint SpeakerPx(int i) const { return speakersPx_[i]; }
  double DelayMm(int i) const { return geometry_.delayMm[i]; }
  const CarDelayGeometry& Geometry() const { return geometry_; }
  const CarViewMetrics& Metrics() const { return metrics_; }
  // Car body and picture rectangles in pixels.
  QRect CarRect() const;
  QRect PictureRect() const;
  bool OverlayVisible() const;
  SkCarThumb* Listener() const { return listener_; }
  SkCarGrid* Grid() const { return grid_; }
  SkCarCurve* Curve() const { return curve_; }
  SkCarThumb* Speaker(int data) const { return data >= 1 && data <= kMaxSpeakers ? speakers_[data - 1] : nullptr; }

 protected:
  void PlaceChildren() override;

 private:
  void RecomputeMetrics();
  void PlacePicture();
  void ApplyVisibility();
  void HideOverlay();

  CarViewMetrics metrics_;
  int count_ = 0;
  int readoutUnit_ = 0;
  std::array<QString, 6> names_{};
  CarPoint listenerMm_{}, listenerPx_{};
  std::array<CarPoint, 6> speakersMm_{}, speakersPx_{};
  CarDelayGeometry geometry_{};
  SkCarThumb* listener_ = nullptr;
  std::array<SkCarThumb*, kMaxSpeakers> speakers_{};
  SkCarGrid* grid_ = nullptr;
  SkCarCurve* curve_ = nullptr;
  QWidget* picture_ = nullptr;
  QWidget* posTip_ = nullptr;
  std::array<QWidget*, 32> delayTips_{};
  bool childrenReady_ = false;
  bool placing_ = false;
  QTimer overlayTimer_;
};

// Registers "skcarthumb", "skcargrid", "skcarcurve" and "skcar" with the loader.
void RegisterCarView(ElementRegistry& registry);

}  // namespace brisvel::ui
