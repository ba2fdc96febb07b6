// The measurement and fit window ("Measurement and fit"): per channel a
// measured response imported from a file, drawn on the main window's EQ graph
// with its prediction and the target; a fit of the current channel's bands
// (over its linked range) towards the target within the range and boost limit,
// with the residual before and after, and a plot of the measurement, the
// target, the bands and the predicted result; Apply writes the fitted bands
// as one edit, after asking when they boost much or touch the crossover. Filter sets of the channel go out to and come in from files, an import
// only after the user has seen every change it makes.
#pragma once

#include <string_view>

#include <QString>
#include <optional>

#include "app/measurement_session.h"
#include "core/filter_set.h"
#include "editing/channel_editor.h"
#include "ui/host_window.h"

namespace brisvel::ui {
class ComboBox;
class Edit;
class SkCheckButton;
}  // namespace brisvel::ui

namespace brisvel::app {

class IConsole;

// Chooses a file for the window: the Qt file dialog by default, starting in
// folder. save: a file to write. An empty answer is a cancel.
struct FileChooser {
  virtual ~FileChooser() = default;
  virtual QString Open(QWidget* parent, const QString& caption, const QString& folder, const QString& filter) = 0;
  virtual QString Save(QWidget* parent, const QString& caption, const QString& folder, const QString& filter,
                       QString* chosenFilter) = 0;
};
// The Qt dialog (not the desktop's own, so it looks and behaves the same everywhere).
FileChooser& QtFileChooser();

class CDlgMeasurementHandler : public ui::DialogEventHandler {
 public:
  // mainWindow shows the EQ graph the overlay goes to (may be null);
  // editor is the main window's channel editor (its mode, GEQ or PEQ, is the fit's).
  CDlgMeasurementHandler(IConsole& app, ui::HostWindow* mainWindow, editing::CChannelEditor& editor,
                         MeasurementSession& session, FileChooser& files);
  void OnInit(ui::HostWindow& dlg) override;

  // The window's actions (also what its buttons do).
  void SelectChannel(int channel);
  bool ImportMeasurement(const QString& path);
  bool LoadTargetFile(const QString& path);
  bool Fit();
  bool Apply();
  bool ExportFilters(const QString& path, bool csv);
  bool ImportFilters(const QString& path);

  const std::optional<FitResult>& LastFit() const { return fit_; }
  QString Message() const { return message_; }

 private:
  void ReadSettings();
  void ShowAll();
  void ShowOverlay();
  void ShowPlot();
  void ShowMessage(const QString& text, bool problem = false);
  void SetText(int id, const QString& text);
  void WriteBandSet(const char* what, const ChannelBands& bands);
  std::optional<std::string> ReadFile(const QString& path, size_t limit);
  // A file to read, asked for in the folder last used for the kind (kept for the next time).
  QString OpenFile(std::string_view kind, const QString& caption, const QString& filter);

  IConsole& app_;
  ui::HostWindow* mainWindow_;
  editing::CChannelEditor& editor_;
  MeasurementSession& session_;
  FileChooser& files_;
  ui::HostWindow* dlg_ = nullptr;
  std::optional<FitResult> fit_;
  int fitChannel_ = -1;
  QString message_;
};

using CDlgMeasurement = ui::CCommonDlg<CDlgMeasurementHandler>;

// The main window's command: the window run modally over the owner, then a
// full refresh so the main window shows what changed here.
int OpenMeasurement(IConsole& app, ui::HostWindow* owner, editing::CChannelEditor& editor);

// The residual as the window shows it: "RMS 1.2 dB, max 3.4 dB".
QString ResidualText(const Residual& r);
// The preview of a filter-set import: what is taken, every change, every filter not taken.
QString FilterImportPreview(const FilterSetImport& import);

}  // namespace brisvel::app
