// The timed tip window (layout XML_TOOLTIP), one at a time.

#include "ui/tip_window.h"

#include "ui/layout_ids/xml_tooltip.h"

#include <QCursor>
#include <QPointer>

namespace brisvel::ui {

namespace {
QPointer<CTipWnd>& Current() {
  static QPointer<CTipWnd> tip;
  return tip;
}
}  // namespace

CTipWnd::CTipWnd() : HostWindow(nullptr) {
  setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
  setAttribute(Qt::WA_ShowWithoutActivating, true);
  setAttribute(Qt::WA_TranslucentBackground, true);
  LoadLayout(layout::tooltip::kLayout);
}

QString CTipWnd::Text() const {
  const Element* e = AsElement(FindByName(layout::tooltip::kText));
  return e ? e->ShownText() : QString();
}

void CTipWnd::SetAnchor(const QPoint& screenPoint, Anchor mode) {
  anchor_ = screenPoint;
  mode_ = mode;
  Reposition();
}

void CTipWnd::Reposition() {
  if (positioning_) return;
  positioning_ = true;
  QPoint tl = anchor_;
  switch (mode_) {
    case Anchor::TopLeft: break;
    case Anchor::TopRight: tl.rx() -= width(); break;
    case Anchor::BottomLeft: tl.ry() -= height(); break;
    case Anchor::BottomRight: tl -= QPoint(width(), height()); break;
  }
  move(tl);
  positioning_ = false;
}

void CTipWnd::ShowText(const QString& text, int durationMs) {
  if (auto* e = AsElement(FindByName(layout::tooltip::kText))) e->SetText(text);
  FitToContent();
  Reposition();
  show();
  raise();
  SetTimer(kTimerId, durationMs);
}

void CTipWnd::OnTimer(int id) {
  if (id != kTimerId) return;
  KillTimer(kTimerId);
  hide();
  if (Current() == this) Current() = nullptr;
  deleteLater();
}

void CTipWnd::resizeEvent(QResizeEvent* e) {
  HostWindow::resizeEvent(e);
  Reposition();
}

void CTipWnd::moveEvent(QMoveEvent* e) {
  HostWindow::moveEvent(e);
  Reposition();
}

CTipWnd* CurrentTip() { return Current().data(); }

void ShowTip(int screenX, int screenY, const QString& text, int durationMs) {
  QPointer<CTipWnd>& tip = Current();
  if (tip) {
    tip->KillTimer(CTipWnd::kTimerId);
    tip->hide();
  } else {
    tip = new CTipWnd();
  }
  tip->SetAnchor(QPoint(screenX, screenY), CTipWnd::Anchor::BottomLeft);
  tip->ShowText(text, durationMs);
}

void ShowTipAtControl(HostWindow& window, int controlId, const QString& text, int durationMs) {
  QPoint at = QCursor::pos();
  if (QWidget* w = window.FindById(controlId)) at = w->mapToGlobal(QPoint(w->width() / 2, 0));
  ShowTip(at.x(), at.y(), text, durationMs);
}

}  // namespace brisvel::ui
