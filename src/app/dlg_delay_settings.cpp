// The delay settings dialog over the car view.

#include "app/dlg_delay_settings.h"

#include <QColor>
#include <QLineEdit>
#include <algorithm>
#include <cmath>
#include <span>
#include <tuple>

#include "app/console.h"
#include "app/layout_ids/xml_delaysettings.h"
#include "controls/car_view.h"
#include "core/scales.h"
#include "editing/car_delays.h"
#include "editing/history.h"
#include "spdlog/spdlog.h"
#include "ui/basic_controls.h"
#include "ui/element.h"

namespace brisvel::app {

namespace ids = layout::delaysettings;

CDlgDelaySettingsHandler::CDlgDelaySettingsHandler(const CarDelaySettings& record, ApplyFn apply, int unit)
    : record_(editing::DrawableCarRecord(record)), opening_(record_), apply_(std::move(apply)), unit_(unit) {}

void CDlgDelaySettingsHandler::OnInit(ui::HostWindow& dlg) {
  dlg_ = &dlg;
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
  if (auto* which = dlg.Find<ui::ComboBox>(ids::kPositionOf)) {
    for (int label = 1; label <= kChannelCount && label < which->count(); ++label)
      which->setItemText(label, QString::fromStdString(NamedChannelLabel(names_, BoxFromLabelNumber(label))));
  }
  ui::EventRouter& r = dlg.Router();
  r.OnName(ui::EventCarDelayChanged, QString::fromLatin1(ids::kCarView), [this](const ui::Event&) { ApplyView(); });
  r.OnName(ui::EventCmd, QString::fromLatin1(ids::kApply), [this](const ui::Event&) { ApplyView(); });
  const std::pair<const char*, ListenerSeat> seats[] = {{ids::kSeatDriver, ListenerSeat::kDriver},
                                                        {ids::kSeatPassenger, ListenerSeat::kPassenger},
                                                        {ids::kSeatCentre, ListenerSeat::kCentre}};
  for (const auto& [name, seat] : seats) {
    r.OnName(ui::EventCmd, QString::fromLatin1(name), [this, seat = seat](const ui::Event&) {
      MoveListener(ListenerSeatPosition(seat, record_.carWidth, record_.zhouJu));
    });
  }
  r.On<ui::SelChangedArgs>(ids::kPositionOf, ids::kPositionOf,
                           [this](const ui::Event&, const ui::SelChangedArgs&) { ShowState(); });
  r.On<ui::KillFocusArgs>(ids::kPositionX, ids::kPositionY,
                          [this](const ui::Event&, const ui::KillFocusArgs&) { TakeTypedPosition(); });
  r.On<ui::EditValueChangingArgs>(ids::kPositionX, ids::kPositionY,
                                  [this](const ui::Event&, const ui::EditValueChangingArgs& a) {
                                    if (a.step == 0) TakeTypedPosition();
                                  });
  ShowState();
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
  ShowState();
}

namespace {
// Distances are typed in centimetres, or in inches where the delays are.
int DistanceUnit(int delayUnit) { return delayUnit == kDelayIn ? kDelayIn : kDelayCm; }
}  // namespace

void CDlgDelaySettingsHandler::ShowState(bool typed) {
  if (!dlg_ || !car_ || car_->SpeakerCount() == 0) return;
  if (auto* state = ui::AsElement(dlg_->FindByName(QString::fromLatin1(ids::kState)))) {
    const std::optional<CarDelaySettings> view = ViewState();
    const bool applied = view && applied_ && applied_(*view);
    state->SetText(applied ? QStringLiteral("The delays beside the speakers are applied: the processor holds them")
                           : QStringLiteral("The delays beside the speakers are computed only: move something or press Apply"));
    state->SetTextColor(applied ? QColor(0x9c, 0xd0, 0x8c) : QColor(0xe0, 0xb0, 0x60));
  }
  auto* which = dlg_->Find<ui::ComboBox>(ids::kPositionOf);
  const int of = which ? which->currentIndex() : 0;
  const CarPoint mm = of >= 1 && of <= car_->SpeakerCount() ? car_->SpeakerMm(of - 1) : car_->ListenerMm();
  const int unit = DistanceUnit(unit_);
  for (const auto& [id, value] : {std::pair{ids::kPositionX, mm.x}, std::pair{ids::kPositionY, mm.y}}) {
    auto* edit = dynamic_cast<QLineEdit*>(dlg_->FindById(id));
    // A field being typed in keeps its text, unless the typing was just taken.
    if (edit && (typed || !edit->hasFocus())) edit->setText(QString::fromStdString(DistanceText(value, unit)));
  }
}

std::array<CarPoint, 6> CDlgDelaySettingsHandler::ViewSpeakers() const {
  std::array<CarPoint, 6> speakers{};
  for (int i = 0; car_ && i < std::min(car_->SpeakerCount(), 6); ++i) speakers[static_cast<size_t>(i)] = car_->SpeakerMm(i);
  return speakers;
}

void CDlgDelaySettingsHandler::TakeTypedPosition() {
  if (!dlg_ || !car_ || car_->SpeakerCount() == 0) return;
  auto* which = dlg_->Find<ui::ComboBox>(ids::kPositionOf);
  const int of = which ? which->currentIndex() : 0;
  std::array<CarPoint, 6> speakers = ViewSpeakers();
  CarPoint listener = car_->ListenerMm();
  CarPoint& moved = of >= 1 && of <= 6 ? speakers[static_cast<size_t>(of - 1)] : listener;
  const CarPoint before = moved;
  const double mmPerUnit = DistanceUnit(unit_) == kDelayIn ? 25.4 : 10.0;
  const QRect car = car_->CarRect();
  const CarPoint low = car_->Metrics().PxToMm({car.left(), car.bottom()});
  const CarPoint high = car_->Metrics().PxToMm({car.right(), car.top()});
  for (const auto& [id, coordinate, lo, hi] :
       {std::tuple{ids::kPositionX, &moved.x, low.x, high.x}, std::tuple{ids::kPositionY, &moved.y, low.y, high.y}}) {
    const auto* edit = dynamic_cast<QLineEdit*>(dlg_->FindById(id));
    const std::optional<double> typed = edit ? LeadingNumber(edit->text().toStdString()) : std::nullopt;
    // A text without a number leaves the position; one beyond the car stops at its body.
    if (typed && std::isfinite(*typed))
      *coordinate = static_cast<int32_t>(std::clamp(std::lround(*typed * mmPerUnit), long{std::min(lo, hi)}, long{std::max(lo, hi)}));
  }
  if (moved != before) {
    car_->SetSpeakers(speakers, listener);
    ApplyView();
  }
  ShowState(true);
}

void CDlgDelaySettingsHandler::MoveListener(CarPoint mm) {
  if (!car_ || car_->SpeakerCount() == 0) return;
  std::array<CarPoint, 6> speakers = ViewSpeakers();
  car_->SetSpeakers(speakers, mm);
  ApplyView();
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
  ShowState();
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
  dlg.Handler().SetAppliedCheck([&app](const CarDelaySettings& r) { return editing::CarDelaysApplied(app.Store(), r); });
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
