// The settings dialog: device modes on the processor, PC modes in config.ini
// and scene files, in three layouts (XML_DEVICE_PRESET, XML_MY_PRESET,
// XML_SYSSETTING) served by one handler that works on whatever controls the
// open layout has. Batch scene files run on a worker thread behind the
// progress window.
#pragma once

#include <QFileSystemWatcher>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <string_view>
#include <memory>
#include <thread>
#include <vector>

#include "core/pcmode_record.h"
#include "editing/history.h"
#include "editing/presets.h"
#include "presets/layout_ids/xml_sys_setting.h"
#include "ui/host_window.h"

namespace brisvel {
class CEffectStore;
class CDeviceManager;
namespace settings {
class ConfigIni;
}
namespace editing {
class CEditHistory;
}  // namespace editing
namespace ui {
class ComboBox;
class Edit;
class CDlgProgress;
}  // namespace ui
}  // namespace brisvel

namespace brisvel::presets {

// What the dialog needs of the application.
struct PresetContext {
  settings::ConfigIni& config;
  CEffectStore& store;
  CDeviceManager* manager = nullptr;  // nullptr while the device link is missing
  int language = 0;                   // 0 Chinese, 1 English
  QString version{};                  // shown on the "Upgrade" page
  // The full refresh of the windows: sent (handled when this returns) or posted.
  std::function<void(bool send)> refresh{};
  // A PC mode was saved or recalled by name: what is kept with it besides its
  // block (the measurements of the run) is stored or brought back.
  std::function<void(const std::string& name)> pcModeSaved{};
  std::function<void(const std::string& name)> pcModeRecalled{};
  // The editor's history: a PC-mode recall is a step of it; the processor's
  // block replacing the editor's ends it. May be null.
  editing::CEditHistory* history = nullptr;
};

// The file dialogs of scene files, replaceable for automated runs. Answers
// are the chosen paths, empty when cancelled.
// kOpenScene and kSaveScene are the main window's "Open scene..." and "Save
// scene as...".
enum class SceneFileDialog { kExportCae, kImportCae, kExportBae, kImportBae, kOpenScene, kSaveScene, kSaveReport, kOpenCalibration };
struct FileDialogRequest {
  SceneFileDialog kind;
  QWidget* owner = nullptr;
  QString title;     // translated; empty for the default title
  QString filter;    // "Car audio effect file(*.cae)" translated
  QString suffix;    // "cae" or "bae"
  QString proposed;  // proposed file name
  QString folder{};  // where the dialog starts (set by ChooseSceneFiles)
};
void SetFileDialogResponder(std::function<QStringList(const FileDialogRequest&)> responder);
// Asks for scene files starting in the folder last used for them, and keeps
// the folder of the chosen ones for the next time.
QStringList ChooseSceneFiles(settings::ConfigIni& config, FileDialogRequest request);
// The same for another kind of file (settings::kFolderKinds).
QStringList ChooseFiles(settings::ConfigIni& config, std::string_view folderKind, FileDialogRequest request);

// Makes record index of the list the editor's block and channel names as one
// step of the history (sent when a processor is connected), keeps the names
// in config.ini and refreshes the windows: a PC-mode recall, and a scene
// file opened from the main window.
editing::RecallPCModeStatus RecallIntoEditor(PresetContext& context, const std::vector<PCModeRecord>& list, int index,
                                             const editing::StepName& step);

class CDlgSysSettingEventHandler : public ui::DialogEventHandler {
 public:
  explicit CDlgSysSettingEventHandler(PresetContext& context);
  ~CDlgSysSettingEventHandler() override;

  void OnInit(ui::HostWindow& dlg) override;

  const std::vector<PCModeRecord>& PCModes() const { return list_; }
  bool BatchRunning() const { return batchRunning_; }

  void SaveDeviceMode();
  void RecallDeviceMode();
  void AddPCMode();
  void RecallPCMode();
  void DeletePCMode();
  void ImportScenes();
  void ExportScene();
  void BatchExport();
  void BatchImport();
  void CheckUpdate();

 private:
  void OnDevSelChanged(int index);
  void OnPCSelChanged(int index);
  // Fills combo_pcmode from the list, selecting index (-1: none).
  void FillPCModes(int select);
  // config.ini changed on disk: the list follows it, the selection stays on its mode.
  void OnConfigChanged();
  // Names the PC modes config.ini holds but that cannot be read, once per run
  // for each set of them.
  void TellUnreadableOnce();
  void ShowSending();
  void HideSending();
  // Tells the user that config.ini was not written (the list stays in memory).
  void ReportNotSaved(const std::string& error);
  int Message(const QString& text, bool owned, const QString& caption = QString(), bool yesNo = false);
  void RunBatch(bool exportToFile, const QString& file);

  PresetContext& context_;
  ui::HostWindow* dlg_ = nullptr;
  ui::ComboBox* devMode_ = nullptr;
  ui::ComboBox* pcMode_ = nullptr;
  ui::Edit* input_ = nullptr;
  QWidget* sending_ = nullptr;
  QWidget* save_ = nullptr;
  bool initialised_ = false;
  bool batchRunning_ = false;
  std::vector<PCModeRecord> list_;
  QString filePath_;
  std::unique_ptr<QFileSystemWatcher> watcher_;
};

using CSysSettingDlg = ui::CCommonDlg<CDlgSysSettingEventHandler>;

// Opens the dialog with one of the three layouts modally; returns its result.
int OpenSysSettings(PresetContext& context, QWidget* owner, const char* layout);

}  // namespace brisvel::presets
