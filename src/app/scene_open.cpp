// The import offer for scene files opened from outside the console.
#include "app/scene_open.h"

#include <QFileInfo>
#include <QTimer>

#include "app/console.h"
#include "settings/scene_files.h"
#include "settings/config_ini.h"
#include "spdlog/spdlog.h"
#include "ui/message_box.h"
#include "ui/translation.h"

namespace brisvel::app {

namespace {

bool SameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

}  // namespace

SceneOpenResult OfferSceneImport(IConsole& app, QWidget* owner, const QString& file) {
  const QFileInfo info(file);
  if (info.suffix().compare(QStringLiteral("bae"), Qt::CaseInsensitive) == 0) {
    ui::MessageBox(owner, QString::fromUtf8(kSceneBatchText));
    return SceneOpenResult::kBatchFile;
  }
  const scene::SceneReadResult read = scene::ReadSceneFile(std::filesystem::path(file.toStdString()));
  if (!read.record) {
    spdlog::warn("scene file {}: {}", file.toStdString(), scene::SceneErrorText(read.error));
    ui::MessageBox(owner, ui::Tr(QString::fromUtf8(kSceneUnreadableText)).arg(file));
    return SceneOpenResult::kUnreadable;
  }
  const QString name = QString::fromStdString(read.record->Name());
  const QString offer = ui::Tr(QString::fromUtf8(kSceneOfferText)).arg(name, info.fileName());
  if (ui::MessageBox(owner, offer, QString(), ui::MessageButtons::YesNo) != ui::kIdYes)
    return SceneOpenResult::kDeclined;

  settings::ConfigIni& config = app.Config();
  config.Refresh();  // the modes brisvelctl may have added meanwhile count too
  const std::vector<PCModeRecord> list = config.LoadPCModes();
  for (const PCModeRecord& existing : list) {
    if (!SameName(QString::fromStdString(existing.Name()), name)) continue;
    if (ui::MessageBox(owner, QString::fromUtf8(kSceneDuplicateText), QString(), ui::MessageButtons::YesNo) !=
        ui::kIdYes)
      return SceneOpenResult::kDeclined;
    break;
  }
  // Appended to what config.ini holds when it is written.
  if (!config.ChangePCModes([record = *read.record](std::vector<PCModeRecord>& modes) {
        modes.push_back(record);
        return true;
      })) {
    spdlog::error("config.ini could not be saved: {}", config.LastSaveError());
    ui::MessageBox(owner, QString::fromUtf8(kSceneNotSavedText));
    return SceneOpenResult::kNotSaved;
  }
  spdlog::info("scene file {} imported as PC mode {}", file.toStdString(), name.toStdString());
  ui::MessageBox(owner, ui::Tr(QString::fromUtf8(kSceneImportedText)).arg(name));
  return SceneOpenResult::kImported;
}

void SceneOpenQueue::Add(const QStringList& files) {
  pending_ << files;
  if (running_ || scheduled_ || pending_.isEmpty()) return;
  // Later, from the event loop: the caller may be a socket handler.
  scheduled_ = true;
  QTimer::singleShot(0, this, [this] {
    scheduled_ = false;
    RunNext();
  });
}

void SceneOpenQueue::RunNext() {
  running_ = true;
  while (!pending_.isEmpty()) {
    // No window left: the console is ending; what was not offered is dropped.
    QWidget* owner = app_.VisibleWindow();
    if (!owner) {
      pending_.clear();
      break;
    }
    const QString file = pending_.takeFirst();
    app_.BringForward();
    OfferSceneImport(app_, owner, file);
  }
  running_ = false;
}

}  // namespace brisvel::app
