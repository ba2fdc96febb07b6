// The "Sum" toggle and its channel picker over the EQ graph. Nothing here
// writes the block: the sum is a view of it.
#include <QMenu>
#include <QPointer>

#include "app/layout_ids/xml_mainwnd.h"
#include "app/panel_binders.h"
#include "controls/eq_graph.h"
#include "controls/value_controls.h"
#include "core/channel_names.h"
#include "core/scales.h"
#include "spdlog/spdlog.h"
#include "ui/basic_controls.h"
#include "ui/host_window.h"
#include "ui/translation.h"
#include "ui/ui_event.h"

namespace brisvel::app {

namespace ids = layout::mainwnd;

SumBinder::~SumBinder() {
  store_.SetBlockObserver(nullptr);
  if (graph_ && graph_->Curve()) graph_->Curve()->SetSumSource(nullptr);
}

void SumBinder::Bind() {
  ui::HostWindow& w = window_;
  graph_ = w.Find<ui::SkEQ>(QString::fromLatin1(ids::kGraph));
  toggle_ = w.Find<ui::SkCheckButton>(QString::fromLatin1(ids::kSumToggle));
  if (!graph_ || !graph_->Curve()) return;
  graph_->Curve()->SetSumSource([this](QString* legend) { return view_.Current(legend); });
  // Any change of the block (an edit here, in another window, an undo, a
  // recall) repaints the graph, which brings the sum up to date as it paints.
  QPointer<ui::SkEqCurve> curve = graph_->Curve();
  store_.SetBlockObserver([this, curve] {
    if (!view_.Shown() || !curve) return;
    QMetaObject::invokeMethod(curve, [curve] {
      if (curve) curve->update();
    });
  });
  ui::EventRouter& r = w.Router();
  r.OnName(ui::EventCmd, QLatin1String(ids::kSumToggle), [this](const ui::Event& e) {
    if (Foreign(e)) return;
    Show(toggle_ && toggle_->IsChecked());
  });
  r.OnName(ui::EventCmd, QLatin1String(ids::kSumChannels), [this](const ui::Event& e) {
    if (!Foreign(e)) PopUpChannels(e.sender);
  });
  Refresh();
}

void SumBinder::Refresh() { SetChecked(toggle_, view_.Shown()); }

void SumBinder::Show(bool shown) {
  view_.SetShown(shown);
  spdlog::info("the sum of {} is {}", view_.ChannelsText().toStdString(), shown ? "shown" : "hidden");
  Refresh();
  Repaint();
}

void SumBinder::Repaint() {
  if (graph_ && graph_->Curve()) graph_->Curve()->update();
}

void SumBinder::PopUpChannels(QWidget* button) {
  if (!button) return;
  QMenu menu;
  menu.setStyleSheet(kPanelMenuStyle);
  std::vector<std::pair<const QAction*, int>> choices;
  for (int label = 1; label <= kChannelCount; ++label) {
    const int box = BoxFromLabelNumber(label);
    QAction* a = menu.addAction(QString::fromStdString(NamedChannelLabel(store_.Names(), box)));
    a->setCheckable(true);
    a->setChecked(view_.Has(box));
    choices.emplace_back(a, box);
  }
  const QAction* chosen = menu.exec(button->mapToGlobal(QPoint(0, button->height() + 2)));
  for (const auto& [action, box] : choices) {
    if (action != chosen) continue;
    view_.ToggleChannel(box);
    // Picking channels is asking to see their sum.
    if (!view_.Shown()) Show(true);
    Repaint();
  }
}

}  // namespace brisvel::app
