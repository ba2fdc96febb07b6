// The Measure window.
#include "app/dlg_measure.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <chrono>
#include <future>

#include "app/console.h"
#include "app/dlg_measurement.h"
#include "app/measurement_session.h"
#include "controls/impulse_plot.h"
#include "controls/measurement_plot.h"
#include "core/scales.h"
#include "device/device_manager.h"
#include "editing/car_delays.h"
#include "editing/history.h"
#include "measure/portaudio_io.h"
#include "measure/sim_audio.h"
#include "presets/sys_setting.h"
#include "settings/settings_keys.h"
#include "spdlog/spdlog.h"
#include "ui/basic_controls.h"
#include "ui/element.h"
#include "ui/message_box.h"
#include "ui/translation.h"
#include "ui/ui_event.h"

namespace brisvel::app {

namespace {

using namespace brisvel::measure;

constexpr double kLowestLevel = -60.0, kHighestLevel = -6.0, kLevelStep = 3.0;
constexpr int kLinkWaitMs = 5000;

QString Label(int box) { return QString::fromStdString(ChannelLabel(box)); }

const QColor kTraceColors[] = {QColor(0xff, 0xa0, 0x20), QColor(0x40, 0xc0, 0xff), QColor(0x80, 0xe0, 0x60),
                               QColor(0xe0, 0x60, 0xe0), QColor(0xff, 0xe0, 0x40), QColor(0xe0, 0xe0, 0xe0)};

// Runs fn on the user-interface thread and waits for its answer (false when
// it does not come within the wait). The work is queued on the application,
// which outlives every window, and touches only the console's own state.
template <class Fn>
auto OnUiThread(Fn fn, decltype(fn()) whenLate) {
  if (QThread::currentThread() == qApp->thread()) return fn();
  auto promise = std::make_shared<std::promise<decltype(fn())>>();
  auto answer = promise->get_future();
  QMetaObject::invokeMethod(qApp, [promise, fn] { promise->set_value(fn()); }, Qt::QueuedConnection);
  if (answer.wait_for(std::chrono::milliseconds(kLinkWaitMs)) != std::future_status::ready) return whenLate;
  return answer.get();
}

// The processor as the run sees it: mutes go out through the store and the
// effect sender on the user-interface thread.
class ConsoleLink : public IMeasureLink {
 public:
  explicit ConsoleLink(IConsole& app) : app_(app) {}
  std::optional<EffectBlock> Block() override {
    return OnUiThread([this] { return std::optional<EffectBlock>(app_.Store().ProcessorBlock()); },
                      std::optional<EffectBlock>());
  }
  bool SetMuteMask(uint8_t mask) override {
    return OnUiThread(
        [this, mask] {
          CDeviceManager* manager = app_.DeviceManager();
          if (!manager || !app_.IsConnected()) return false;
          const int failed = manager->Sender().FailedTransfers();
          {
            CEffectStore::SendScope scope(app_.Store());
            app_.Store().SetParam(param::kMuteCtrl, mask);
          }
          manager->Sender().FlushPending();
          return manager->Sender().FailedTransfers() == failed && !app_.Store().HasPendingParams();
        },
        false);
  }

 private:
  IConsole& app_;
};

ui::SkCheckButton* Check(ui::HostWindow& dlg, const QString& name) {
  return dynamic_cast<ui::SkCheckButton*>(dlg.FindByName(name));
}

void SetText(ui::HostWindow& dlg, const char* name, const QString& text) {
  if (auto* e = ui::AsElement(dlg.FindByName(QLatin1String(name)))) e->SetText(text);
}

void Enable(ui::HostWindow& dlg, const char* name, bool on) {
  if (QWidget* w = dlg.FindByName(QLatin1String(name))) w->setEnabled(on);
}

}  // namespace

// What the worker and the window share; it lives as long as either.
struct CDlgMeasureHandler::Shared {
  std::atomic<bool> running{false};
  std::atomic<bool> stop{false};
  std::atomic<int> current{-1};  // the Box being measured
  std::mutex lock;
  std::optional<RunResult> result;
};

// From Start until the window took the run's result (the worker may already
// have ended, its result not yet taken).
bool CDlgMeasureHandler::Running() const { return active_; }

CDlgMeasureHandler::CDlgMeasureHandler(IConsole& app, editing::CChannelEditor& editor, MeasurementSession& session)
    : app_(app), editor_(editor), session_(session), shared_(std::make_shared<Shared>()) {}

CDlgMeasureHandler::~CDlgMeasureHandler() {
  dlg_ = nullptr;  // the window is going: nothing more is shown
  shared_->stop = true;
  WaitForWorker();
}

void CDlgMeasureHandler::WaitForWorker() {
  if (!worker_.joinable()) return;
  // The worker may wait on this thread for the processor's mutes: keep them coming.
  QElapsedTimer waited;
  waited.start();
  while (shared_->running.load() && waited.elapsed() < 2 * kLinkWaitMs + 2000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  if (worker_.joinable()) worker_.join();  // a Finished run meanwhile may have joined it
}

void CDlgMeasureHandler::OnInit(ui::HostWindow& dlg) {
  dlg_ = &dlg;
  for (int label = 1; label <= kChannelCount; ++label) {
    if (ui::SkCheckButton* b = Check(dlg, QStringLiteral("ch_%1").arg(label))) {
      b->SetElideText(true);
      b->SetText(QString::fromStdString(NamedChannelLabel(app_.Store().Names(), BoxFromLabelNumber(label))));
    }
  }
  smoothing_ = dlg.Find<ui::ComboBox>(QStringLiteral("smoothing"));
  window_ = dlg.Find<ui::ComboBox>(QStringLiteral("window_ms"));
  addPosition_ = dlg.Find<ui::SkCheckButton>(QStringLiteral("add_position"));
  // The sound devices after the simulated car.
  auto* out = dlg.Find<ui::ComboBox>(QStringLiteral("audio_out"));
  auto* in = dlg.Find<ui::ComboBox>(QStringLiteral("audio_in"));
  std::string error;
  for (const AudioDevice& d : ListAudioDevices(&error)) {
    const QString name = QStringLiteral("%1 (%2)").arg(QString::fromStdString(d.name), QString::fromStdString(d.host));
    if (d.outputs > 0 && out) out->AddItem(name, d.index);
    if (d.inputs > 0 && in) in->AddItem(name, d.index);
  }
  if (!error.empty()) spdlog::warn("the sound devices are not listed: {}", error);
  ui::EventRouter& r = dlg.Router();
  r.OnName(ui::EventCmd, QStringLiteral("btn_start"), [this](const ui::Event&) { Start(); });
  r.OnName(ui::EventCmd, QStringLiteral("btn_stop"), [this](const ui::Event&) { Stop(); });
  r.OnName(ui::EventCmd, QStringLiteral("btn_set_delays"), [this](const ui::Event&) { SetDelays(); });
  r.OnName(ui::EventCmd, QStringLiteral("btn_fit"), [this, &dlg](const ui::Event&) {
    if (TakeForFit()) dlg.EndDialog(kFitResult);
  });
  r.OnName(ui::EventCmd, QStringLiteral("btn_level_down"), [this](const ui::Event&) { StepLevel(-1); });
  r.OnName(ui::EventCmd, QStringLiteral("btn_level_up"), [this](const ui::Event&) { StepLevel(1); });
  r.OnName(ui::EventCmd, QStringLiteral("btn_calibration"), [this, &dlg](const ui::Event&) {
    const QStringList chosen = presets::ChooseFiles(
        app_.Config(), settings::kFolderMeasurement,
        {presets::SceneFileDialog::kOpenCalibration, &dlg, ui::Tr(QStringLiteral("Microphone calibration")),
         ui::Tr(QStringLiteral("Calibration file")) + QStringLiteral("(*.txt *.cal *.frd)"), QString(), QString()});
    if (chosen.isEmpty()) return;
    QFile file(chosen.front());
    const QByteArray bytes = file.open(QIODevice::ReadOnly) && file.size() < (4 << 20) ? file.readAll() : QByteArray();
    const CalibrationParse parsed = ParseCalibration(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    if (!parsed.calibration) {
      ui::MessageBox(&dlg, ui::Tr(QStringLiteral("This is no calibration file: %1")).arg(QString::fromStdString(parsed.error)));
      return;
    }
    calibration_ = parsed.calibration;
    SetText(dlg, "calibration_name", QFileInfo(chosen.front()).fileName());
  });
  r.OnName(ui::EventCmd, QStringLiteral("btn_close"), [this, &dlg](const ui::Event&) {
    Stop();
    WaitForWorker();
    dlg.EndDialog(ui::HostWindow::kCancelButtonId);
  });
  StepLevel(0);
  ShowState();
}

void CDlgMeasureHandler::StepLevel(int steps) {
  level_ = std::clamp(level_ + steps * kLevelStep, kLowestLevel, kHighestLevel);
  if (dlg_) SetText(*dlg_, "level", QStringLiteral("%1 dBFS").arg(level_, 0, 'f', 0));
}

std::vector<int> CDlgMeasureHandler::ChosenChannels() const {
  std::vector<int> boxes;
  for (int label = 1; label <= kChannelCount; ++label) {
    const ui::SkCheckButton* b = dlg_ ? Check(*dlg_, QStringLiteral("ch_%1").arg(label)) : nullptr;
    if (!b || b->IsChecked()) boxes.push_back(BoxFromLabelNumber(label));
  }
  return boxes;
}

bool CDlgMeasureHandler::Start() {
  if (Running()) return false;
  if (worker_.joinable()) worker_.join();
  if (!app_.IsConnected()) {
    if (dlg_) SetText(*dlg_, "status", ui::Tr(QStringLiteral("Connect the processor to measure")));
    return false;
  }
  const auto* out = dlg_ ? dynamic_cast<ui::ComboBox*>(dlg_->FindByName(QStringLiteral("audio_out"))) : nullptr;
  const auto* in = dlg_ ? dynamic_cast<ui::ComboBox*>(dlg_->FindByName(QStringLiteral("audio_in"))) : nullptr;
  const int outDevice = forceSimulated_ || !out ? -1 : out->ItemData(out->currentIndex());
  const int inDevice = forceSimulated_ || !in ? -1 : in->ItemData(in->currentIndex());
  if ((outDevice < 0) != (inDevice < 0)) {
    if (dlg_) SetText(*dlg_, "status", ui::Tr(QStringLiteral("Choose the simulated car or sound devices for both")));
    return false;
  }
  RunOptions options;
  options.channels = ChosenChannels();
  options.levelDbfs = level_;
  if (smoothing_) options.response.smoothing = smoothing_->ItemData(smoothing_->currentIndex());
  if (window_) options.response.windowMs = std::max(2, window_->ItemData(window_->currentIndex()));
  averaging_ = addPosition_ && addPosition_->IsChecked() && positionCount_ > 0;
  if (!averaging_) {  // a new series: its first run is the main position
    for (auto& p : positions_) p.clear();
    positionCount_ = 0;
    delaysWhileMeasured_.clear();
    for (int box = 0; box < kChannelCount; ++box) delaysWhileMeasured_.push_back(app_.Store().GetParam(param::Delay(box)));
    mainResult_.reset();
  }
  result_.reset();
  shared_->stop = false;
  shared_->running = true;
  active_ = true;
  spdlog::info("measuring {} channels at {} dBFS on {}", options.channels.size(), level_,
               outDevice < 0 ? "the simulated car" : "the sound devices");
  // The window (and with it this handler) may be gone when the worker ends.
  QPointer<ui::HostWindow> window(dlg_);
  IConsole& app = app_;
  const auto onUi = [window, this](bool finished) {
    QMetaObject::invokeMethod(qApp, [window, this, finished] {
      if (!window) return;
      if (finished) Finished();
      else ShowState();
    }, Qt::QueuedConnection);
  };
  // The simulated car has the car view's speakers and listener.
  const CarPositions cabin = editing::OpeningPositions(editing::DrawableCarRecord(app_.Config().CarDelay()));
  worker_ = std::thread([shared = shared_, options, outDevice, inDevice, onUi, &app, paced = paced_, cabin] {
    ConsoleLink link(app);
    SimulatedAudio simulated(SimulatedCar(cabin), [&link] { return link.Block().value_or(EffectBlock{}); }, paced);
    std::optional<PortAudioIo> card;
    if (outDevice >= 0) card.emplace(AudioRoute{outDevice, 0, inDevice, 0});
    IAudioIo& audio = card ? static_cast<IAudioIo&>(*card) : simulated;
    RunResult r = RunMeasurement(link, audio, options, shared->stop, [shared, onUi](size_t, int box) {
      shared->current = box;
      onUi(false);
    });
    {
      std::lock_guard<std::mutex> lock(shared->lock);
      shared->result = std::move(r);
    }
    shared->running = false;
    onUi(true);
  });
  ShowState();
  return true;
}

void CDlgMeasureHandler::Stop() { shared_->stop = true; }

void CDlgMeasureHandler::Finished() {
  if (!active_) return;
  {
    std::lock_guard<std::mutex> lock(shared_->lock);
    result_ = std::move(shared_->result);
    shared_->result.reset();
  }
  if (worker_.joinable()) worker_.join();
  active_ = false;
  if (result_ && calibration_)
    for (measure::ChannelMeasurement& m : result_->channels) m.response = ApplyCalibration(m.response, *calibration_);
  // Another microphone position: the levels are the power average of all of
  // them, the arrivals (and so the delays) stay the main position's.
  if (result_ && result_->ok) {
    for (const measure::ChannelMeasurement& m : result_->channels) positions_[static_cast<size_t>(m.box)].push_back(m.response);
    ++positionCount_;
    if (averaging_ && mainResult_) {
      for (measure::ChannelMeasurement& m : result_->channels) {
        m.response = PowerAverage(positions_[static_cast<size_t>(m.box)]);
        for (const measure::ChannelMeasurement& first : mainResult_->channels)
          if (first.box == m.box) m.arrival = first.arrival, m.impulse = first.impulse;
      }
      result_->relativeArrivals.clear();
      for (const measure::ChannelMeasurement& m : result_->channels)
        result_->relativeArrivals.push_back(m.arrival.samples - result_->channels.front().arrival.samples);
    } else {
      mainResult_ = result_;
    }
  }
  ShowResult();
  ShowState();
}

void CDlgMeasureHandler::ShowState() {
  if (!dlg_) return;
  const bool running = Running();
  Enable(*dlg_, "btn_start", !running);
  Enable(*dlg_, "btn_stop", running);
  const bool any = result_ && !result_->channels.empty();
  Enable(*dlg_, "btn_set_delays", !running && any && result_->channels.size() > 1);
  Enable(*dlg_, "btn_fit", !running && any);
  QString status;
  if (running) {
    const int box = shared_->current.load();
    status = box < 0 ? ui::Tr(QStringLiteral("Measuring...")) : ui::Tr(QStringLiteral("Measuring %1...")).arg(Label(box));
  } else if (result_) {
    if (result_->ok) {
      status = ui::Tr(QStringLiteral("%1 channels measured")).arg(result_->channels.size());
      if (positionCount_ > 1) status += QLatin1Char(' ') + ui::Tr(QStringLiteral("(%1 positions averaged)")).arg(positionCount_);
    } else if (result_->stopped) {
      status = ui::Tr(QStringLiteral("Stopped; the mutes are as they were"));
    } else {
      status = QString::fromStdString(result_->error);
    }
    if (!result_->mutesRestored) status += QLatin1Char(' ') + ui::Tr(QStringLiteral("The processor's mutes could not be put back."));
  }
  SetText(*dlg_, "status", status);
}

void CDlgMeasureHandler::ShowResult() {
  if (!dlg_ || !result_) return;
  std::vector<ui::ImpulseTrace> traces;
  std::vector<ui::PlotCurve> curves;
  const std::vector<double> hz = LogSpacedFrequencies(20, 20000, 24);
  QStringList lines;
  for (size_t i = 0; i < result_->channels.size(); ++i) {
    const measure::ChannelMeasurement& m = result_->channels[i];
    const QColor color = kTraceColors[static_cast<size_t>(ChannelLabelNumber(m.box) - 1) % 6];
    const QString name = QString::fromStdString(NamedChannelLabel(app_.Store().Names(), m.box));
    std::vector<double> db;
    for (double f : hz) db.push_back(f < m.response.LowestHz() || f > m.response.HighestHz() ? NAN : CurveAt(m.response, f));
    curves.push_back({name, color, false, std::move(db)});
    traces.push_back({name, color, m.impulse, m.arrival.samples});
    lines << ui::Tr(QStringLiteral("%1 %2 ms")).arg(Label(m.box)).arg(result_->relativeArrivals[i] / 48.0, 0, 'f', 3);
  }
  if (auto* plot = dynamic_cast<ui::SkImpulsePlot*>(dlg_->FindByName(QStringLiteral("plot_impulse"))))
    plot->SetTraces(std::move(traces));
  if (auto* plot = dynamic_cast<ui::SkMeasurementPlot*>(dlg_->FindByName(QStringLiteral("plot_response"))))
    plot->SetCurves(hz, std::move(curves));
  SetText(*dlg_, "arrivals",
          lines.isEmpty() ? QString() : ui::Tr(QStringLiteral("Arrivals against the first: %1")).arg(lines.join(QStringLiteral(", "))));
}

bool CDlgMeasureHandler::SetDelays() {
  if (!result_ || result_->channels.size() < 2 || Running()) return false;
  std::vector<double> arrivals;
  std::vector<int> then;
  for (const measure::ChannelMeasurement& m : result_->channels) {
    arrivals.push_back(m.arrival.samples);
    then.push_back(delaysWhileMeasured_.size() > static_cast<size_t>(m.box) ? delaysWhileMeasured_[static_cast<size_t>(m.box)] : 0);
  }
  const std::vector<int> delays = DelaysFromArrivals(arrivals, then);
  const auto write = [&] {
    CEffectStore::SendScope scope(app_.Store());
    for (size_t i = 0; i < delays.size(); ++i)
      app_.Store().SetParam(param::Delay(result_->channels[i].box), static_cast<uint16_t>(delays[i]));
  };
  if (editing::CEditHistory* history = app_.History()) {
    history->Record("Delays from the measurement", write);
  } else {
    write();
  }
  app_.Refresher().Send(RefreshKind::kFull);
  if (dlg_) SetText(*dlg_, "status", ui::Tr(QStringLiteral("The delays were set from the arrivals")));
  spdlog::info("delays set from the measured arrivals");
  return true;
}

bool CDlgMeasureHandler::TakeForFit() {
  if (!result_ || result_->channels.empty() || Running()) return false;
  for (const measure::ChannelMeasurement& m : result_->channels)
    session_.SetMeasurement(m.box, "Measured " + Label(m.box).toStdString(), m.response, 12);
  editor_.SelectChannel(result_->channels.front().box);
  return true;
}

int OpenMeasure(IConsole& app, ui::HostWindow* owner, editing::CChannelEditor& editor) {
  CDlgMeasure dlg(QString::fromLatin1(kMeasureLayout), owner, app, editor, RunMeasurements());
  if (!dlg.Create()) {
    spdlog::error("the measure layout could not be built");
    return -1;
  }
  dlg.CentreOn(owner);
  const int result = dlg.DoModal();
  app.Refresher().Send(RefreshKind::kFull);
  if (result == CDlgMeasureHandler::kFitResult) OpenMeasurement(app, owner, editor);
  return result;
}

}  // namespace brisvel::app
