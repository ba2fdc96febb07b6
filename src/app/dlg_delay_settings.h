// The delay settings dialog ("Advanced"): the listener and six speakers placed
// in the car view; every drag, Default and Undo sets the six delays at once,
// and closing keeps the positions in config.ini for the next opening.
#pragma once

#include <functional>
#include <optional>

#include "core/car_geometry.h"
#include "core/channel_names.h"
#include "ui/host_window.h"

namespace brisvel::ui {
class SkCar;
}

namespace brisvel::app {

class IConsole;

class CDlgDelaySettingsHandler : public ui::DialogEventHandler {
 public:
  // Applies a record's delays to the processor and the main window.
  using ApplyFn = std::function<void(const CarDelaySettings&)>;

  // unit: the main window's delay unit (0 ms, 1 cm, 2 in), which the view's
  // delay tips and drag readout follow.
  CDlgDelaySettingsHandler(const CarDelaySettings& record, ApplyFn apply, int unit = 0);
  void OnInit(ui::HostWindow& dlg) override;
  // Before the dialog is built: the channels' names the speakers carry.
  void SetChannelNames(const ChannelNames& names) { names_ = names; }
  // Before the dialog is built: whether the processor holds a record's delays
  // (the dialog tells applied delays from computed ones).
  void SetAppliedCheck(std::function<bool(const CarDelaySettings&)> applied) { applied_ = std::move(applied); }

  // The working record: the opening one until the dialog closes, then with
  // the view's positions and delays.
  const CarDelaySettings& Record() const { return record_; }
  // Takes the view's positions and delays into the working record (every way
  // of closing does this).
  void KeepViewState();
  ui::SkCar* CarView() const { return car_; }

 private:
  void Show(const CarPositions& positions);
  void ApplyView();
  // The applied-or-computed line and the typed position's fields (typed: also
  // the field being typed in, which shows what was taken of it).
  void ShowState(bool typed = false);
  // A typed position (listener or speaker) moves it and applies the delays.
  void TakeTypedPosition();
  void MoveListener(CarPoint mm);
  // The speakers' positions the view shows, in mm.
  std::array<CarPoint, 6> ViewSpeakers() const;
  // The working record with the view's positions and delays; none while the
  // view shows no speakers.
  std::optional<CarDelaySettings> ViewState() const;
  void Close(ui::HostWindow& dlg, int code);

  CarDelaySettings record_;
  CarDelaySettings opening_;
  ApplyFn apply_;
  int unit_ = 0;
  ChannelNames names_{};
  std::function<bool(const CarDelaySettings&)> applied_;
  ui::HostWindow* dlg_ = nullptr;
  ui::SkCar* car_ = nullptr;
};

using CDlgDelaySettings = ui::CCommonDlg<CDlgDelaySettingsHandler>;

// Sets the six delays from the record and writes them into the delay boxes of
// the main window (when it has them) in the current delay unit.
void ApplyCarDelaysToConsole(IConsole& app, ui::HostWindow* mainWindow, const CarDelaySettings& record);

// "Advanced" in the main window: the stored record (the default one when it
// is missing or not accepted), the dialog run modally, and the record stored
// again whatever the result. Returns the dialog's result.
int OpenDelaySettings(IConsole& app, ui::HostWindow* owner);

}  // namespace brisvel::app
