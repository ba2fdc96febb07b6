// The timed tip: one small window at a time with a short message, standing
// above a point (its bottom-left corner on the point), destroyed when its
// timer 100 fires.
#pragma once

#include "ui/host_window.h"

namespace brisvel::ui {

class CTipWnd : public HostWindow {
 public:
  static constexpr int kTimerId = 100;
  enum class Anchor { TopLeft, TopRight, BottomLeft, BottomRight };

  CTipWnd();
  void SetAnchor(const QPoint& screenPoint, Anchor mode);
  void ShowText(const QString& text, int durationMs);
  QString Text() const;

 protected:
  void OnTimer(int id) override;
  void resizeEvent(QResizeEvent* e) override;
  void moveEvent(QMoveEvent* e) override;

 private:
  void Reposition();
  QPoint anchor_;
  Anchor mode_ = Anchor::BottomLeft;
  bool positioning_ = false;
};

// Shows text for durationMs above the screen point, replacing a tip already shown.
void ShowTip(int screenX, int screenY, const QString& text, int durationMs);
// Points the tip at a control of window: its horizontal centre and top edge, or
// the mouse position when the control is not found.
void ShowTipAtControl(HostWindow& window, int controlId, const QString& text, int durationMs);
// The tip shown now, or nullptr.
CTipWnd* CurrentTip();

}  // namespace brisvel::ui
