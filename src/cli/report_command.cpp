// brisvelctl report: the tuning report of a block file or of the processor,
// as the console's File menu writes it (PDF and CSV).
#include <CLI/CLI.hpp>

#include <ctime>
#include <filesystem>

#include "cli/cli_common.h"
#include "core/channel_names.h"
#include "core/system_sum.h"
#include "core/tuning_report.h"
#include "settings/file_safety.h"

#if BRISVEL_REPORT_PDF
#include <QGuiApplication>

#include "report/tuning_report_pdf.h"
#include "ui/translation.h"
#endif

namespace brisvel::cli {

namespace {

struct ReportOptions {
  std::string blockFile;
  std::string output;
  std::string csv;
  std::vector<std::string> sums;
  std::string names;
  std::string pcMode;
  std::string language = "en";
};

ReportOptions& Report() {
  static ReportOptions o;
  return o;
}

std::string Now() {
  const std::time_t t = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  local = *std::localtime(&t);  // one thread
#else
  localtime_r(&t, &local);
#endif
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M", &local);
  return buf;
}

bool EndsWith(const std::string& s, const std::string& suffix) {
  if (s.size() < suffix.size()) return false;
  for (size_t i = 0; i < suffix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(s[s.size() - suffix.size() + i])) != suffix[i]) return false;
  return true;
}

void WriteCsv(const TuningReport& report, const std::string& path) {
#if BRISVEL_REPORT_PDF
  QString error;
  if (!report::WriteTuningReportCsv(report, QString::fromStdString(path), &error)) throw CliError(error.toStdString());
#else
  std::string error;
  if (!settings::WriteFileAtomically(path, TuningReportCsv(report), &error))
    throw CliError(path + " could not be written: " + error);
#endif
}

void CmdReport() {
  const ReportOptions& o = Report();
  const bool pdf = EndsWith(o.output, ".pdf");
  if (!pdf && !EndsWith(o.output, ".csv")) throw CliError("-o takes a file ending in .pdf or .csv");
  if (o.language != "en" && o.language != "cn") throw CliError("--language takes en or cn");
#if !BRISVEL_REPORT_PDF
  if (pdf) throw CliError("this build writes the tuning report as CSV only (-o report.csv)");
#endif
  TuningReport report;
  report.date = Now();
  if (DeviceSelected()) {
    ProcessorReport device = DeviceReportInfo();
    report.block = o.blockFile.empty() ? device.block : ReadBlockFile(o.blockFile);
    report.processor = std::move(device.processor);
    report.deviceMode = std::move(device.deviceMode);
  } else {
    if (o.blockFile.empty()) throw CliError("usage: brisvelctl report BLOCKFILE -o report.pdf (or --sim/--path)");
    report.block = ReadBlockFile(o.blockFile);
    report.processor = "No processor is connected";
  }
  report.names = DecodeChannelNames(o.names);
  report.pcMode = o.pcMode;
  for (const std::string& sum : o.sums) {
    const auto boxes = ParseChannelLabels(sum);
    if (!boxes) throw CliError("--sum takes channels CH1 to CH6 as the window names them, as in CH1,CH5");
    report.sums.push_back(*boxes);
  }
  const std::string csv = !o.csv.empty() ? o.csv : pdf ? std::filesystem::path(o.output).replace_extension(".csv").string()
                                                      : o.output;
#if BRISVEL_REPORT_PDF
  if (pdf) {
    int argc = 1;
    char name[] = "brisvelctl";
    char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's own notices (a missing runtime folder, say) are not the command's output.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
      if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "brisvelctl: %s\n", qPrintable(message));
    });
    QGuiApplication app(argc, argv);
    ui::SetTranslation(ui::TranslatorForLanguage(o.language == "cn" ? 0 : 1));
    QString error;
    if (!report::WriteTuningReportPdf(report, QString::fromStdString(o.output), &error))
      throw CliError(error.toStdString());
    WriteCsv(report, csv);
    std::printf("%s\n%s\n", Printable(o.output).c_str(), Printable(csv).c_str());
    return;
  }
#endif
  WriteCsv(report, csv);
  std::printf("%s\n", Printable(csv).c_str());
}

}  // namespace

void RegisterReportCommand(CLI::App& app) {
  ReportOptions& o = Report();
  auto* cmd = app.add_subcommand("report", "the tuning report: a PDF (A4) and a CSV of the channels, bands and curves");
  cmd->add_option("BLOCKFILE", o.blockFile, "raw 1206-byte block (with --sim/--path: the processor's when left out)");
  cmd->add_option("-o,--output", o.output, "report.pdf (with report.csv beside it) or report.csv")->required();
  cmd->add_option("--csv", o.csv, "where the CSV goes instead");
  cmd->add_option("--sum", o.sums, "a sum to plot, e.g. CH1,CH5 (repeatable)");
  cmd->add_option("--names", o.names, "the channel names as the console keeps them: \"Tweeter L|Tweeter R||||Sub\"");
  cmd->add_option("--pc-mode", o.pcMode, "the PC mode's name to print");
  cmd->add_option("--language", o.language, "en or cn");
  cmd->callback(CmdReport);
}

}  // namespace brisvel::cli
