// The main window's channel editing controller: keeps one channel selected
// and holds the binders of the editing panels (panel_binders.h), one per
// concern, with the channel editor they share. It runs the refresh routines
// that concern them all and reloads every control on the refresh
// notification.
#pragma once

#include <QObject>
#include <QPoint>
#include <QString>
#include <functional>
#include <memory>

#include "app/panel_binders.h"
#include "app/refresh.h"
#include "editing/channel_editor.h"
#include "editing/history.h"

namespace brisvel::app {

class CUIEventHandler : public QObject, public IPanels {
 public:
  static constexpr int kGainAlertTimerId = EqualiserBinder::kGainAlertTimerId;
  using MenuChooser = StripBinder::MenuChooser;
  using OverlaySource = EqualiserBinder::OverlaySource;

  // link may be null: edits then change the block only. refresher may be null.
  CUIEventHandler(ui::HostWindow& window, CEffectStore& store, editing::IEditLink* link,
                  editing::EqSettings settings, RefreshNotifier* refresher);

  // Before Init: the alert and the band-row settings.
  void SetEqWindowSettings(EqWindowSettings settings) { equaliser_.SetWindowSettings(std::move(settings)); }
  // Looks up the controls, adds the event routes and runs the full refresh.
  void Init();
  // Timer 1014 fired: it stops and the "Notice" box shows the alert text.
  void OnGainAlertTimer() { equaliser_.OnGainAlertTimer(); }

  // IPanels: the refresh routines.
  void FullRefresh() override;
  void TabRefresh() override { strip_.TabRefresh(); }
  void ChannelRefresh() override;
  // The volume texts and sliders of the channel's linked range.
  void ShowVolume(int channel) override { strip_.ShowVolume(channel); }
  editing::CEditHistory* History() override { return history_; }
  // The six delay edits in the current unit (the delay dialog applies car delays through it).
  void ApplyCarDelays() { delays_.Refresh(); }

  editing::CChannelEditor& Editor() { return editor_; }
  void SetMenuChooser(MenuChooser chooser) { strip_.SetMenuChooser(std::move(chooser)); }
  // Told after the installer renamed a channel.
  void SetNamesChanged(std::function<void()> changed) { strip_.SetNamesChanged(std::move(changed)); }
  // Where the installer's crossover presets are kept.
  void SetPresetFile(settings::ConfigIni* config) { crossovers_.SetPresetFile(config); }
  // What the EQ graph draws under a channel's curve (a measurement); asked
  // whenever the graph shows a channel.
  void SetOverlaySource(OverlaySource source) { equaliser_.SetOverlaySource(std::move(source)); }
  // The "Sum" overlay of the graph.
  SumView& Sum() { return sum_.View(); }
  void ShowSum(bool shown) { sum_.Show(shown); }
  // The measurements the sum multiplies in (with their phase).
  void SetSumMeasurements(SumView::MeasuredSource source) { sum_.View().SetMeasuredSource(std::move(source)); }
  // The history whose open step the link and reset actions name; may be null.
  void SetHistory(editing::CEditHistory* history) { history_ = history; }

 private:
  editing::CChannelEditor editor_;
  editing::CEditHistory* history_ = nullptr;
  StripBinder strip_;
  EqualiserBinder equaliser_;
  CrossoverBinder crossovers_;
  LimiterBinder limiter_;
  DelayBinder delays_;
  SumBinder sum_;
};

}  // namespace brisvel::app
