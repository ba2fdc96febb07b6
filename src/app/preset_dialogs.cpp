// The settings dialog over the application's store, settings and device link.
#include "app/preset_dialogs.h"

#include "app/console.h"
#include "app/measurement_session.h"
#include "app/refresh.h"
#include "app/scene_open.h"
#include "core/effect_store.h"
#include "editing/history.h"
#include "editing/presets.h"
#include "presets/sys_setting.h"
#include "settings/config_ini.h"
#include "settings/scene_files.h"
#include "spdlog/spdlog.h"
#include "ui/message_box.h"
#include "ui/translation.h"

#include <QFileInfo>

namespace brisvel::app {

namespace {

QString& PcModeName() {
  static QString name;
  return name;
}

presets::PresetContext MakeContext(IConsole& app) {
  presets::PresetContext context{.config = app.Config(), .store = app.Store()};
  context.manager = app.DeviceManager();
  context.language = app.Language();
  context.version = QString::fromLatin1(kVersion);
  context.history = app.History();
  context.refresh = [&app](bool send) {
    if (send) {
      app.Refresher().Send(RefreshKind::kRecall);
    } else {
      app.Refresher().Post(RefreshKind::kFull);
    }
  };
  // The run's measurements go with the PC mode into measurements.ini; a .cae holds none.
  context.pcModeSaved = [&app](const std::string& name) {
    PcModeName() = QString::fromStdString(name);
    std::string error;
    if (!KeepWithPcMode(RunMeasurements(), app.Config().Path(), name, &error))
      spdlog::error("the measurements of PC mode \"{}\" were not kept: {}", name, error);
  };
  context.pcModeRecalled = [&app](const std::string& name) {
    PcModeName() = QString::fromStdString(name);
    std::string error;
    if (!RestoreFromPcMode(RunMeasurements(), app.Config().Path(), name, &error))
      spdlog::error("the measurements of PC mode \"{}\" were not read: {}", name, error);
  };
  return context;
}

QString SceneFilter() { return ui::Tr(QStringLiteral("Car audio effect file")) + QStringLiteral("(*.cae)"); }
std::filesystem::path FsPath(const QString& file) { return std::filesystem::path(file.toStdU16String()); }

void KeepRecent(IConsole& app, const QString& file) {
  if (!app.Config().AddRecentScene(FsPath(QFileInfo(file).absoluteFilePath())) && !app.Config().LastSaveError().empty())
    spdlog::warn("the recent scenes could not be kept: {}", app.Config().LastSaveError());
}

}  // namespace

int OpenPresetDialog(IConsole& app, QWidget* owner, const char* layout) {
  presets::PresetContext context = MakeContext(app);
  return presets::OpenSysSettings(context, owner, layout);
}

bool OpenSceneFile(IConsole& app, QWidget* owner, const QString& given) {
  QString file = given;
  if (file.isEmpty()) {
    const QStringList chosen = presets::ChooseSceneFiles(
        app.Config(), {presets::SceneFileDialog::kOpenScene, owner, ui::Tr(QStringLiteral("Open scene")), SceneFilter(),
                       QStringLiteral("cae"), QString()});
    if (chosen.isEmpty()) return false;
    file = chosen.front();
  }
  const scene::SceneReadResult read = scene::ReadSceneFile(FsPath(file));
  if (!read.record) {
    spdlog::warn("scene file {}: {}", file.toStdString(), scene::SceneErrorText(read.error));
    ui::MessageBox(owner, ui::Tr(QString::fromUtf8(kSceneUnreadableText)).arg(file));
    return false;
  }
  // A .cae holds no measurements: those of the run stay.
  presets::PresetContext context = MakeContext(app);
  context.pcModeRecalled = nullptr;
  const std::vector<PCModeRecord> list{*read.record};
  const editing::RecallPCModeStatus status =
      presets::RecallIntoEditor(context, list, 0, editing::StepName("Scene opened: %1", {read.record->Name()}));
  spdlog::info("scene file {} opened into the editor", file.toStdString());
  KeepRecent(app, file);
  if (status == editing::RecallPCModeStatus::kSendFailed)
    ui::MessageBox(owner, ui::Tr(QString::fromUtf8(kSceneNotSentText)));
  return true;
}

bool SaveSceneAs(IConsole& app, QWidget* owner) {
  // The last scene's name is proposed, in the folder last used.
  const QStringList recent = RecentSceneFiles(app);
  const QStringList chosen = presets::ChooseSceneFiles(
      app.Config(), {presets::SceneFileDialog::kSaveScene, owner, ui::Tr(QStringLiteral("Save scene as")), SceneFilter(),
                     QStringLiteral("cae"), recent.isEmpty() ? QString() : QFileInfo(recent.front()).fileName()});
  if (chosen.isEmpty()) return false;
  const QString file = chosen.front();
  PCModeRecord record;
  const std::string base = editing::CleanPCModeName(QFileInfo(file).completeBaseName().toStdString());
  record.SetName(base.empty() ? QFileInfo(file).fileName().toStdString() : base);
  record.block = app.Store().Block();
  record.channelNames = app.Store().Names();
  const scene::SceneError error = scene::WriteSceneFile(FsPath(file), record);
  if (error != scene::SceneError::kNone) {
    spdlog::error("saving the scene to {} failed: {}", file.toStdString(), scene::SceneErrorText(error));
    ui::MessageBox(owner, ui::Tr(QStringLiteral("Failed to export effect to file")));
    return false;
  }
  KeepRecent(app, file);
  return true;
}

QStringList RecentSceneFiles(IConsole& app) {
  app.Config().Refresh();  // another run may have opened or saved one meanwhile
  QStringList files;
  for (const std::filesystem::path& file : app.Config().RecentScenes()) {
    const QString path = QString::fromStdU16String(file.u16string());
    if (QFileInfo(path).isFile()) files << path;  // a file moved or deleted is left out
  }
  return files;
}

QString CurrentPcModeName() { return PcModeName(); }

}  // namespace brisvel::app
