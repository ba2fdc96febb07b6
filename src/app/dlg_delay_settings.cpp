// The delay settings dialog over the car view.

#include "app/dlg_delay_settings.h"

#include <QLineEdit>
#include <span>

#include "app/console.h"
#include "app/layout_ids/xml_delaysettings.h"
#include "controls/car_view.h"
#include "editing/car_delays.h"
#include "editing/history.h"
#include "spdlog/spdlog.h"

namespace brisvel::app {

namespace ids = layout::delaysettings;

CDlgDelaySettingsHandler::CDlgDelaySettingsHandler(const CarDelaySettings& record, ApplyFn apply, int unit)
    : record_(editing::DrawableCarRecord(record)), opening_(record_), apply_(std::move(apply)), unit_(unit) {}

void CDlgDelaySettingsHandler::OnInit(ui::HostWindow& dlg) {
  car_ = dlg.Find<ui::SkCar>(QString::fromLatin1(ids::kCarView));
  if (car_) {
    car_->SetAttribute("carWidth", QString::asprintf("%d", record_.carWidth));
    car_->SetAttribute("zhouJu", QString::asprintf("%d", record_.zhouJu));
    car_->SetAttribute("xStart", QString::asprintf("%d", record_.xStart));
    car_->SetAttribute("yStart", QString::asprintf("%d", record_.yStart));
    car_->SetAttribute("mmPerScale", QString::asprintf("%d", record_.mmPerScale));
    car_->SetAttribute("mmPerPx", QString::asprintf("%d", record_.mmPerPx));
    car_->SetReadoutUnit(unit_);
    std::array<QString, 6> names;
    for (size_t i = 0; i < names.size(); ++i) names[i] = QString::fromStdString(names_[i]);
    car_->SetSpeakerNames(names);
    // Nothing reaches the processor until the user moves something.
    Show(editing::OpeningPositions(record_));
  }
  ui::EventRouter& r = dlg.Router();
  r.OnName(ui::EventCarDelayChanged, QString::fromLatin1(ids::kCarView), [this](const ui::Event&) { ApplyView(); });
  r.OnName(ui::EventCmd, QString::fromLatin1(ids::kDefault), [this](const ui::Event&) {
    Show(DefaultCarPositions(record_.carWidth, record_.zhouJu));
    ApplyView();
  });
  r.OnName(ui::EventCmd, QString::fromLatin1(ids::kUndo), [this](const ui::Event&) {
    Show(editing::OpeningPositions(opening_));
    ApplyView();
  });
  for (const char* name : {ids::kClose, ids::kOk, ids::kCancel}) {
    const QString n = QString::fromLatin1(name);
    if (!ui::FindByName(dlg.Root(), n)) continue;  // btnOK and btnCancel only where a layout has them
    const int code = n == QLatin1String(ids::kOk) ? ui::HostWindow::kOkButtonId : ui::HostWindow::kCancelButtonId;
    r.OnName(ui::EventCmd, n, [this, &dlg, code](const ui::Event&) { Close(dlg, code); });
  }
}

void CDlgDelaySettingsHandler::Show(const CarPositions& positions) {
  if (car_) car_->SetSpeakers(positions.speakers, positions.listener);
}

std::optional<CarDelaySettings> CDlgDelaySettingsHandler::ViewState() const {
  if (!car_ || car_->SpeakerCount() == 0) return std::nullopt;
  const int count = std::min(car_->SpeakerCount(), 6);
  std::array<CarPoint, 6> speakers{};
  std::array<double, 6> delays{};
  for (int i = 0; i < count; ++i) {
    speakers[static_cast<size_t>(i)] = car_->SpeakerMm(i);
    delays[static_cast<size_t>(i)] = car_->DelayMm(i);
  }
  return editing::WithViewState(record_, std::span(speakers).first(static_cast<size_t>(count)), car_->ListenerMm(),
                                std::span(delays).first(static_cast<size_t>(count)));
}

void CDlgDelaySettingsHandler::ApplyView() {
  const std::optional<CarDelaySettings> applied = ViewState();
  if (applied && apply_) apply_(*applied);
}

void CDlgDelaySettingsHandler::KeepViewState() {
  if (std::optional<CarDelaySettings> kept = ViewState()) record_ = *kept;
}

void CDlgDelaySettingsHandler::Close(ui::HostWindow& dlg, int code) {
  KeepViewState();
  dlg.EndDialog(code);
}

void ApplyCarDelaysToConsole(IConsole& app, ui::HostWindow* mainWindow, const CarDelaySettings& record) {
  if (editing::CEditHistory* history = app.History()) history->Name("Delays from car view");
  const editing::CarDelayChanges c = editing::ApplyCarDelays(app.Store(), record);
  if (!mainWindow || !mainWindow->Root()) return;
  for (int n = 0; n < kChannelCount; ++n) {
    if (auto* box = dynamic_cast<QLineEdit*>(ui::FindById(mainWindow->Root(), ids::kMainDelayBox + n)))
      box->setText(QString::fromStdString(c.delayTexts[static_cast<size_t>(n)]));
  }
}

int OpenDelaySettings(IConsole& app, ui::HostWindow* owner) {
  const CarDelaySettings stored = app.Config().CarDelay();
  CDlgDelaySettings dlg(QString::fromLatin1(ids::kLayout), owner, stored,
                        [&app, owner](const CarDelaySettings& r) { ApplyCarDelaysToConsole(app, owner, r); },
                        app.Store().DelayUnit());
  dlg.Handler().SetChannelNames(app.Store().Names());
  if (!dlg.Create()) {
    spdlog::error("the delay settings layout could not be built");
    return -1;
  }
  dlg.CentreOn(owner);
  const int result = dlg.DoModal();
  // The window manager's close too keeps the last positions.
  dlg.Handler().KeepViewState();
  if (!app.Config().SetCarDelay(dlg.Handler().Record())) spdlog::warn("the car positions could not be saved");
  return result;
}

}  // namespace brisvel::app
