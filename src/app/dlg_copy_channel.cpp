#include "app/dlg_copy_channel.h"

#include "core/scales.h"
#include "ui/basic_controls.h"
#include "ui/element.h"
#include "ui/translation.h"
#include "ui/ui_event.h"

namespace brisvel::app {

namespace {
ui::SkCheckButton* Check(ui::HostWindow& dlg, const QString& name) {
  return dynamic_cast<ui::SkCheckButton*>(dlg.FindByName(name));
}
QString TargetName(int label) { return QStringLiteral("to_%1").arg(label); }
// The parts' check boxes, in the order of CopyParts.
constexpr const char* kParts[] = {"part_volume", "part_crossovers", "part_eq", "part_limiter", "part_polarity"};
}  // namespace

void CDlgCopyChannelHandler::OnInit(ui::HostWindow& dlg) {
  if (auto* from = ui::AsElement(dlg.FindByName(QStringLiteral("copy_from"))))
    from->SetText(ui::Tr(QStringLiteral("From %1")).arg(QString::fromStdString(NamedChannelLabel(names_, from_))));
  for (int label = 1; label <= kChannelCount; ++label) {
    ui::SkCheckButton* box = Check(dlg, TargetName(label));
    if (!box) continue;
    const int channel = BoxFromLabelNumber(label);
    box->SetElideText(true);
    box->SetText(QString::fromStdString(NamedChannelLabel(names_, channel)));
    // A channel is not copied onto itself.
    box->setEnabled(channel != from_);
  }
  ui::EventRouter& r = dlg.Router();
  // "Copy" waits for a part and a channel.
  auto showCopy = [this, &dlg] {
    Take(dlg);
    if (QWidget* copy = dlg.FindByName(QStringLiteral("btn_copy"))) copy->setEnabled(parts_.Any() && !targets_.empty());
  };
  for (const char* part : kParts) r.OnName(ui::EventCmd, QLatin1String(part), [showCopy](const ui::Event&) { showCopy(); });
  for (int label = 1; label <= kChannelCount; ++label)
    r.OnName(ui::EventCmd, TargetName(label), [showCopy](const ui::Event&) { showCopy(); });
  showCopy();
  r.OnName(ui::EventCmd, QStringLiteral("btn_copy"), [this, &dlg](const ui::Event&) {
    Take(dlg);
    dlg.EndDialog(ui::HostWindow::kOkButtonId);
  });
  for (const char* close : {"btn_cancel", "btn_close"})
    r.OnName(ui::EventCmd, QLatin1String(close),
             [&dlg](const ui::Event&) { dlg.EndDialog(ui::HostWindow::kCancelButtonId); });
}

void CDlgCopyChannelHandler::Take(ui::HostWindow& dlg) {
  auto on = [&dlg](const char* name) {
    const ui::SkCheckButton* box = Check(dlg, QLatin1String(name));
    return box && box->IsChecked();
  };
  parts_ = {on(kParts[0]), on(kParts[1]), on(kParts[2]), on(kParts[3]), on(kParts[4])};
  targets_.clear();
  for (int label = 1; label <= kChannelCount; ++label) {
    const ui::SkCheckButton* box = Check(dlg, TargetName(label));
    const int channel = BoxFromLabelNumber(label);
    if (box && box->IsChecked() && channel != from_) targets_.push_back(channel);
  }
}

}  // namespace brisvel::app
