// The tuning report of the running console.
#include "app/tuning_report_file.h"

#include <QDateTime>
#include <QFileInfo>

#include "app/console.h"
#include "app/main_dlg.h"
#include "app/measurement_session.h"
#include "app/preset_dialogs.h"
#include "app/sum_view.h"
#include "core/eq_fit.h"
#include "presets/sys_setting.h"
#include "report/tuning_report_pdf.h"
#include "settings/settings_keys.h"
#include "spdlog/spdlog.h"
#include "ui/message_box.h"
#include "ui/translation.h"

namespace brisvel::app {

TuningReport GatherTuningReport(IConsole& app, const SumView* sum) {
  TuningReport r;
  r.date = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")).toStdString();
  r.processor = ProcessorInformationText(app).toStdString();
  r.deviceMode = DeviceModeText(app.Store().CurrentDeviceMode()).toStdString();
  r.pcMode = CurrentPcModeName().toStdString();
  r.block = app.Store().Block();
  r.names = app.Store().Names();
  if (sum && sum->Shown() && !sum->Channels().empty()) r.sums.push_back(sum->Channels());
  const MeasurementSession& session = RunMeasurements();
  for (int box = 0; box < kChannelCount; ++box) {
    const ChannelMeasurement* m = session.Measurement(box);
    if (!m) continue;
    const MeasurementSession::PlotData d = session.Plot(r.block, box, BandsFromBlock(r.block, box));
    r.measurements.push_back({box, m->source, d.hz, d.measured, d.target, d.predicted});
  }
  return r;
}

bool SaveTuningReport(IConsole& app, QWidget* owner, const SumView* sum) {
  const QString proposed =
      QStringLiteral("%1 %2.pdf")
          .arg(ui::Tr(QStringLiteral("Tuning report")), QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd")));
  const QStringList chosen = presets::ChooseFiles(
      app.Config(), settings::kFolderReport,
      {presets::SceneFileDialog::kSaveReport, owner, ui::Tr(QStringLiteral("Tuning report")),
       ui::Tr(QStringLiteral("PDF document")) + QStringLiteral("(*.pdf)"), QStringLiteral("pdf"), proposed});
  if (chosen.isEmpty()) return false;
  QString pdf = chosen.front();
  if (QFileInfo(pdf).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) != 0) pdf += QStringLiteral(".pdf");
  const QString csv = report::CsvBeside(pdf);
  const TuningReport r = GatherTuningReport(app, sum);
  QString error;
  if (!report::WriteTuningReportPdf(r, pdf, &error) || !report::WriteTuningReportCsv(r, csv, &error)) {
    spdlog::error("the tuning report was not written: {}", error.toStdString());
    ui::MessageBox(owner, error);
    return false;
  }
  spdlog::info("tuning report written to {} and {}", pdf.toStdString(), csv.toStdString());
  ui::MessageBox(owner, ui::Tr(QStringLiteral("The tuning report was written to %1 and %2."))
                            .arg(QFileInfo(pdf).fileName(), QFileInfo(csv).fileName()));
  return true;
}

}  // namespace brisvel::app
