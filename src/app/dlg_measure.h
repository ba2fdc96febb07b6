// The Measure window (Config → "Measure in the car"): the sound card or the
// simulated car, the calibration, the level and the channels; a run sweeps
// each channel alone on a worker thread while the window stays live, and Stop
// ends it within a moment. Afterwards the impulse responses and responses are
// plotted, "Set delays" makes the measured channels arrive together (one
// step of the history) and "Fit..." takes the responses into the measurement
// window.
#pragma once

#include <QPointer>
#include <array>
#include <atomic>
#include <memory>
#include <optional>
#include <thread>

#include "editing/channel_editor.h"
#include "measure/analysis.h"
#include "measure/run.h"
#include "ui/host_window.h"

namespace brisvel::ui {
class ComboBox;
class SkCheckButton;
}  // namespace brisvel::ui

namespace brisvel::app {

class IConsole;
class MeasurementSession;

inline constexpr char kMeasureLayout[] = "LAYOUT:XML_MEASURE";

class CDlgMeasureHandler : public ui::DialogEventHandler {
 public:
  // The dialog's result after "Fit...": the measurement window opens next.
  static constexpr int kFitResult = 3;

  CDlgMeasureHandler(IConsole& app, editing::CChannelEditor& editor, MeasurementSession& session);
  ~CDlgMeasureHandler() override;
  void OnInit(ui::HostWindow& dlg) override;

  // What the buttons do.
  bool Start();
  void Stop();
  bool SetDelays();
  bool TakeForFit();
  bool Running() const;
  // The last run's outcome; null before one ended.
  const measure::RunResult* Result() const { return result_ ? &*result_ : nullptr; }
  double LevelDbfs() const { return level_; }
  // Microphone positions averaged into the result shown.
  int Positions() const { return positionCount_; }
  void StepLevel(int steps);
  // Where the channels' sound goes: the simulated car unless sound devices are chosen.
  void UseSimulatedCar(bool simulated) { forceSimulated_ = simulated; }
  // The simulated car answers as fast as it can instead of in the sweep's own time.
  void SetPaced(bool paced) { paced_ = paced; }
  // The worker ended: its result is taken and shown (user-interface thread).
  void Finished();

 private:
  struct Shared;
  void ShowResult();
  void ShowState();
  std::vector<int> ChosenChannels() const;
  void WaitForWorker();

  IConsole& app_;
  editing::CChannelEditor& editor_;
  MeasurementSession& session_;
  ui::HostWindow* dlg_ = nullptr;
  ui::ComboBox* smoothing_ = nullptr;
  ui::ComboBox* window_ = nullptr;
  ui::SkCheckButton* addPosition_ = nullptr;
  std::shared_ptr<Shared> shared_;
  std::thread worker_;
  std::optional<measure::RunResult> result_;
  // The responses of every microphone position of this series (the first is
  // the main one, whose arrivals count), by Box.
  std::array<std::vector<FrequencyCurve>, kChannelCount> positions_{};
  int positionCount_ = 0;
  bool averaging_ = false;
  std::optional<measure::RunResult> mainResult_;  // the main position's run
  std::vector<int> delaysWhileMeasured_;
  std::optional<measure::Calibration> calibration_;
  double level_ = measure::kDefaultSweepDbfs;
  bool forceSimulated_ = false;
  bool paced_ = true;
  bool active_ = false;
};
using CDlgMeasure = ui::CCommonDlg<CDlgMeasureHandler>;

// Opens the window as the Config menu does; after "Fit..." the measurement
// window follows.
int OpenMeasure(IConsole& app, ui::HostWindow* owner, editing::CChannelEditor& editor);

}  // namespace brisvel::app
