// The measurement and fit window.

#include "app/dlg_measurement.h"

#include <QFileDialog>
#include <QFileInfo>
#include <algorithm>
#include <cmath>

#include "app/console.h"
#include "app/layout_ids/xml_mainwnd.h"
#include "app/layout_ids/xml_measurement.h"
#include "app/panel_binders.h"
#include "controls/eq_graph.h"
#include "controls/measurement_plot.h"
#include "core/channel_names.h"
#include "core/scales.h"
#include "editing/history.h"
#include "presets/file_choice.h"
#include "settings/config_ini.h"
#include "settings/settings_keys.h"
#include "settings/file_safety.h"
#include "spdlog/spdlog.h"
#include "ui/basic_controls.h"
#include "ui/message_box.h"
#include "ui/translation.h"

namespace brisvel::app {

namespace ids = layout::measurement;

namespace {

constexpr size_t kMeasurementLimit = 16u << 20;
constexpr size_t kFilterSetLimit = 1u << 20;
const char kMeasurementFilter[] = "Measurements (*.txt *.frd *.csv *.dat);;All files (*)";
const char kFilterSetFilter[] = "Filter text (*.txt);;CSV (*.csv)";
const char kFilterOpenFilter[] = "Filter sets (*.txt *.csv);;All files (*)";

class QtChooser final : public FileChooser {
 public:
  QString Open(QWidget* parent, const QString& caption, const QString& folder, const QString& filter) override {
    return QFileDialog::getOpenFileName(parent, caption, folder, filter, nullptr, QFileDialog::DontUseNativeDialog);
  }
  QString Save(QWidget* parent, const QString& caption, const QString& folder, const QString& filter,
               QString* chosenFilter) override {
    return QFileDialog::getSaveFileName(parent, caption, folder, filter, chosenFilter,
                                        QFileDialog::DontUseNativeDialog);
  }
};

QString Tr(const char* source) { return ui::Tr(QString::fromUtf8(source)); }
QString Number(double v, int decimals) { return QString::number(v, 'f', decimals); }

double EditNumber(ui::HostWindow* dlg, int id, double fallback, double lo, double hi, int decimals) {
  auto* edit = dlg ? dlg->Find<QLineEdit>(id) : nullptr;
  if (!edit) return fallback;
  const std::string text = edit->text().toStdString();
  double v = ParseLeadingNumber(text);
  if (!std::isfinite(v) || text.find_first_of("0123456789") == std::string::npos) v = fallback;
  v = std::clamp(v, lo, hi);
  edit->setText(Number(v, decimals));  // the value used, as it was understood
  return v;
}

void SetEditNumber(ui::HostWindow* dlg, int id, double v, int decimals) {
  if (auto* edit = dlg ? dlg->Find<QLineEdit>(id) : nullptr) edit->setText(Number(v, decimals));
}

}  // namespace

FileChooser& QtFileChooser() {
  static QtChooser chooser;
  return chooser;
}

QString ResidualText(const Residual& r) {
  return Tr("RMS %1 dB, max %2 dB").arg(Number(r.rms, 2), Number(r.max, 2));
}

QString FilterImportPreview(const FilterSetImport& import) {
  QStringList lines;
  lines << Tr("%1 filters taken.").arg(import.filtersTaken);
  lines << Tr("Q is read as filter files give it, the standard Q of a peaking filter; the band table shows three "
              "times that value.");
  for (const std::string& n : import.notes) lines << QStringLiteral("  ") + QString::fromStdString(n);
  if (!import.changes.empty()) {
    lines << Tr("Changed to fit the processor:");
    for (const std::string& c : import.changes) lines << QStringLiteral("  ") + QString::fromStdString(c);
  }
  if (!import.skipped.empty()) {
    lines << Tr("Not taken:");
    for (const std::string& s : import.skipped) lines << QStringLiteral("  ") + QString::fromStdString(s);
  }
  lines << Tr("Write these bands to the channel?");
  return lines.join('\n');
}

CDlgMeasurementHandler::CDlgMeasurementHandler(IConsole& app, ui::HostWindow* mainWindow,
                                               editing::CChannelEditor& editor, MeasurementSession& session,
                                               FileChooser& files)
    : app_(app), mainWindow_(mainWindow), editor_(editor), session_(session), files_(files) {}

QString CDlgMeasurementHandler::OpenFile(std::string_view kind, const QString& caption, const QString& filter) {
  const QString path = files_.Open(dlg_, caption, presets::StartFolder(app_.Config(), kind), filter);
  presets::RememberFolder(app_.Config(), kind, path);
  return path;
}

void CDlgMeasurementHandler::OnInit(ui::HostWindow& dlg) {
  dlg_ = &dlg;
  for (int k = 0; k < kChannelCount; ++k)
    if (auto* b = dlg.Find<ui::SkCheckButton>(ids::kChannel + k)) b->SetAttribute("autoCheck", "0");
  SetEditNumber(dlg_, ids::kLfGain, session_.target.lfGainDb, 1);
  SetEditNumber(dlg_, ids::kLfCorner, session_.target.lfCornerHz, 0);
  SetEditNumber(dlg_, ids::kTilt, session_.target.tiltDbPerOctave, 1);
  SetEditNumber(dlg_, ids::kLowHz, session_.loHz, 0);
  SetEditNumber(dlg_, ids::kHighHz, session_.hiHz, 0);
  SetEditNumber(dlg_, ids::kMaxBoost, session_.maxBoostDb, 1);
  SetEditNumber(dlg_, ids::kBands, session_.maxBands, 0);
  if (auto* kind = dlg.Find<ui::ComboBox>(ids::kTargetKind)) kind->setCurrentIndex(static_cast<int>(session_.target.kind));
  ShowAll();

  ui::EventRouter& r = dlg.Router();
  const auto close = [&dlg](const ui::Event&) { dlg.EndDialog(ui::HostWindow::kCancelButtonId); };
  r.OnName(ui::EventCmd, ids::kClose, close);
  r.OnName(ui::EventCmd, ids::kDone, close);
  r.OnIdRange(ui::EventCmd, ids::kChannel, ids::kChannel + kChannelCount - 1,
              [this](const ui::Event& e) { SelectChannel(e.senderId - ids::kChannel); });
  r.OnName(ui::EventCmd, ids::kImport, [this](const ui::Event&) {
    const QString path = OpenFile(settings::kFolderMeasurement, Tr("Import measurement"), Tr(kMeasurementFilter));
    if (!path.isEmpty()) ImportMeasurement(path);
  });
  r.OnName(ui::EventCmd, ids::kRemove, [this](const ui::Event&) {
    session_.Clear(editor_.CurrentChannel());
    fit_.reset();
    ShowAll();
  });
  r.OnName(ui::EventCmd, ids::kTargetFile, [this](const ui::Event&) {
    const QString path = OpenFile(settings::kFolderMeasurement, Tr("Target file"), Tr(kMeasurementFilter));
    if (!path.isEmpty()) LoadTargetFile(path);
  });
  r.OnName(ui::EventCmd, ids::kFit, [this](const ui::Event&) { Fit(); });
  r.OnName(ui::EventCmd, ids::kApply, [this](const ui::Event&) { Apply(); });
  r.OnName(ui::EventCmd, ids::kExportFilters, [this](const ui::Event&) {
    QString chosen;
    const QString path = files_.Save(dlg_, Tr("Export filters"), presets::StartFolder(app_.Config(), settings::kFolderFilters),
                                     Tr(kFilterSetFilter), &chosen);
    presets::RememberFolder(app_.Config(), settings::kFolderFilters, path);
    if (!path.isEmpty())
      ExportFilters(path, path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive) || chosen.contains("csv"));
  });
  r.OnName(ui::EventCmd, ids::kImportFilters, [this](const ui::Event&) {
    const QString path = OpenFile(settings::kFolderFilters, Tr("Import filters"), Tr(kFilterOpenFilter));
    if (!path.isEmpty()) ImportFilters(path);
  });
  r.On<ui::SelChangedArgs>(ids::kSmoothing, ids::kSmoothing, [this](const ui::Event&, const ui::SelChangedArgs&) {
    ReadSettings();
    ShowOverlay();
  });
  r.On<ui::SelChangedArgs>(ids::kTargetKind, ids::kTargetKind, [this](const ui::Event&, const ui::SelChangedArgs&) {
    ReadSettings();
    ShowOverlay();
  });
  for (int id : {ids::kLfGain, ids::kLfCorner, ids::kTilt, ids::kLowHz, ids::kHighHz, ids::kMaxBoost, ids::kBands})
    r.OnId(ui::EventKillFocus, id, [this](const ui::Event&) {
      ReadSettings();
      ShowOverlay();
    });
}

// Everything the window's fields say, understood leniently and shown as used.
void CDlgMeasurementHandler::ReadSettings() {
  if (!dlg_) return;
  TargetCurve& t = session_.target;
  if (auto* kind = dlg_->Find<ui::ComboBox>(ids::kTargetKind)) {
    const int i = std::clamp(kind->currentIndex(), 0, 2);
    // A file target without a file stays what it was.
    if (i != TargetCurve::kFile || !t.file.Empty()) t.kind = static_cast<TargetCurve::Kind>(i);
    kind->setCurrentIndex(static_cast<int>(t.kind));
  }
  t.lfGainDb = EditNumber(dlg_, ids::kLfGain, t.lfGainDb, -20, 20, 1);
  t.lfCornerHz = EditNumber(dlg_, ids::kLfCorner, t.lfCornerHz, 20, 1000, 0);
  t.tiltDbPerOctave = EditNumber(dlg_, ids::kTilt, t.tiltDbPerOctave, -6, 6, 1);
  double lo = EditNumber(dlg_, ids::kLowHz, session_.loHz, kFitLowestHz, kFitHighestHz, 0);
  double hi = EditNumber(dlg_, ids::kHighHz, session_.hiHz, kFitLowestHz, kFitHighestHz, 0);
  if (hi < lo) std::swap(lo, hi);
  if (hi == lo) hi = std::min(kFitHighestHz, lo * 2);
  if (hi == lo) lo = hi / 2;
  session_.loHz = lo;
  session_.hiHz = hi;
  SetEditNumber(dlg_, ids::kLowHz, lo, 0);
  SetEditNumber(dlg_, ids::kHighHz, hi, 0);
  const int top = app_.CaeData().maxVol;
  session_.maxBoostDb = EditNumber(dlg_, ids::kMaxBoost, session_.maxBoostDb, 0, std::max(0, top), 1);
  session_.maxBands = static_cast<int>(EditNumber(dlg_, ids::kBands, session_.maxBands, 1, kBandCount, 0));
  if (auto* smoothing = dlg_->Find<ui::ComboBox>(ids::kSmoothing))
    session_.SetSmoothing(editor_.CurrentChannel(), smoothing->ItemData(smoothing->currentIndex()));
}

void CDlgMeasurementHandler::SetText(int id, const QString& text) {
  if (ui::Element* e = dlg_ ? ui::AsElement(dlg_->FindById(id)) : nullptr) e->SetText(text);
}

void CDlgMeasurementHandler::ShowMessage(const QString& text, bool problem) {
  message_ = text;
  SetText(ids::kMessage, text);
  // Problems stand out; results read like the rest of the window.
  if (ui::Element* e = dlg_ ? ui::AsElement(dlg_->FindById(ids::kMessage)) : nullptr)
    e->SetTextColor(problem ? QColor(0xff, 0xa0, 0xa0) : QColor(0xcc, 0xcc, 0xcc));
}

void CDlgMeasurementHandler::ShowAll() {
  if (!dlg_) return;
  const int ch = editor_.CurrentChannel();
  for (int k = 0; k < kChannelCount; ++k) {
    if (auto* b = dlg_->Find<ui::SkCheckButton>(ids::kChannel + k)) {
      b->SetChecked(k == ch);
      ShowChannelLabel(b, app_.Store().Names(), k);
    }
  }
  const ChannelMeasurement* m = session_.Measurement(ch);
  SetText(ids::kSource, m ? QFileInfo(QString::fromStdString(m->source)).fileName() : Tr("None"));
  if (auto* smoothing = dlg_->Find<ui::ComboBox>(ids::kSmoothing)) {
    const int want = m ? m->smoothing : 0;
    for (int i = 0; i < smoothing->count(); ++i)
      if (smoothing->ItemData(i) == want) smoothing->setCurrentIndex(i);
  }
  SetText(ids::kTargetSource, session_.targetSource.empty()
                                  ? QString()
                                  : QFileInfo(QString::fromStdString(session_.targetSource)).fileName());
  SetText(ids::kMode, editor_.PeqMode() ? QStringLiteral("PEQ") : QStringLiteral("GEQ"));
  const bool shown = fit_ && fitChannel_ == ch;
  SetText(ids::kBefore, shown ? Tr("Before: %1").arg(ResidualText(fit_->before)) : QString());
  SetText(ids::kAfter, shown ? Tr("After: %1").arg(ResidualText(fit_->after)) : QString());
  if (auto* apply = dlg_->FindByName(QString::fromLatin1(ids::kApply))) apply->setEnabled(shown && fit_->improved);
  ShowOverlay();
}

void CDlgMeasurementHandler::ShowOverlay() {
  ShowPlot();
  auto* graph = mainWindow_ ? mainWindow_->Find<ui::SkEQ>(QString::fromLatin1(layout::mainwnd::kGraph)) : nullptr;
  if (graph && graph->Curve()) graph->Curve()->SetOverlay(session_.Overlay(editor_.CurrentChannel()));
}

void CDlgMeasurementHandler::ShowPlot() {
  auto* plot = dlg_ ? dlg_->Find<ui::SkMeasurementPlot>(ids::kPlot) : nullptr;
  if (!plot) return;
  const int ch = editor_.CurrentChannel();
  // A fit waiting for Apply is shown as it would be; otherwise the channel's bands.
  const ChannelBands bands = fit_ && fitChannel_ == ch ? fit_->bands : BandsFromBlock(app_.Store().Block(), ch);
  const MeasurementSession::PlotData d = session_.Plot(app_.Store().Block(), ch, bands);
  std::vector<ui::PlotCurve> curves;
  if (!d.hz.empty()) {
    curves.push_back({Tr("Measurement"), QColor(0xff, 0xa0, 0x20), false, d.measured});
    curves.push_back({Tr("Target"), QColor(0xe0, 0xe0, 0xe0), true, d.target});
    curves.push_back({Tr("EQ (bands)"), QColor(0xc0, 0x27, 0xc0), false, d.eq});
    curves.push_back({Tr("Predicted result"), QColor(0x40, 0xc0, 0xff), false, d.predicted});
  }
  plot->SetCurves(d.hz, std::move(curves));
}

void CDlgMeasurementHandler::SelectChannel(int channel) {
  if (channel < 0 || channel >= kChannelCount) return;
  editor_.SelectChannel(channel);
  // The main window shows the channel (its graph asks for the channel's overlay).
  app_.Refresher().Send(RefreshKind::kFull);
  ShowMessage(QString());
  ShowAll();
}

std::optional<std::string> CDlgMeasurementHandler::ReadFile(const QString& path, size_t limit) {
  const settings::FileContent content = settings::ReadRegularFile(path.toStdString(), limit);
  if (content.status == settings::ReadStatus::kOk) return content.data;
  const QString why = content.status == settings::ReadStatus::kTooLarge ? Tr("%1: the file is too large").arg(path)
                                                                        : QString::fromStdString(content.error);
  ShowMessage(why, true);
  ui::MessageBox(dlg_, why, Tr("Prompt"));
  return std::nullopt;
}

bool CDlgMeasurementHandler::ImportMeasurement(const QString& path) {
  const std::optional<std::string> text = ReadFile(path, kMeasurementLimit);
  if (!text) return false;
  const CurveParse parsed = ParseFrequencyCurve(*text);
  if (!parsed.curve) {
    const QString why = Tr("The measurement was not read: %1: %2")
                            .arg(QFileInfo(path).fileName(), QString::fromStdString(parsed.error));
    ShowMessage(why, true);
    ui::MessageBox(dlg_, why, Tr("Prompt"));
    return false;
  }
  ReadSettings();
  int smoothing = 0;
  if (auto* list = dlg_ ? dlg_->Find<ui::ComboBox>(ids::kSmoothing) : nullptr)
    smoothing = list->ItemData(list->currentIndex());
  const int ch = editor_.CurrentChannel();
  session_.SetMeasurement(ch, path.toStdString(), *parsed.curve, smoothing);
  if (fitChannel_ == ch) fit_.reset();
  spdlog::info("measurement of channel {} read from {} ({} points)", ch, path.toStdString(), parsed.curve->hz.size());
  QString read = Tr("%1 points read, %2 Hz to %3 Hz.")
                     .arg(parsed.curve->hz.size())
                     .arg(parsed.curve->LowestHz(), 0, 'g', 5)
                     .arg(parsed.curve->HighestHz(), 0, 'g', 5);
  // What was understood of the file's layout (its header, the columns, a second channel).
  for (const std::string& n : parsed.notes) read += QStringLiteral(" ") + QString::fromStdString(n) + QStringLiteral(".");
  ShowMessage(read);
  ShowAll();
  return true;
}

bool CDlgMeasurementHandler::LoadTargetFile(const QString& path) {
  const std::optional<std::string> text = ReadFile(path, kMeasurementLimit);
  if (!text) return false;
  const CurveParse parsed = ParseFrequencyCurve(*text);
  if (!parsed.curve) {
    const QString why = Tr("The target was not read: %1: %2")
                            .arg(QFileInfo(path).fileName(), QString::fromStdString(parsed.error));
    ShowMessage(why, true);
    ui::MessageBox(dlg_, why, Tr("Prompt"));
    return false;
  }
  session_.target.file = *parsed.curve;
  session_.target.kind = TargetCurve::kFile;
  session_.targetSource = path.toStdString();
  if (auto* kind = dlg_ ? dlg_->Find<ui::ComboBox>(ids::kTargetKind) : nullptr) kind->setCurrentIndex(TargetCurve::kFile);
  ShowMessage(QString());
  ShowAll();
  return true;
}

bool CDlgMeasurementHandler::Fit() {
  ReadSettings();
  const int ch = editor_.CurrentChannel();
  if (!session_.Measurement(ch)) {
    ShowMessage(Tr("Import a measurement of this channel first."), true);
    return false;
  }
  const FitProblem problem = session_.Problem(app_.Store().Block(), ch);
  if (problem.hz.empty()) {
    ShowMessage(Tr("The measurement does not cover the range."), true);
    return false;
  }
  FitSettings settings;
  settings.mode = editor_.PeqMode() ? FitMode::kPeq : FitMode::kGeq;
  settings.maxBoostDb = session_.maxBoostDb;
  settings.minGainDb = app_.CaeData().minVol;
  settings.maxGainDb = app_.CaeData().maxVol;
  settings.maxBands = session_.maxBands;
  fit_ = FitBands(problem, BandsFromBlock(app_.Store().Block(), ch), settings);
  fitChannel_ = ch;
  spdlog::info("fit of channel {} over {:.0f}-{:.0f} Hz: rms {:.2f} -> {:.2f} dB", ch, session_.loHz, session_.hiHz,
               fit_->before.rms, fit_->after.rms);
  if (fit_->improved) {
    ShowMessage(Tr("Fitted over %1 to %2 Hz (the channel's passband is %3 to %4 Hz): %5 bands used, summed boost at "
                   "most %6 dB. Apply writes the bands.")
                    .arg(problem.hz.front(), 0, 'f', 0)
                    .arg(problem.hz.back(), 0, 'f', 0)
                    .arg(fit_->passLowHz, 0, 'f', 0)
                    .arg(fit_->passHighHz, 0, 'f', 0)
                    .arg(fit_->bandsUsed.size())
                    .arg(fit_->summedBoostDb, 0, 'f', 1));
  } else {
    ShowMessage(Tr("No better setting was found."));
  }
  ShowAll();
  return fit_->improved;
}

// One step of the edit history, when there is one.
void CDlgMeasurementHandler::WriteBandSet(const char* what, const ChannelBands& bands) {
  editing::CEditHistory* history = app_.History();
  const editing::StepName name(std::string(what) + " %1", {NamedChannelLabel(app_.Store().Names(), editor_.CurrentChannel())});
  if (history) history->Record(name, [&] { return editor_.SetBands(bands); });
  else editor_.SetBands(bands);
}

bool CDlgMeasurementHandler::Apply() {
  const int ch = editor_.CurrentChannel();
  if (!fit_ || fitChannel_ != ch || !fit_->improved) return false;
  if (FitNeedsConfirmation(*fit_)) {
    QStringList why;
    if (fit_->summedBoostDb > kBoostWarnDb)
      why << Tr("The fitted bands boost the channel by up to %1 dB.").arg(fit_->summedBoostDb, 0, 'f', 1);
    if (fit_->rolloffChangeDb > kRolloffChangeWarnDb)
      why << Tr("They change the response beyond the channel's crossover (below %1 Hz or above %2 Hz) by up to %3 dB.")
                 .arg(fit_->passLowHz, 0, 'f', 0)
                 .arg(fit_->passHighHz, 0, 'f', 0)
                 .arg(fit_->rolloffChangeDb, 0, 'f', 1);
    why << Tr("Write them to the channel all the same?");
    if (ui::MessageBox(dlg_, why.join('\n'), Tr("Apply fit"), ui::MessageButtons::YesNo) != ui::kIdYes) {
      ShowMessage(Tr("Nothing was changed."));
      return false;
    }
  }
  WriteBandSet("Fit", fit_->bands);
  fit_.reset();
  app_.Refresher().Send(RefreshKind::kFull);
  ShowMessage(Tr("The fitted bands were written."));
  ShowAll();
  return true;
}

bool CDlgMeasurementHandler::ExportFilters(const QString& path, bool csv) {
  const ChannelBands bands = BandsFromBlock(app_.Store().Block(), editor_.CurrentChannel());
  const std::string text = csv ? FilterSetCsv(bands) : FilterSetText(bands);
  std::string error;
  if (!settings::WriteFileAtomically(path.toStdString(), text, &error)) {
    const QString why = Tr("The filters were not written: %1").arg(QString::fromStdString(error));
    ShowMessage(why, true);
    ui::MessageBox(dlg_, why, Tr("Prompt"));
    return false;
  }
  ShowMessage(Tr("Filters written to %1.").arg(QFileInfo(path).fileName()));
  return true;
}

bool CDlgMeasurementHandler::ImportFilters(const QString& path) {
  const std::optional<std::string> text = ReadFile(path, kFilterSetLimit);
  if (!text) return false;
  const int ch = editor_.CurrentChannel();
  const FilterSetImport import =
      ImportFilterSet(*text, BandsFromBlock(app_.Store().Block(), ch), app_.CaeData().minVol, app_.CaeData().maxVol);
  if (!import.ok) {
    const QString why = Tr("The filters were not read: %1: %2")
                            .arg(QFileInfo(path).fileName(), QString::fromStdString(import.error));
    ShowMessage(why, true);
    ui::MessageBox(dlg_, why, Tr("Prompt"));
    return false;
  }
  if (ui::MessageBox(dlg_, FilterImportPreview(import), Tr("Import filters"), ui::MessageButtons::YesNo) !=
      ui::kIdYes) {
    ShowMessage(Tr("Nothing was changed."));
    return false;
  }
  WriteBandSet("Filter import", import.bands);
  if (fitChannel_ == ch) fit_.reset();
  app_.Refresher().Send(RefreshKind::kFull);
  ShowMessage(Tr("%1 filters taken.").arg(import.filtersTaken));
  ShowAll();
  return true;
}

int OpenMeasurement(IConsole& app, ui::HostWindow* owner, editing::CChannelEditor& editor) {
  CDlgMeasurement dlg(QString::fromLatin1(ids::kLayout), owner, app, owner, editor, RunMeasurements(), QtFileChooser());
  if (!dlg.Create()) {
    spdlog::error("the measurement layout could not be built");
    return -1;
  }
  dlg.CentreOn(owner);
  const int result = dlg.DoModal();
  app.Refresher().Send(RefreshKind::kFull);
  return result;
}

}  // namespace brisvel::app
